#pragma once

#include <QWidget>

namespace app
{
class AppModel;
}

class QLabel;

namespace ui
{

class ChunkyButton;

class TextButton;

// Asks once whether conversations may carry the names of the user's contacts.
class ContactsScreen : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ContactsScreen)

public:
    explicit ContactsScreen(app::AppModel &model, QWidget *parent = nullptr);

    ChunkyButton *allowButton() const { return m_allow; }
    ChunkyButton *skipButton() const { return m_skip; }
    // Back to the source step; only where the user chooses the source.
    TextButton *backButton() const { return m_back; }
    // Where to get a contacts file (Linux only), and why the file chosen last was refused.
    QLabel *hintLabel() const { return m_hint; }
    QLabel *problemLabel() const { return m_problem; }

private:
    QLabel *m_hint = nullptr;
    QLabel *m_problem = nullptr;
    ChunkyButton *m_allow = nullptr;
    ChunkyButton *m_skip = nullptr;
    TextButton *m_back = nullptr;
};

} // namespace ui
