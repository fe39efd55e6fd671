#pragma once

#include <QWidget>

class QScrollArea;

namespace app
{
class AppModel;
}

namespace ui
{

class RootView;

// The application's one window: the application's name, a fixed content of 540 by 680 on the cream
// background, the root view filling it. The desktop's own frame stays, so the window can be moved.
// On a screen too short for 680 and a title bar (1366 by 768 at 125 %, 1920 by 1080 at 150 %) the
// window takes the height there is and the content scrolls, so every control stays reachable;
// moving the keyboard focus scrolls it into sight.
class MainWindow : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    explicit MainWindow(app::AppModel &model, QWidget *parent = nullptr);

    static constexpr int contentWidth = 540;
    static constexpr int contentHeight = 680;

    // Room left for the desktop's title bar while its real height is not known yet.
    static constexpr int titleBarAllowance = 40;

    RootView *rootView() const { return m_root; }
    // True when the content is taller than the window and scrolls.
    bool scrolls() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Sizes the window to its content, or to the screen when the screen is shorter.
    void fitToScreen();

    RootView *m_root = nullptr;
    QScrollArea *m_scroll = nullptr;
};

// The light look on every desktop: the Fusion style with the application's colours, whatever the
// desktop's theme, and the interface font of useInterfaceFont().
void applyLightLook();

} // namespace ui
