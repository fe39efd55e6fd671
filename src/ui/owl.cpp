#include "owl.h"

#include "accessibility.h"
#include "resources.h"

#include <QPainter>
#include <QSvgRenderer>

namespace ui
{

Owl::Owl(const QString &pose, int size, QWidget *parent)
    : QWidget(parent)
    , m_pose(pose)
{
    setFixedSize(size, size);
    markDecorative(this);
    m_hasPicture = QSvgRenderer(imagePath(QStringLiteral("Owl-") + pose)).isValid();
}

QPixmap Owl::render(const QString &pose, int pixelSize)
{
    QPixmap pixmap(pixelSize, pixelSize);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(imagePath(QStringLiteral("Owl-") + pose));
    if (!renderer.isValid())
        return pixmap;
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);
    QPainter painter(&pixmap);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    renderer.render(&painter, QRectF(0, 0, pixelSize, pixelSize));
    return pixmap;
}

void Owl::paintEvent(QPaintEvent *)
{
    if (!m_hasPicture)
        return;
    const qreal ratio = devicePixelRatioF();
    const int pixels = qRound(width() * ratio);
    if (m_cache.width() != pixels) {
        m_cache = render(m_pose, pixels);
        m_cache.setDevicePixelRatio(ratio);
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_cache);
}

} // namespace ui
