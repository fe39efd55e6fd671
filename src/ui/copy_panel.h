#pragma once

#include <QWidget>

class QLineEdit;

namespace app
{
class AppModel;
}

namespace ui
{

class TextButton;

// Shown when the desktop could not open an address or a path (no browser, no file manager): the
// text itself, selectable, with a button that copies it. Hidden otherwise.
class CopyPanel : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CopyPanel)

public:
    explicit CopyPanel(app::AppModel &model, QWidget *parent = nullptr);

    QLineEdit *textField() const { return m_text; }
    TextButton *copyButton() const { return m_copy; }

private:
    void showUnopened();

    app::AppModel &m_model;
    QLineEdit *m_text = nullptr;
    TextButton *m_copy = nullptr;
};

} // namespace ui
