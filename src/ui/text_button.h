#pragma once

#include <QAbstractButton>
#include <QColor>

namespace ui
{

// A plain text button without face or border: a link-like action under the main buttons. The text
// wraps and is centred across the full width it is given. Tab reaches it; focused, it shows the
// focus ring around its text and takes Space, Return and Enter itself.
class TextButton : public QAbstractButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TextButton)

public:
    TextButton(const QString &text, const QFont &font, const QColor &colour, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_colour;
};

// A one-line text that is cut with an ellipsis when it does not fit.
class ElidedLabel : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ElidedLabel)

public:
    ElidedLabel(const QString &text, const QFont &font, const QColor &colour, QWidget *parent = nullptr);

    const QString &text() const { return m_text; }
    // The text as drawn at the current width.
    QString displayedText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    QColor m_colour;
};

} // namespace ui
