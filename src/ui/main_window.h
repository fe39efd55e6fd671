#pragma once

#include <QWidget>

namespace app
{
class AppModel;
}

namespace ui
{

class RootView;

// The application's one window: the application's name, a fixed content of 540 by 680 on the cream
// background, the root view filling it. The desktop's own frame stays, so the window can be moved.
class MainWindow : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    explicit MainWindow(app::AppModel &model, QWidget *parent = nullptr);

    static constexpr int contentWidth = 540;
    static constexpr int contentHeight = 680;

    RootView *rootView() const { return m_root; }

private:
    RootView *m_root = nullptr;
};

// The light look on every desktop: the Fusion style with the application's colours, whatever the
// desktop's theme. Texts keep the desktop's own user-interface font.
void applyLightLook();

} // namespace ui
