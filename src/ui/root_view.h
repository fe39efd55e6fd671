#pragma once

#include "app/app_model.h"

#include <QPixmap>
#include <QPointer>
#include <QVariantAnimation>
#include <QWidget>

#include <filesystem>
#include <optional>

class QMimeData;

namespace ui
{

// Fills the window with the one screen of the model's phase. A new screen replaces the old one only
// when the phase really changes (the model also announces unchanged phases), so that re-entering
// the list phase starts a fresh list screen while a repeated decision leaves the screen alone. The
// change cross-fades over 0.25 s with an ease-out curve. Where the user chooses the source, one
// file or folder dropped onto the window is taken as the new source (not while welcoming or on the
// done screen).
class RootView : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RootView)

public:
    explicit RootView(app::AppModel &model, QWidget *parent = nullptr);

    static constexpr int transitionMilliseconds = 250;

    // The screen on show, and the phase it belongs to.
    QWidget *currentScreen() const { return m_screen; }
    app::AppModel::Phase shownPhase() const { return m_shownPhase; }

    bool isTransitionRunning() const { return m_fade.state() == QAbstractAnimation::Running; }

    // True while a file or folder this view would take is dragged over it: a frame is drawn.
    bool isDropHighlighted() const { return m_dropFrame != nullptr && m_dropFrame->isVisible(); }

    // The curve of the fade: CSS's "ease-out", cubic Bézier (0, 0, 0.58, 1).
    static QEasingCurve transitionCurve();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void showPhase();
    void showDropFrame(bool shown);
    QWidget *makeScreen(app::AppModel::Phase phase);
    // The local path a drop carries when this view takes it now; none otherwise.
    std::optional<std::filesystem::path> droppedSource(const QMimeData *data) const;

    app::AppModel &m_model;
    app::AppModel::Phase m_shownPhase;
    QPointer<QWidget> m_screen;
    // The previous screen as it looked, drawn over the new one with falling opacity.
    QWidget *m_fadeLayer = nullptr;
    QPixmap m_leaving;
    // Drawn over the screen while a drop would be taken.
    QWidget *m_dropFrame = nullptr;
    qreal m_leavingOpacity = 0;
    QVariantAnimation m_fade;
};

} // namespace ui
