#include "card.h"

#include "palette.h"

#include <QLayout>
#include <QPainter>
#include <QPainterPath>

namespace ui
{

Card::Card(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void Card::setContent(QLayout *content)
{
    content->setContentsMargins(padding, padding, padding, padding);
    setLayout(content);
}

void Card::paintEvent(QPaintEvent *)
{
    paintPanel(*this, cornerRadius, borderWidth, Palette::line());
}

void paintPanel(QWidget &widget, qreal cornerRadius, qreal borderWidth, const QColor &border)
{
    QPainter painter(&widget);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal inset = borderWidth / 2;
    QPainterPath outline;
    outline.addRoundedRect(QRectF(widget.rect()).adjusted(inset, inset, -inset, -inset), cornerRadius, cornerRadius);
    painter.fillPath(outline, Palette::white());
    painter.strokePath(outline, QPen(border, borderWidth));
}

} // namespace ui
