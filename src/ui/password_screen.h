#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;

namespace app
{
class AppModel;
}

namespace ui
{

class ChunkyButton;
class TextButton;

// The password of an encrypted backup: what password it is, a field for it, the unlocking in
// progress, a wrong password said as such, and the way back to the source step.
class PasswordScreen : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PasswordScreen)

public:
    explicit PasswordScreen(app::AppModel &model, QWidget *parent = nullptr);

    QLineEdit *passwordInput() const { return m_password; }
    ChunkyButton *unlockButton() const { return m_unlock; }
    QLabel *wrongLabel() const { return m_wrong; }
    QWidget *unlockingRow() const { return m_unlocking; }
    TextButton *backButton() const { return m_back; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showState();
    void showWrongPassword();
    void unlock();

    app::AppModel &m_model;
    QLineEdit *m_password = nullptr;
    ChunkyButton *m_unlock = nullptr;
    QLabel *m_wrong = nullptr;
    QWidget *m_unlocking = nullptr;
    TextButton *m_back = nullptr;
};

} // namespace ui
