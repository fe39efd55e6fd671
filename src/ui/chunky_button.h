#pragma once

#include <QAbstractButton>
#include <QTimer>

namespace ui
{

// The application's push button: a full-width rounded face with a hard drop shadow that sinks
// into the surface while pressed. Primary buttons are filled with the accent colour, secondary ones
// are white. A disabled button draws at 45 % opacity and ignores pointer and keyboard (it is
// disabled through QWidget::setEnabled, not through the look). Tab reaches it; while it has the
// keyboard focus it shows the kit's focus ring and takes Space, Return and Enter itself.
//
// The widget is `restingShadow` taller than the face: the shadow below the face is drawn inside
// the widget, where the platform's design lets it fall into the space after the button.
class ChunkyButton : public QAbstractButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChunkyButton)

public:
    enum class Look {
        Primary,
        Secondary,
    };

    ChunkyButton(const QString &text, Look look, QWidget *parent = nullptr);

    static constexpr int verticalPadding = 13;
    static constexpr int cornerRadius = 16;
    static constexpr int restingShadow = 4;
    static constexpr int pressedShadow = 1;
    static constexpr int pressTravel = 3;
    static constexpr qreal edgeWidth = 1.5;
    static constexpr qreal disabledOpacity = 0.45;
    static constexpr int busySpacing = 8;

    bool isPrimary() const { return m_look == Look::Primary; }

    // While busy, a small spinner in the label's colour turns before the text.
    bool isBusy() const { return m_busy; }
    void setBusy(bool busy);

    // Where the face and its shadow are drawn in the current pressed state, in widget coordinates.
    QRectF faceRect() const;
    QRectF shadowRect() const;

    // A label too long for one line wraps onto a second, and the button grows to hold it; a
    // one-line button (the list's, whose label ends in a title of any length) cuts it instead.
    static constexpr int maxLines = 2;
    void setOneLine(bool oneLine);

    // The label as drawn, its lines separated by "\n": what does not fit the lines it may take
    // is cut with an ellipsis.
    QString displayedText() const;
    // True when the label is cut.
    bool isLabelCut() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void paintButton(QPainter &painter) const;
    int faceHeight() const;
    int faceHeightAt(int width) const;
    int spinnerDiameter() const;
    qreal labelWidthAt(int width) const;
    QString displayedTextAt(int width) const;

    Look m_look;
    bool m_oneLine = false;
    bool m_busy = false;
    int m_spinnerStep = 0;
    QTimer m_spinnerTimer;
};

} // namespace ui
