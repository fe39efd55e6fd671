#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QLabel;
class QWidget;

namespace ui
{

// The system's user-interface font at a size in device-independent pixels, so that a size reads
// the same on every screen density (the sizes of the screens are points, one point one pixel).
[[nodiscard]] QFont uiFont(int pixelSize, QFont::Weight weight = QFont::Normal);

// uiFont with a colour emoji font behind it, for texts that hold pictographs such as U+1F512. The
// family the text font really resolved to comes first, so letters, digits and signs such as "#"
// keep the text font and only what it lacks comes from the emoji font.
[[nodiscard]] QFont emojiFont(int pixelSize, QFont::Weight weight = QFont::Normal);

// A read-only text in a font and colour. `Wrap` breaks it into as many lines as it needs; `OneLine`
// keeps it on one line.
enum class Lines {
    OneLine,
    Wrap,
};
QLabel *makeLabel(const QString &text,
                  const QFont &font,
                  const QColor &colour,
                  Lines lines = Lines::Wrap,
                  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop,
                  QWidget *parent = nullptr);

} // namespace ui
