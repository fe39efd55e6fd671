#pragma once

#include <QColor>
#include <QTimer>
#include <QWidget>

class QPainter;
class QRectF;

namespace ui
{

// Draws one frame of the small indeterminate progress indicator: twelve spokes round the centre of
// `rect`, the brightest at `step` (0 to 11), the others fading behind it.
void paintSpinner(QPainter &painter, const QRectF &rect, const QColor &colour, int step);

// The small indeterminate progress indicator, turning while it is visible.
class Spinner : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Spinner)

public:
    explicit Spinner(int diameter, const QColor &colour, QWidget *parent = nullptr);

    // Milliseconds from one spoke to the next.
    static constexpr int stepInterval = 80;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QColor m_colour;
    QTimer m_timer;
    int m_step = 0;
};

} // namespace ui
