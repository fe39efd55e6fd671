#include "file_drag.h"

#include <QApplication>
#include <QDrag>
#include <QFileInfo>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>

namespace ui
{

std::unique_ptr<QMimeData> fileDragData(const QString &path)
{
    if (path.isEmpty())
        return nullptr;
    const QFileInfo file(path);
    if (!file.exists())
        return nullptr;
    auto data = std::make_unique<QMimeData>();
    data->setUrls({QUrl::fromLocalFile(file.absoluteFilePath())});
    return data;
}

void FileDragGesture::press(const QMouseEvent &event)
{
    if (event.button() == Qt::LeftButton)
        m_pressedAt = event.position().toPoint();
}

bool FileDragGesture::move(QWidget *source, const QMouseEvent &event, const QString &path, const QPixmap &picture)
{
    if (!m_pressedAt || !(event.buttons() & Qt::LeftButton))
        return false;
    if ((event.position().toPoint() - *m_pressedAt).manhattanLength() < QApplication::startDragDistance())
        return false;
    m_pressedAt.reset();
    std::unique_ptr<QMimeData> data = fileDragData(path);
    if (!data)
        return false;
    auto *drag = new QDrag(source);
    drag->setMimeData(data.release());
    if (!picture.isNull()) {
        drag->setPixmap(picture);
        drag->setHotSpot(QPoint(picture.width(), picture.height()) / (2 * picture.devicePixelRatio()));
    }
    drag->exec(Qt::CopyAction | Qt::LinkAction, Qt::CopyAction);
    return true;
}

} // namespace ui
