#pragma once

#include <QString>

#include <string>

class QAbstractButton;
class QBoxLayout;
class QWidget;

namespace ui
{
class ChunkyButton;
}

// Small pieces the screens share: flexible space, the default button, button labels.
namespace ui
{

// Adds empty space that takes a share of the height left over, equal to every other flexible
// space of the layout, and never less than `minimum`.
void addFlexibleSpace(QBoxLayout *layout, int minimum = 0);

// Space of `points` after a ChunkyButton: its resting shadow already fills the first few.
void addSpacingAfterButton(QBoxLayout *layout, int points);

// Makes `button` the screen's default action: Return or Enter pressed anywhere in the screen's
// window clicks it, unless it is disabled.
void setDefaultButton(QWidget *screen, QAbstractButton *button);

// The mascot beside a title at 26 semibold, both on the bottom line, as the top of a screen.
void addOwlHeading(QBoxLayout *layout, const QString &pose, const std::string &title);

// The mascot centred above a title at 26 semibold (12 below the mascot) and a body text at 14 in
// the muted colour (8 below the title), all centred.
void addOwlIntro(
    QBoxLayout *layout, const QString &pose, int owlSize, const std::string &title, const std::string &body);

// A button label followed by two spaces and a rightwards arrow: "Get started  →".
[[nodiscard]] QString withArrow(const std::string &label);

// A primary button labelled withArrow(label), announced to assistive tools without the arrow.
[[nodiscard]] ChunkyButton *arrowButton(const std::string &label);

} // namespace ui
