#pragma once

#include <QColor>
#include <QWidget>

class QLayout;

namespace ui
{

// A white rounded panel with a thin border around content that spans the full width offered, the
// content at the leading edge, 18 from every side.
class Card : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Card)

public:
    explicit Card(QWidget *parent = nullptr);

    static constexpr int padding = 18;
    static constexpr int cornerRadius = 20;
    static constexpr qreal borderWidth = 1;

    // Takes ownership of `content`, a layout of the card's children.
    void setContent(QLayout *content);

protected:
    void paintEvent(QPaintEvent *event) override;
};

// Paints the white panel with a hairline border that cards and the search field share: the
// border is drawn inside `rect`, so nothing is clipped at the widget's edge.
void paintPanel(QWidget &widget, qreal cornerRadius, qreal borderWidth, const QColor &border);

} // namespace ui
