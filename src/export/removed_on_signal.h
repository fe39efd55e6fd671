#pragma once

#include <string_view>

namespace exporter
{

// While it lives, the file `name` in the folder open as `folderFd` is removed should the process be
// ended by SIGINT, SIGTERM or SIGHUP, so that an export stopped half way leaves nothing behind;
// the signal then ends the process as it would have. The handlers are installed on first use, for
// the signals whose action is still the default one (a signal ignored stays ignored, a handler of
// the program's own is kept). `folderFd` stays open while the guard lives. Names longer than 63
// bytes, and more than 16 files at once, are not guarded.
class RemovedOnSignal
{
public:
    RemovedOnSignal(int folderFd, std::string_view name);
    ~RemovedOnSignal();
    RemovedOnSignal(const RemovedOnSignal &) = delete;
    RemovedOnSignal &operator=(const RemovedOnSignal &) = delete;

private:
    int m_slot = -1;
};

} // namespace exporter
