#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <memory>

namespace app
{

// The access watch of a Mac: while the window waits for Full Disk Access (or for a database to
// appear), it probes the database once an interval on the main thread and says when the probe no
// longer reads as denied. Its timer is a child, so it lives on the owner's thread.
class AccessWatch : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AccessWatch)

public:
    static constexpr std::chrono::milliseconds defaultInterval{1000};

    explicit AccessWatch(std::filesystem::path database, QObject *parent = nullptr);
    ~AccessWatch() override;

    // Starts the timer unless it runs; stop() ends it.
    void start();
    void stop();
    bool isRunning() const { return m_timer != nullptr; }

    std::chrono::milliseconds interval() const { return m_interval; }
    // Applies at once when the timer runs.
    void setInterval(std::chrono::milliseconds interval);

Q_SIGNALS:
    // A tick found the database readable or missing: whatever waited for access may decide again.
    void accessChanged();

private:
    void tick();

    const std::filesystem::path m_database;
    std::unique_ptr<QTimer> m_timer;
    std::chrono::milliseconds m_interval = defaultInterval;
};

} // namespace app
