#include "store/live_database.h"

#include "common/file_descriptor.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <map>
#include <mutex>
#include <optional>
#include <utility>

namespace store
{

namespace
{

using FileKey = std::pair<dev_t, ino_t>;

// The databases this process reads through SQLite's shared path, with how many connections to
// each are open. The mutex also orders probes against new connections.
struct SharedUses {
    std::mutex mutex;
    std::map<FileKey, int> open;
};

SharedUses &sharedUses()
{
    static SharedUses uses;
    return uses;
}

// Whether anyone holds a lock on `length` bytes of `file` from `start` that a write lock would
// conflict with. A file that cannot be opened, or is not a regular file, holds none.
bool lockHeld(const std::filesystem::path &file, off_t start, off_t length)
{
    const common::FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.isOpen())
        return false;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = start;
    probe.l_len = length;
    probe.l_pid = 0; // required for open-file-description locks
    if (::fcntl(fd.get(), F_OFD_GETLK, &probe) != 0)
        return false;
    return probe.l_type != F_UNLCK;
}

constexpr off_t pendingByte = 0x40000000;
constexpr off_t lockBytes = 0x200; // pending, reserved and the shared range after them
constexpr off_t shmWriteLock = 120;
constexpr off_t shmLockBytes = 9; // 120 (write) to 128 (the one every open connection reads)

class SharedUse
{
public:
    explicit SharedUse(std::optional<FileKey> key)
        : m_key(key)
    {
    }
    ~SharedUse()
    {
        if (!m_key)
            return;
        auto &uses = sharedUses();
        const std::lock_guard lock(uses.mutex);
        if (--uses.open[*m_key] == 0)
            uses.open.erase(*m_key);
    }
    SharedUse(const SharedUse &) = delete;
    SharedUse &operator=(const SharedUse &) = delete;

private:
    std::optional<FileKey> m_key;
};

std::optional<FileKey> keyOf(const std::filesystem::path &database)
{
    struct stat info {};
    if (::stat(database.c_str(), &info) != 0)
        return std::nullopt;
    return FileKey{info.st_dev, info.st_ino};
}

} // namespace

FileStamp stampOf(const std::filesystem::path &file)
{
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0)
        return {};
    return {true,
            info.st_mode,
            info.st_dev,
            info.st_ino,
            static_cast<std::int64_t>(info.st_size),
            static_cast<std::int64_t>(info.st_mtim.tv_sec),
            static_cast<std::int64_t>(info.st_mtim.tv_nsec)};
}

DatabaseStamp databaseStampOf(const std::filesystem::path &database)
{
    return {stampOf(database), stampOf(database.native() + "-wal")};
}

bool hasLiveConnection(const std::filesystem::path &database)
{
    auto &uses = sharedUses();
    const std::lock_guard lock(uses.mutex);
    if (const auto key = keyOf(database); key && uses.open.contains(*key))
        return true;
    return lockHeld(database, pendingByte, lockBytes)
        || lockHeld(database.native() + "-shm", shmWriteLock, shmLockBytes);
}

std::shared_ptr<const void> holdSharedUse(const std::filesystem::path &database)
{
    auto &uses = sharedUses();
    const std::lock_guard lock(uses.mutex);
    const auto key = keyOf(database);
    if (key)
        ++uses.open[*key];
    return std::make_shared<const SharedUse>(key);
}

} // namespace store
