#pragma once

#include <QWidget>

namespace app
{
class AppModel;
}

namespace ui
{

class ChunkyButton;

// Shown when this computer holds no Messages history; the access timer keeps watching for it. The
// only action restarts the program; Return does nothing here.
class NoMessagesScreen : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NoMessagesScreen)

public:
    explicit NoMessagesScreen(app::AppModel &model, QWidget *parent = nullptr);

    ChunkyButton *quitAndReopenButton() const { return m_quitAndReopen; }

private:
    ChunkyButton *m_quitAndReopen = nullptr;
};

} // namespace ui
