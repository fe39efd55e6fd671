#include "access_watch.h"

#include "access_probe.h"

#include <QCoreApplication>
#include <QPointer>

#include <utility>

namespace app
{

AccessWatch::AccessWatch(std::filesystem::path database, QObject *parent)
    : QObject(parent)
    , m_database(std::move(database))
{
}

AccessWatch::~AccessWatch() = default;

void AccessWatch::start()
{
    if (m_timer)
        return;
    // A child, so that it lives on the watch's (main) thread; the watch still owns it alone.
    m_timer = std::make_unique<QTimer>(this);
    m_timer->setObjectName(QStringLiteral("accessTimer"));
    m_timer->setInterval(m_interval);
    connect(m_timer.get(), &QTimer::timeout, m_timer.get(), [watch = QPointer<AccessWatch>(this)] {
        // Through the event loop: a tick may decide a phase that stops (deletes) this timer.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [watch] {
                if (watch)
                    watch->tick();
            },
            Qt::QueuedConnection);
    });
    m_timer->start();
}

void AccessWatch::stop()
{
    m_timer.reset();
}

void AccessWatch::setInterval(std::chrono::milliseconds interval)
{
    m_interval = interval;
    if (m_timer)
        m_timer->setInterval(interval);
}

void AccessWatch::tick()
{
    if (probeAccess(m_database) == AccessProbe::Denied)
        return;
    Q_EMIT accessChanged();
}

} // namespace app
