#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

namespace ui
{

// The keyboard focus ring of the kit: a 2-wide rounded outline drawn `inset` inside the shape it
// marks, so it never needs room outside a control. On an accent face it is white, elsewhere accent.
struct FocusRing {
    static constexpr qreal width = 2;
    static constexpr qreal inset = 3;

    // The ring's colour on a face: white on the accent colour, accent on everything lighter.
    [[nodiscard]] static const QColor &colourOn(const QColor &face);

    // Draws the ring inside `shape`, whose corners have `cornerRadius`.
    static void paint(QPainter &painter, const QRectF &shape, qreal cornerRadius, const QColor &colour);
};

} // namespace ui
