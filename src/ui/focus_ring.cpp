#include "focus_ring.h"

#include "palette.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace ui
{

const QColor &FocusRing::colourOn(const QColor &face)
{
    return face == Palette::accent() ? Palette::white() : Palette::accent();
}

void FocusRing::paint(QPainter &painter, const QRectF &shape, qreal cornerRadius, const QColor &colour)
{
    // The stroke is centred on the path: half of it lies on each side.
    const qreal d = inset + width / 2;
    const QRectF ring = shape.adjusted(d, d, -d, -d);
    if (ring.isEmpty())
        return;
    const qreal radius = std::max<qreal>(0, cornerRadius - d);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(1.0);
    QPainterPath path;
    path.addRoundedRect(ring, radius, radius);
    painter.strokePath(path, QPen(colour, width));
    painter.restore();
}

} // namespace ui
