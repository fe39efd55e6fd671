#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

namespace ui
{

// The mascot in one pose ("base", "think", "shocked", "heart", "laugh"): the image "Owl-" + pose,
// scaled to fit a square of `size` by `size`, aspect kept, centred. The widget always occupies the
// whole square, whatever the picture's own size; an unknown pose leaves the square empty. It only
// decorates, so assistive tools do not see it.
class Owl : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Owl)

public:
    Owl(const QString &pose, int size, QWidget *parent = nullptr);

    const QString &pose() const { return m_pose; }
    bool hasPicture() const { return m_hasPicture; }

    // The picture drawn at `pixelSize` device pixels, aspect kept, centred on a transparent square.
    [[nodiscard]] static QPixmap render(const QString &pose, int pixelSize);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_pose;
    bool m_hasPicture = false;
    QPixmap m_cache;
};

} // namespace ui
