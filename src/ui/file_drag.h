#pragma once

#include <QMimeData>
#include <QPixmap>
#include <QPoint>
#include <QString>

#include <memory>
#include <optional>

class QMouseEvent;
class QWidget;

namespace ui
{

// What a drag offering the file at `path` carries: the file's URL as "text/uri-list", which file
// managers, permission lists and a browser's upload box accept. Null when no file is there (it
// was deleted, or the path is empty): the drag then carries nothing.
[[nodiscard]] std::unique_ptr<QMimeData> fileDragData(const QString &path);

// Turns a press and a move beyond the platform's drag distance into a drag of one file. A widget
// forwards its mouse events; the file is looked up when the drag starts.
class FileDragGesture
{
public:
    void press(const QMouseEvent &event);
    // Starts the drag and returns true once the pointer has moved far enough with the left button
    // down; does nothing (and returns false) when the file is gone.
    bool move(QWidget *source, const QMouseEvent &event, const QString &path, const QPixmap &picture);

private:
    std::optional<QPoint> m_pressedAt;
};

} // namespace ui
