#include "discovery_runner.h"

#include "common/home.h"
#include "common/log.h"
#include "common/program_path.h"

#include <mutex>
#include <thread>

namespace app
{

// Shared by the runner and its threads: a thread posts its outcome only while the runner is there.
struct DiscoveryRunner::Mailbox {
    std::mutex mutex;
    DiscoveryRunner *runner = nullptr; // guarded by mutex; cleared when the runner goes
};

DiscoveryRunner::DiscoveryRunner(QObject *parent)
    : QObject(parent)
    , m_mailbox(std::make_shared<Mailbox>())
{
    m_mailbox->runner = this;
}

DiscoveryRunner::~DiscoveryRunner()
{
    // An outcome posted before this is dropped with the object's pending events.
    const std::lock_guard lock(m_mailbox->mutex);
    m_mailbox->runner = nullptr;
}

std::uint64_t DiscoveryRunner::start(sources::DiscoveryRoots roots, std::chrono::milliseconds budget)
{
    const std::uint64_t look = ++m_looks;
    const auto deadline = std::chrono::steady_clock::now() + budget;
    std::optional<std::string> searchPath = common::environmentValue("PATH");
    std::thread([mailbox = m_mailbox, roots = std::move(roots), deadline, look, searchPath = std::move(searchPath)] {
        Discovered discovered{sources::discover(roots, deadline), common::isOnPath("idevicebackup2", searchPath)};
        common::log(common::LogCategory::Sources,
                    "discovery found " + std::to_string(discovered.discovery.found.size()) + " sources"
                        + (discovered.discovery.cutShort ? ", cut short" : ""));
        const std::lock_guard lock(mailbox->mutex);
        if (mailbox->runner == nullptr)
            return;
        QMetaObject::invokeMethod(
            mailbox->runner,
            [runner = mailbox->runner, look, discovered = std::move(discovered)] {
                runner->deliver(look, discovered);
            },
            Qt::QueuedConnection);
    }).detach();
    return look;
}

void DiscoveryRunner::deliver(std::uint64_t look, const Discovered &discovered)
{
    if (!isLatest(look)) {
        common::log(common::LogCategory::App, "discovery dropped: a newer one was started");
        return;
    }
    Q_EMIT found(discovered);
}

} // namespace app
