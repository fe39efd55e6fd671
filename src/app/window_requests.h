#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace app
{

// What the desktop services ask of the application's window: to come to the front, and a file the
// user picks in it. The window implements it; every call is made on the main thread.
class WindowRequests
{
public:
    virtual ~WindowRequests() = default;

    // Shows the window, restored when minimised, raised and active.
    virtual void bringToFront() = 0;

    // Asks the user for a file of contacts (vCard). `done` is called exactly once, on the main thread
    // and never before this returns, with the chosen file's absolute path, or none when the user
    // cancelled. Asked again while the chooser is open, the chooser comes forward and every `done`
    // gets the same answer.
    virtual void chooseContactsFile(std::function<void(std::optional<QString> chosen)> done) = 0;

protected:
    WindowRequests() = default;
    WindowRequests(const WindowRequests &) = default;
    WindowRequests(WindowRequests &&) = default;
    WindowRequests &operator=(const WindowRequests &) = default;
    WindowRequests &operator=(WindowRequests &&) = default;
};

} // namespace app
