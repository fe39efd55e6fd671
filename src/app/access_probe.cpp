#include "access_probe.h"

#include "common/home.h"

#include <QFileInfo>

#include <array>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace app
{

namespace
{

constexpr std::size_t probeLength = 16;

struct DirCloser {
    void operator()(DIR *dir) const noexcept { closedir(dir); }
};

// Reads up to `length` bytes from the start, through short reads and interruptions. Returns the
// count read, or -1 on a read error.
ssize_t readPrefix(int fd, std::size_t length)
{
    std::array<char, probeLength> buffer{};
    std::size_t total = 0;
    while (total < length) {
        const ssize_t n = ::read(fd, buffer.data() + total, length - total);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        total += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(total);
}

AccessProbe probeExisting(const std::filesystem::path &path)
{
    // O_NONBLOCK keeps a FIFO at that path from stalling the main thread; a regular file ignores it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return AccessProbe::Denied;
    const ssize_t read = readPrefix(fd, probeLength);
    static_cast<void>(::close(fd)); // a close error does not change what was read
    return read == static_cast<ssize_t>(probeLength) ? AccessProbe::Readable : AccessProbe::Denied;
}

// Lists the folder the way a directory listing does: opening it and reading every entry.
bool canListFolder(const std::filesystem::path &folder)
{
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir)
        return false;
    for (;;) {
        errno = 0;
        if (::readdir(dir.get()) == nullptr)
            return errno == 0;
    }
}

struct DatabaseLocation {
    std::once_flag decided;
    std::filesystem::path path;
};

DatabaseLocation &databaseLocation()
{
    static DatabaseLocation location;
    return location;
}

} // namespace

AccessProbe probeAccess(const std::filesystem::path &path)
{
    struct stat info = {};
    if (::stat(path.c_str(), &info) == 0)
        return probeExisting(path);
    // Absent, or not reachable: the folder's listing decides between the two.
    return canListFolder(path.parent_path()) ? AccessProbe::Missing : AccessProbe::Denied;
}

const std::filesystem::path &databasePath()
{
    DatabaseLocation &location = databaseLocation();
    std::call_once(location.decided, [&location] {
        location.path = common::defaultMessagesDatabase();
    });
    return location.path;
}

bool setDatabasePath(std::filesystem::path path)
{
    DatabaseLocation &location = databaseLocation();
    bool chosen = false;
    std::call_once(location.decided, [&] {
        location.path = std::move(path);
        chosen = true;
    });
    return chosen;
}

} // namespace app
