#include "text_button.h"

#include "accessibility.h"
#include "focus_ring.h"
#include "key_activation.h"

#include "palette.h"

#include <QPainter>

namespace ui
{

namespace
{

constexpr int textFlags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;

} // namespace

TextButton::TextButton(const QString &text, const QFont &font, const QColor &colour, QWidget *parent)
    : QAbstractButton(parent)
    , m_colour(colour)
{
    setText(text);
    setFont(font);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

QSize TextButton::sizeHint() const
{
    const QSize line = fontMetrics().size(Qt::TextSingleLine, text());
    return QSize(line.width() + 2, line.height());
}

QSize TextButton::minimumSizeHint() const
{
    return QSize(0, fontMetrics().height());
}

int TextButton::heightForWidth(int width) const
{
    return fontMetrics().boundingRect(QRect(0, 0, std::max(width, 1), 100000), textFlags, text()).height();
}

bool TextButton::event(QEvent *event)
{
    if (takeActivationKeys(*this, event))
        return true;
    return QAbstractButton::event(event);
}

void TextButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (hasFocus()) {
        // A capsule around the text, as tall as the button; the ring lies `inset` inside the shape.
        constexpr qreal side = 8 + FocusRing::inset;
        const QRect words = fontMetrics().boundingRect(rect(), textFlags, text());
        const QRectF shape(words.left() - side, -FocusRing::inset, words.width() + 2 * side,
                           height() + 2 * FocusRing::inset);
        FocusRing::paint(painter, shape, shape.height() / 2, Palette::accent());
    }
    QColor colour = m_colour;
    if (isDown())
        colour = colour.darker(140);
    if (!isEnabled())
        painter.setOpacity(0.45);
    painter.setPen(colour);
    painter.setFont(font());
    painter.drawText(rect(), textFlags, text());
}

ElidedLabel::ElidedLabel(const QString &text, const QFont &font, const QColor &colour, QWidget *parent)
    : QWidget(parent)
    , m_text(text)
    , m_colour(colour)
{
    setFont(font);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    describeAccessibly(this, QAccessible::StaticText, text);
}

QString ElidedLabel::displayedText() const
{
    return fontMetrics().elidedText(m_text, Qt::ElideRight, width());
}

QSize ElidedLabel::sizeHint() const
{
    return QSize(fontMetrics().horizontalAdvance(m_text), fontMetrics().height());
}

QSize ElidedLabel::minimumSizeHint() const
{
    return QSize(0, fontMetrics().height());
}

void ElidedLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(m_colour);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, displayedText());
}

} // namespace ui
