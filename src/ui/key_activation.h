#pragma once

class QAbstractButton;
class QEvent;

namespace ui
{

// Lets a focused button take Return and Enter itself, before the screen's default button sees them
// (Space already presses a focused button). Call from the button's event(); true when it handled
// the event.
bool takeActivationKeys(QAbstractButton &button, QEvent *event);

} // namespace ui
