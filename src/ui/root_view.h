#pragma once

#include "app/app_model.h"

#include <QPixmap>
#include <QPointer>
#include <QVariantAnimation>
#include <QWidget>

namespace ui
{

// Fills the window with the one screen of the model's phase. A new screen replaces the old one only
// when the phase really changes (the model also announces unchanged phases), so that re-entering
// the list phase starts a fresh list screen while a repeated decision leaves the screen alone. The
// change cross-fades over 0.25 s with an ease-out curve.
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

    // The curve of the fade: CSS's "ease-out", cubic Bézier (0, 0, 0.58, 1).
    static QEasingCurve transitionCurve();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void showPhase();
    QWidget *makeScreen(app::AppModel::Phase phase);

    app::AppModel &m_model;
    app::AppModel::Phase m_shownPhase;
    QPointer<QWidget> m_screen;
    // The previous screen as it looked, drawn over the new one with falling opacity.
    QWidget *m_fadeLayer = nullptr;
    QPixmap m_leaving;
    qreal m_leavingOpacity = 0;
    QVariantAnimation m_fade;
};

} // namespace ui
