#pragma once

#include <QAccessible>
#include <QString>

class QWidget;

// What assistive tools (screen readers) are told about the kit's own widgets. Buttons, labels and
// the text input answer for themselves through Qt; the plain widgets the kit paints itself (owls,
// pictograms, the spinner, step numbers) are described here, once, so that each screen only says
// what a widget is.
namespace ui
{

// Leaves `widget` and everything in it out of the accessibility tree: a picture that only
// decorates (the owls, the magnifying glass, a lock beside its own words).
void markDecorative(QWidget *widget);

// The role and name a widget painted by the kit is announced with; `description` is read after
// the name, when there is one.
void describeAccessibly(QWidget *widget, QAccessible::Role role, const QString &name, const QString &description = {});

// Reports `widget` as busy (a turning spinner) to assistive tools.
void markBusy(QWidget *widget, bool busy);

} // namespace ui
