#include "key_activation.h"

#include <QAbstractButton>
#include <QKeyEvent>

namespace ui
{

namespace
{

bool isReturn(const QKeyEvent &key)
{
    return (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter)
        && (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

} // namespace

bool takeActivationKeys(QAbstractButton &button, QEvent *event)
{
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    if (!isReturn(*key))
        return false;
    // Accepting the override keeps the window's Return shortcut from firing.
    event->accept();
    if (event->type() == QEvent::KeyPress && !key->isAutoRepeat())
        button.click();
    return true;
}

} // namespace ui
