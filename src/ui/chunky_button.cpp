#include "chunky_button.h"

#include "palette.h"
#include "spinner.h"
#include "text_style.h"

#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace ui
{

namespace
{

constexpr int labelPixelSize = 15;
// Space kept clear between an elided label and the rounded ends of the face.
constexpr int labelSideMargin = 16;

} // namespace

ChunkyButton::ChunkyButton(const QString &text, Look look, QWidget *parent)
    : QAbstractButton(parent)
    , m_look(look)
{
    setText(text);
    setFont(uiFont(labelPixelSize, QFont::DemiBold));
    // Return reaches a screen's default button through the screen, not through keyboard focus.
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_spinnerTimer.setInterval(Spinner::stepInterval);
    connect(&m_spinnerTimer, &QTimer::timeout, this, [this] {
        m_spinnerStep = (m_spinnerStep + 1) % 12;
        update();
    });
}

void ChunkyButton::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (m_busy)
        m_spinnerTimer.start();
    else
        m_spinnerTimer.stop();
    update();
}

int ChunkyButton::faceHeight() const
{
    return verticalPadding + fontMetrics().height() + verticalPadding;
}

int ChunkyButton::spinnerDiameter() const
{
    return fontMetrics().height() - 2;
}

QRectF ChunkyButton::faceRect() const
{
    const qreal travel = isDown() ? pressTravel : 0;
    return QRectF(0, travel, width(), faceHeight());
}

QRectF ChunkyButton::shadowRect() const
{
    return faceRect().translated(0, isDown() ? pressedShadow : restingShadow);
}

qreal ChunkyButton::labelWidth() const
{
    qreal available = width() - 2 * labelSideMargin;
    if (m_busy)
        available -= spinnerDiameter() + busySpacing;
    return std::max<qreal>(0, available);
}

QString ChunkyButton::displayedText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideRight, static_cast<int>(labelWidth()));
}

QSize ChunkyButton::sizeHint() const
{
    return QSize(fontMetrics().horizontalAdvance(text()) + 2 * labelSideMargin, faceHeight() + restingShadow);
}

QSize ChunkyButton::minimumSizeHint() const
{
    return QSize(2 * labelSideMargin, faceHeight() + restingShadow);
}

void ChunkyButton::changeEvent(QEvent *event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateGeometry();
}

void ChunkyButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (isEnabled()) {
        paintButton(painter);
        return;
    }
    // The whole button fades as one picture, so the shadow does not show through the face.
    const qreal ratio = devicePixelRatioF();
    QImage layer(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(ratio);
    layer.fill(Qt::transparent);
    {
        QPainter layerPainter(&layer);
        paintButton(layerPainter);
    }
    painter.setOpacity(disabledOpacity);
    painter.drawImage(QPointF(0, 0), layer);
}

void ChunkyButton::paintButton(QPainter &painter) const
{
    const bool primary = isPrimary();
    const QColor &faceColour = primary ? Palette::accent() : Palette::white();
    const QColor &edgeColour = primary ? Palette::accentDeep() : Palette::line();
    const QColor &labelColour = primary ? Palette::white() : Palette::ink();

    painter.setRenderHint(QPainter::Antialiasing);

    // The stroke is centred on the outline, so the outline sits half a stroke inside the widget
    // for the edge to stay whole at the sides.
    const qreal inset = edgeWidth / 2;
    const QRectF face = faceRect().adjusted(inset, inset, -inset, -inset);
    QPainterPath outline;
    outline.addRoundedRect(face, cornerRadius, cornerRadius);

    painter.setPen(Qt::NoPen);
    painter.setBrush(edgeColour);
    painter.drawPath(outline.translated(0, shadowRect().top() - faceRect().top()));
    painter.setBrush(faceColour);
    painter.drawPath(outline);
    painter.setPen(QPen(edgeColour, edgeWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(outline);

    const QString label = displayedText();
    const qreal textWidth = fontMetrics().horizontalAdvance(label);
    const qreal spinner = m_busy ? spinnerDiameter() + busySpacing : 0;
    const QRectF faceArea = faceRect();
    const qreal left = faceArea.center().x() - (spinner + textWidth) / 2;
    if (m_busy) {
        const qreal d = spinnerDiameter();
        paintSpinner(painter, QRectF(left, faceArea.center().y() - d / 2, d, d), labelColour, m_spinnerStep);
    }
    painter.setPen(labelColour);
    painter.setFont(font());
    painter.drawText(QRectF(left + spinner, faceArea.top(), textWidth + 1, faceArea.height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     label);
}

} // namespace ui
