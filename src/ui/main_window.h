#pragma once

#include "app/window_requests.h"
#include "contacts_file_chooser.h"

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
// moving the keyboard focus scrolls it into sight. The desktop services ask it to come forward
// and to ask for a contacts file. Ctrl+Q and Ctrl+W close it; Escape goes back a step.
class MainWindow : public QWidget, public app::WindowRequests
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

    void bringToFront() override;
    void chooseContactsFile(std::function<void(std::optional<QString> chosen)> done) override;
    // The contacts file chooser while it is open.
    QFileDialog *contactsFileDialog() const { return m_contactsChooser.dialog(); }

protected:
    void showEvent(QShowEvent *event) override;
    // Escape that no control took goes one step back.
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Sizes the window to its content, or to the screen when the screen is shorter.
    void fitToScreen();

    app::AppModel &m_model;
    RootView *m_root = nullptr;
    QScrollArea *m_scroll = nullptr;
    ContactsFileChooser m_contactsChooser;
};

// The light look on every desktop: the Fusion style with the application's colours, whatever the
// desktop's theme, and the interface font of useInterfaceFont().
void applyLightLook();

} // namespace ui
