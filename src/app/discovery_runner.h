#pragma once

#include "sources/discovery.h"

#include <QObject>

#include <chrono>
#include <cstdint>
#include <memory>

namespace app
{

// What the source step offers without the user naming a path.
struct Discovered {
    sources::Discovery discovery;
    bool backupToolInstalled = false; // idevicebackup2 is on the PATH
};

// Looks for sources on a thread of its own, which nobody waits for: a stat stuck on a dead disk
// holds up neither the window nor the end of the program (the thread dies with the process). The
// look gets a deadline and starts no further place after it; its outcome comes back through
// found() on this object's thread, unless this object has gone by then or a newer look was
// started, in which case it is dropped. The thread holds nothing but the roots and its outcome,
// no secret and nothing of the model's.
class DiscoveryRunner : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DiscoveryRunner)

public:
    explicit DiscoveryRunner(QObject *parent = nullptr);
    ~DiscoveryRunner() override;

    // Starts a look and returns its number; only the latest look's outcome is delivered.
    std::uint64_t start(sources::DiscoveryRoots roots, std::chrono::milliseconds budget);
    [[nodiscard]] bool isLatest(std::uint64_t look) const { return look == m_looks; }

Q_SIGNALS:
    void found(const app::Discovered &discovered);

private:
    struct Mailbox;

    void deliver(std::uint64_t look, const Discovered &discovered);

    std::shared_ptr<Mailbox> m_mailbox;
    std::uint64_t m_looks = 0;
};

} // namespace app
