#include "chunky_button.h"

#include "focus_ring.h"
#include "key_activation.h"
#include "palette.h"
#include "spinner.h"
#include "text_style.h"

#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>
#include <QTextLayout>

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
    // Tab only: a click leaves the focus where it was (in the list's search field, say).
    setFocusPolicy(Qt::TabFocus);
    // Preferred, not Fixed: a fixed height would hold the button to one line of label.
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
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

void ChunkyButton::setOneLine(bool oneLine)
{
    m_oneLine = oneLine;
    updateGeometry();
    update();
}

int ChunkyButton::faceHeight() const
{
    return faceHeightAt(width());
}

int ChunkyButton::faceHeightAt(int width) const
{
    const auto lines = static_cast<int>(displayedTextAt(width).count(QLatin1Char('\n')));
    return verticalPadding + fontMetrics().height() + lines * fontMetrics().lineSpacing() + verticalPadding;
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

qreal ChunkyButton::labelWidthAt(int width) const
{
    qreal available = width - 2 * labelSideMargin;
    if (m_busy)
        available -= spinnerDiameter() + busySpacing;
    return std::max<qreal>(0, available);
}

QString ChunkyButton::displayedText() const
{
    return displayedTextAt(width());
}

QString ChunkyButton::displayedTextAt(int width) const
{
    const QFontMetricsF metrics(font());
    const qreal available = labelWidthAt(width);
    const auto cut = [&](const QString &line) {
        return metrics.elidedText(line, Qt::ElideRight, available);
    };
    if (m_oneLine || m_busy || metrics.horizontalAdvance(text()) <= available)
        return cut(text());

    // Breaks at spaces as the text engine does, then cuts what the last line cannot hold.
    QTextLayout layout(text(), font());
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(available);
        lines.append(text().mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    while (lines.size() > maxLines)
        lines[maxLines - 1] += QLatin1Char(' ') + lines.takeAt(maxLines);
    for (QString &line : lines)
        line = cut(line);
    return lines.join(QLatin1Char('\n'));
}

bool ChunkyButton::isLabelCut() const
{
    QString shown = displayedText();
    shown.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return shown.simplified() != text().simplified();
}

QSize ChunkyButton::sizeHint() const
{
    const int oneLine = verticalPadding + fontMetrics().height() + verticalPadding;
    return QSize(fontMetrics().horizontalAdvance(text()) + 2 * labelSideMargin, oneLine + restingShadow);
}

QSize ChunkyButton::minimumSizeHint() const
{
    return QSize(2 * labelSideMargin, sizeHint().height());
}

int ChunkyButton::heightForWidth(int width) const
{
    return faceHeightAt(width) + restingShadow;
}

bool ChunkyButton::event(QEvent *event)
{
    if (takeActivationKeys(*this, event))
        return true;
    return QAbstractButton::event(event);
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
    const QRectF faceArea = faceRect();
    if (label.contains(QLatin1Char('\n'))) {
        painter.setPen(labelColour);
        painter.setFont(font());
        painter.drawText(faceArea, Qt::AlignCenter, label);
        return;
    }
    const qreal textWidth = fontMetrics().horizontalAdvance(label);
    const qreal spinner = m_busy ? spinnerDiameter() + busySpacing : 0;
    const qreal left = faceArea.center().x() - (spinner + textWidth) / 2;
    if (m_busy) {
        const qreal d = spinnerDiameter();
        paintSpinner(painter, QRectF(left, faceArea.center().y() - d / 2, d, d), labelColour, m_spinnerStep);
    }
    if (hasFocus())
        FocusRing::paint(painter, face, cornerRadius, FocusRing::colourOn(faceColour));

    painter.setPen(labelColour);
    painter.setFont(font());
    painter.drawText(QRectF(left + spinner, faceArea.top(), textWidth + 1, faceArea.height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, label);
}

} // namespace ui
