#include "store/wal_snapshot.h"

#include "common/file_descriptor.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace store
{

namespace
{

constexpr const char *walSuffix = "-wal";
constexpr const char *snapshotFileName = "chat.db";
constexpr auto longestPause = std::chrono::milliseconds(64);
constexpr std::size_t walHeaderSize = 32;

std::string errnoText(int error)
{
    return std::generic_category().message(error);
}

// What identifies a file's content from the outside: the same inode, unchanged in size and time.
struct FileState {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    static FileState of(const struct stat &info)
    {
        return {info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
    }
    [[nodiscard]] bool sameFile(const FileState &other) const { return device == other.device && inode == other.inode; }
    [[nodiscard]] bool sameContent(const FileState &other) const
    {
        return sameFile(other) && size == other.size && modified.tv_sec == other.modified.tv_sec
            && modified.tv_nsec == other.modified.tv_nsec && changed.tv_sec == other.changed.tv_sec
            && changed.tv_nsec == other.changed.tv_nsec;
    }
};

std::optional<FileState> stateOf(int fd)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return std::nullopt;
    return FileState::of(info);
}

std::optional<FileState> stateOf(const std::filesystem::path &path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return FileState::of(info);
}

// The first 32 bytes of a -wal file: magic, format, page size, checkpoint sequence and the two
// salts that change whenever the log restarts from its beginning. Fewer when the file is shorter.
std::string walHeader(int fd)
{
    std::array<char, walHeaderSize> bytes{};
    const ssize_t got = ::pread(fd, bytes.data(), bytes.size(), 0);
    return got > 0 ? std::string(bytes.data(), static_cast<std::size_t>(got)) : std::string();
}

// Copies everything `from` holds, from its beginning, into a new file `to` (mode 0600).
// Returns the errno text on failure.
std::optional<std::string> copyInto(int from, const std::filesystem::path &to)
{
    const common::FileDescriptor out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!out.isOpen())
        return "cannot create " + to.string() + ": " + errnoText(errno);
    std::vector<char> buffer(1 << 20);
    off_t offset = 0;
    for (;;) {
        const ssize_t got = ::pread(from, buffer.data(), buffer.size(), offset);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return "cannot read the database: " + errnoText(errno);
        }
        if (got == 0)
            return std::nullopt;
        offset += got;
        for (ssize_t done = 0; done < got;) {
            const ssize_t written = ::write(out.get(), buffer.data() + done, static_cast<std::size_t>(got - done));
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                return "cannot write " + to.string() + ": " + errnoText(errno);
            }
            done += written;
        }
    }
}

enum class CopyOutcome {
    Consistent,
    Changed, // the original changed in a way the copy may not reflect; try again
};

// One attempt at copying the database and its -wal into `folder`.
//
// While Messages writes, the main file changes only by checkpoints, which copy pages from the
// -wal into it; the -wal itself only grows until it restarts from its beginning, which rewrites
// its header. So the main file is copied first and the -wal after it: a page a checkpoint
// changed during the first copy is still in the -wal when that is copied, and reading the
// snapshot takes it from there. The copy is consistent when the -wal's header is the same
// before and after (no restart in between) and, without a -wal that holds frames, when the main
// file did not change at all, as far as its size and times tell. The -shm is not copied: it only indexes the -wal,
// SQLite rebuilds it from the copied -wal (keeping the frames up to the last complete commit whose checksums hold), and
// a copy of it could describe frames the copied -wal does not have.
common::Result<CopyOutcome, std::string> copyOnce(const std::filesystem::path &source,
                                                  const std::filesystem::path &folder)
{
    const std::filesystem::path walSource = source.native() + walSuffix;
    const std::filesystem::path target = folder / snapshotFileName;
    const std::filesystem::path walTarget = target.native() + walSuffix;
    std::error_code ignored;
    std::filesystem::remove(target, ignored);
    std::filesystem::remove(walTarget, ignored);

    const common::FileDescriptor main(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (!main.isOpen())
        return common::failure("cannot open " + source.string() + ": " + errnoText(errno));
    const common::FileDescriptor wal(::open(walSource.c_str(), O_RDONLY | O_CLOEXEC));
    if (!wal.isOpen() && errno != ENOENT)
        return common::failure("cannot open " + walSource.string() + ": " + errnoText(errno));
    const auto mainBefore = stateOf(main.get());
    const std::string walBefore = wal.isOpen() ? walHeader(wal.get()) : std::string();
    if (!mainBefore)
        return common::failure("cannot read " + source.string() + ": " + errnoText(errno));

    if (auto failed = copyInto(main.get(), target))
        return common::failure(std::move(*failed));
    if (wal.isOpen()) {
        if (auto failed = copyInto(wal.get(), walTarget))
            return common::failure(std::move(*failed));
    }

    const auto mainAfter = stateOf(main.get());
    const auto mainAtPath = stateOf(source);
    if (!mainAfter || !mainAtPath || !mainAtPath->sameFile(*mainBefore))
        return CopyOutcome::Changed; // replaced or removed meanwhile
    const auto walAtPath = stateOf(walSource);
    if (!wal.isOpen())
        return !walAtPath && mainAfter->sameContent(*mainBefore) ? CopyOutcome::Consistent : CopyOutcome::Changed;
    const auto walOpened = stateOf(wal.get());
    if (!walAtPath || !walOpened || !walAtPath->sameFile(*walOpened) || walHeader(wal.get()) != walBefore)
        return CopyOutcome::Changed;
    // An empty log may have been filled, checkpointed and emptied again during the copy.
    const bool logHasFrames = walBefore.size() == walHeaderSize;
    return logHasFrames || mainAfter->sameContent(*mainBefore) ? CopyOutcome::Consistent : CopyOutcome::Changed;
}

std::filesystem::path temporaryFolderBase()
{
    const char *tmpdir = std::getenv("TMPDIR");
    if (tmpdir != nullptr && tmpdir[0] == '/')
        return tmpdir;
    return "/tmp";
}

} // namespace

SnapshotFolder::~SnapshotFolder()
{
    if (m_path.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

SnapshotFolder &SnapshotFolder::operator=(SnapshotFolder &&other) noexcept
{
    if (this != &other) {
        if (!m_path.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(m_path, ignored);
        }
        m_path = std::exchange(other.m_path, {});
    }
    return *this;
}

bool needsPrivateSnapshot(int extendedCode, bool walInUse)
{
    switch (extendedCode) {
    case SQLITE_READONLY_DIRECTORY: // the -wal or -shm would have to be created in a folder we cannot write
    case SQLITE_READONLY_CANTINIT: // the -shm is read-only and nobody has set it up
    case SQLITE_READONLY_RECOVERY: // the log needs recovering, which needs a writable -shm
    case SQLITE_READONLY_CANTLOCK: // the -shm is read-only and cannot be locked
        return true;
    case SQLITE_IOERR_SHMOPEN:
    case SQLITE_IOERR_SHMSIZE:
    case SQLITE_IOERR_SHMMAP:
        return walInUse;
    default:
        // A -wal without its -shm, or a log that cannot be created, on read-only media or with
        // unreadable companions. Without a log, this code means the database itself is missing.
        return (extendedCode & 0xFF) == SQLITE_CANTOPEN && walInUse;
    }
}

bool usesWriteAheadLog(const std::filesystem::path &path)
{
    const std::filesystem::path wal = path.native() + walSuffix;
    struct stat info {};
    if (::stat(wal.c_str(), &info) == 0)
        return true;
    const common::FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.isOpen())
        return false;
    static constexpr char magic[] = "SQLite format 3"; // with its NUL, the first 16 bytes
    std::array<char, 20> header{};
    const ssize_t got = ::pread(file.get(), header.data(), header.size(), 0);
    return got == static_cast<ssize_t>(header.size()) && std::memcmp(header.data(), magic, sizeof magic) == 0
        && (header[18] == 2 || header[19] == 2);
}

std::filesystem::path SnapshotFolder::database() const
{
    return m_path / snapshotFileName;
}

common::Result<SnapshotFolder, std::string> takeSnapshot(const std::filesystem::path &path,
                                                         std::chrono::milliseconds patience)
{
    const std::filesystem::path base = temporaryFolderBase();
    std::string pattern = (base / "tovik-snapshot-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) // mode 0700
        return common::failure("cannot create a folder in " + base.string() + ": " + errnoText(errno));
    SnapshotFolder folder(pattern);

    const auto giveUp = std::chrono::steady_clock::now() + patience;
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        auto copied = copyOnce(path, folder.path());
        if (!copied)
            return common::failure(copied.error());
        if (*copied == CopyOutcome::Consistent)
            break;
        if (std::chrono::steady_clock::now() + pause > giveUp)
            return common::failure("the database kept changing while it was copied");
        std::this_thread::sleep_for(pause);
        pause = std::min(2 * pause, longestPause);
    }

    return folder;
}

} // namespace store
