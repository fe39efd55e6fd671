#include "spinner.h"

#include "accessibility.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace ui
{

void paintSpinner(QPainter &painter, const QRectF &rect, const QColor &colour, int step)
{
    constexpr int spokes = 12;
    const qreal radius = std::min(rect.width(), rect.height()) / 2.0;
    const qreal width = std::max(1.5, radius * 0.22);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.center());
    for (int i = 0; i < spokes; ++i) {
        // Spoke i trails the head by (step - i) positions; the head is fully opaque.
        const int behind = ((step - i) % spokes + spokes) % spokes;
        QColor spoke = colour;
        spoke.setAlphaF(colour.alphaF() * (1.0 - 0.75 * behind / (spokes - 1)));
        QPen pen(spoke, width, Qt::SolidLine, Qt::RoundCap);
        painter.setPen(pen);
        painter.save();
        painter.rotate(360.0 * i / spokes);
        painter.drawLine(QPointF(0, -radius * 0.5), QPointF(0, -radius + width / 2));
        painter.restore();
    }
    painter.restore();
}

Spinner::Spinner(int diameter, const QColor &colour, QWidget *parent)
    : QWidget(parent)
    , m_colour(colour)
{
    setFixedSize(diameter, diameter);
    // Assistive tools hear a busy progress indicator, named by the screen after the words beside it.
    describeAccessibly(this, QAccessible::ProgressBar, QString());
    markBusy(this, true);
    m_timer.setInterval(stepInterval);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % 12;
        update();
    });
}

void Spinner::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintSpinner(painter, QRectF(rect()), m_colour, m_step);
}

void Spinner::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_timer.start();
}

void Spinner::hideEvent(QHideEvent *event)
{
    m_timer.stop();
    QWidget::hideEvent(event);
}

} // namespace ui
