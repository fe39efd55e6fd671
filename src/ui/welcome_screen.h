#pragma once

#include <QWidget>

namespace app
{
class AppModel;
}

namespace ui
{

class ChunkyButton;

// The first screen of a new user: the mascot, what the program does, the privacy promise and
// "Get started", which remembers that the welcome was seen and decides the next screen.
class WelcomeScreen : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WelcomeScreen)

public:
    explicit WelcomeScreen(app::AppModel &model, QWidget *parent = nullptr);

    ChunkyButton *getStartedButton() const { return m_getStarted; }

private:
    ChunkyButton *m_getStarted = nullptr;
};

} // namespace ui
