#include "export/removed_on_signal.h"

#include <array>
#include <atomic>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace exporter
{

namespace
{

// A file to remove, written by the thread that guards it and read by the signal handler. The state
// says who may touch the rest: nobody while Free, the guarding thread while Filling, the handler
// once it has moved Armed to Removing (which it never leaves: the process is ending).
struct Slot {
    enum State : int {
        Free,
        Filling,
        Armed,
        Removing
    };
    std::atomic<int> state{Free};
    int folderFd = -1;
    std::array<char, 64> name{};
};
static_assert(std::atomic<int>::is_always_lock_free);

std::array<Slot, 16> slots;

constexpr std::array<int, 3> endingSignals{SIGINT, SIGTERM, SIGHUP};

extern "C" void removeAndEnd(int signal)
{
    const int savedErrno = errno;
    for (Slot &slot : slots) {
        int armed = Slot::Armed;
        if (slot.state.compare_exchange_strong(armed, Slot::Removing))
            ::unlinkat(slot.folderFd, slot.name.data(), 0);
    }
    // Ends the process the way the signal would have without us: raised again with its default
    // action, it is delivered as soon as this handler returns.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    ::raise(signal);
    errno = savedErrno;
}

void installHandlers()
{
    for (const int signal : endingSignals) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO) != 0
            || current.sa_handler != SIG_DFL)
            continue;
        struct sigaction handler {};
        handler.sa_handler = removeAndEnd;
        sigemptyset(&handler.sa_mask);
        for (const int other : endingSignals)
            sigaddset(&handler.sa_mask, other); // one handler at a time
        ::sigaction(signal, &handler, nullptr);
    }
}

} // namespace

RemovedOnSignal::RemovedOnSignal(int folderFd, std::string_view name)
{
    static std::once_flag installed;
    std::call_once(installed, installHandlers);
    if (name.size() >= Slot{}.name.size())
        return;
    for (std::size_t i = 0; i < slots.size(); ++i) {
        int free = Slot::Free;
        if (!slots[i].state.compare_exchange_strong(free, Slot::Filling))
            continue;
        slots[i].folderFd = folderFd;
        std::memcpy(slots[i].name.data(), name.data(), name.size());
        slots[i].name[name.size()] = '\0';
        slots[i].state.store(Slot::Armed);
        m_slot = static_cast<int>(i);
        return;
    }
}

RemovedOnSignal::~RemovedOnSignal()
{
    if (m_slot < 0)
        return;
    int armed = Slot::Armed;
    // Fails only when a handler already took the slot, and then the process is ending anyway.
    slots[static_cast<std::size_t>(m_slot)].state.compare_exchange_strong(armed, Slot::Free);
}

} // namespace exporter
