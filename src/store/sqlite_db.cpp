#include "store/sqlite_db.h"

#include "common/file_descriptor.h"
#include "common/utf8.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace store {

namespace {

struct StatementDeleter {
    void operator()(sqlite3_stmt *stmt) const noexcept { sqlite3_finalize(stmt); }
};
using StatementHandle = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

constexpr int openFlags = SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX; // 0x8041
constexpr int busyTimeoutMs = 3000;
constexpr int maxParameters = 32766;

// Enough to load the schema, which is where SQLite first needs the -wal and -shm files.
constexpr const char *firstReadSql = "SELECT 1 FROM sqlite_master LIMIT 1";
constexpr const char *walSuffix = "-wal";
constexpr const char *snapshotFileName = "chat.db";
// A copy is retried while the original keeps changing under it, for as long as a busy database
// is waited for. Messages commits in bursts, so a quiet moment long enough for a copy comes soon.
constexpr auto snapshotPatience = std::chrono::milliseconds(busyTimeoutMs);
constexpr auto longestPause = std::chrono::milliseconds(64);
constexpr std::size_t walHeaderSize = 32;

std::string errnoText(int error)
{
    return std::generic_category().message(error);
}

// The SQLite result code of the first read on a fresh connection: SQLITE_OK when the schema
// could be read, else the extended code of the failure.
int firstReadCode(sqlite3 *db)
{
    sqlite3_stmt *raw = nullptr;
    const int prepared = sqlite3_prepare_v2(db, firstReadSql, -1, &raw, nullptr);
    const StatementHandle stmt(raw);
    if (prepared != SQLITE_OK)
        return sqlite3_extended_errcode(db);
    const int stepped = sqlite3_step(raw);
    if (stepped == SQLITE_ROW || stepped == SQLITE_DONE)
        return SQLITE_OK;
    return sqlite3_extended_errcode(db);
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
    struct stat info {
    };
    if (::fstat(fd, &info) != 0)
        return std::nullopt;
    return FileState::of(info);
}

std::optional<FileState> stateOf(const std::filesystem::path &path)
{
    struct stat info {
    };
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
// file did not change at all, as far as its size and times tell. The -shm is not copied: it only indexes the -wal, SQLite rebuilds it from the
// copied -wal (keeping the frames up to the last complete commit whose checksums hold), and a
// copy of it could describe frames the copied -wal does not have.
common::Result<CopyOutcome, std::string> copyOnce(const std::filesystem::path &source, const std::filesystem::path &folder)
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

// RFC 3986 path characters: unreserved, sub-delims, ':' and '@', plus '/' between segments.
bool allowedInUrlPath(unsigned char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    switch (c) {
    case '-': case '.': case '_': case '~':
    case '!': case '$': case '&': case '\'': case '(': case ')': case '*': case '+': case ',': case ';': case '=':
    case ':': case '@': case '/':
        return true;
    default:
        return false;
    }
}

} // namespace

std::int64_t Statement::integer(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

std::string_view Statement::textView(int column) const
{
    const auto *data = sqlite3_column_text(m_stmt, column);
    if (data == nullptr)
        return {};
    const int length = sqlite3_column_bytes(m_stmt, column);
    return {reinterpret_cast<const char *>(data), static_cast<std::size_t>(length)};
}

std::string Statement::text(int column) const
{
    return common::repairUtf8(textView(column));
}

std::string_view Statement::bytesView(int column) const
{
    // The length is asked first: asking for it after the pointer may convert the value and
    // invalidate the pointer.
    const int length = sqlite3_column_bytes(m_stmt, column);
    if (length <= 0)
        return {};
    const void *data = sqlite3_column_blob(m_stmt, column);
    if (data == nullptr)
        return {};
    return {static_cast<const char *>(data), static_cast<std::size_t>(length)};
}

std::string Statement::bytes(int column) const
{
    return std::string(bytesView(column));
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

std::string SQLiteDB::uriFor(const std::filesystem::path &path)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const char ch : path.native()) {
        const auto c = static_cast<unsigned char>(ch);
        if (allowedInUrlPath(c)) {
            uri += ch;
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 0x0F];
        }
    }
    uri += "?mode=ro";
    return uri;
}

common::Result<SQLiteDB::Handle, SQLiteDB::Failure> SQLiteDB::openConnection(const std::filesystem::path &path,
                                                                              const char *vfs)
{
    sqlite3 *raw = nullptr;
    const int rc = sqlite3_open_v2(uriFor(path).c_str(), &raw, openFlags, vfs);
    // SQLite may hand back a handle even when opening fails; own it before looking at rc.
    Handle db(raw);
    if (rc != SQLITE_OK) {
        std::string message = raw != nullptr ? sqlite3_errmsg(raw) : "open failed";
        return common::failure(Failure::open(rc, std::move(message)));
    }
    sqlite3_busy_timeout(raw, busyTimeoutMs);
    // A statement with more parameters than this fails to prepare, as with SQLite's default
    // build. Debian's allows 250,000, and beyond about 46,000 chat ids the planner turns the
    // message query around into a scan that takes hours; a clean refusal is better.
    sqlite3_limit(raw, SQLITE_LIMIT_VARIABLE_NUMBER, maxParameters);
    return db;
}

common::Result<SQLiteDB, SQLiteDB::Failure> SQLiteDB::open(const std::filesystem::path &path)
{
    auto db = openConnection(path);
    if (!db)
        return common::failure(std::move(db.error()));
    const int code = firstReadCode(db->get());
    if (code == SQLITE_OK || !needsPrivateSnapshot(code, usesWriteAheadLog(path)))
        return SQLiteDB(std::move(*db));
    const std::string reason = sqlite3_errmsg(db->get());
    db->reset(); // nothing of the original stays open while it is copied
    return openSnapshot(path, code, reason);
}

common::Result<SQLiteDB, SQLiteDB::Failure>
SQLiteDB::openThroughVfs(const std::string &name, const char *vfs, std::shared_ptr<const void> keepAlive)
{
    auto db = openConnection(name, vfs);
    if (!db)
        return common::failure(std::move(db.error()));
    // Both before the first read: the locking mode decides where a log's index lives.
    char *error = nullptr;
    const int rc = sqlite3_exec(db->get(), "PRAGMA locking_mode=EXCLUSIVE; PRAGMA temp_store=MEMORY;", nullptr, nullptr, &error);
    const std::string message = error != nullptr ? error : "";
    sqlite3_free(error);
    if (rc != SQLITE_OK)
        return common::failure(Failure::open(rc, message));
    // A first read that fails (not a database, damage) is left to the queries, as in open().
    (void)firstReadCode(db->get());
    SQLiteDB opened(std::move(*db));
    opened.m_keepAlive = std::move(keepAlive);
    return opened;
}

common::Result<SQLiteDB, SQLiteDB::Failure>
SQLiteDB::openSnapshot(const std::filesystem::path &path, int code, const std::string &reason)
{
    const auto fail = [&](const std::string &why) {
        return common::failure(
            Failure::open(code, reason + "; cannot read the database from a private copy either: " + why));
    };

    const std::filesystem::path base = temporaryFolderBase();
    std::string pattern = (base / "tovik-snapshot-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) // mode 0700
        return fail("cannot create a folder in " + base.string() + ": " + errnoText(errno));
    SnapshotFolder folder(pattern);

    const auto giveUp = std::chrono::steady_clock::now() + snapshotPatience;
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        auto copied = copyOnce(path, folder.path());
        if (!copied)
            return fail(copied.error());
        if (*copied == CopyOutcome::Consistent)
            break;
        if (std::chrono::steady_clock::now() + pause > giveUp)
            return fail("the database kept changing while it was copied");
        std::this_thread::sleep_for(pause);
        pause = std::min(2 * pause, longestPause);
    }

    auto db = openConnection(folder.path() / snapshotFileName);
    if (!db)
        return fail(db.error().message);
    const int copyCode = firstReadCode(db->get());
    if (copyCode != SQLITE_OK && needsPrivateSnapshot(copyCode, true))
        return fail(sqlite3_errmsg(db->get()));
    // Any other failure of the copy is the original's own (corruption, say) and is left to the
    // queries, as it would be in place.
    return SQLiteDB(std::move(*db), std::move(folder));
}

std::optional<std::filesystem::path> SQLiteDB::snapshotFolder() const
{
    if (!m_snapshot)
        return std::nullopt;
    return m_snapshot->path();
}

SQLiteDB &SQLiteDB::operator=(SQLiteDB &&other) noexcept
{
    if (this != &other) {
        m_db.reset();
        m_keepAlive = std::move(other.m_keepAlive);
        m_snapshot = std::move(other.m_snapshot);
        m_db = std::move(other.m_db);
    }
    return *this;
}

void SQLiteDB::Closer::operator()(sqlite3 *db) const noexcept
{
    sqlite3_close(db);
}

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
    case SQLITE_READONLY_CANTINIT:  // the -shm is read-only and nobody has set it up
    case SQLITE_READONLY_RECOVERY:  // the log needs recovering, which needs a writable -shm
    case SQLITE_READONLY_CANTLOCK:  // the -shm is read-only and cannot be locked
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
    struct stat info {
    };
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

common::Result<void, SQLiteDB::Failure> SQLiteDB::execute(std::string_view sql,
                                                          const std::vector<Parameter> &parameters,
                                                          const RowCallback &onRow)
{
    sqlite3_stmt *raw = nullptr;
    const int prepared = sqlite3_prepare_v2(m_db.get(), sql.data(), static_cast<int>(sql.size()), &raw, nullptr);
    StatementHandle stmt(raw);
    if (prepared != SQLITE_OK)
        return common::failure(Failure::prepare(sqlite3_errmsg(m_db.get())));
    if (!stmt) // only white space or a comment: nothing to run
        return {};

    int index = 1;
    for (const Parameter &parameter : parameters) {
        if (const auto *number = std::get_if<std::int64_t>(&parameter))
            sqlite3_bind_int64(raw, index, *number);
        else if (const auto *text = std::get_if<std::string>(&parameter))
            sqlite3_bind_text(raw, index, text->c_str(), -1, SQLITE_TRANSIENT);
        else
            sqlite3_bind_null(raw, index);
        ++index;
    }

    const Statement row(*raw);
    for (;;) {
        const int rc = sqlite3_step(raw);
        if (rc == SQLITE_ROW) {
            if (onRow(row) == RowFlow::Stop)
                return {};
            continue;
        }
        if (rc == SQLITE_DONE)
            return {};
        // Anything else means the rows so far are not the whole answer. The message is read
        // before the statement is finalized, which may reset it.
        std::string message = sqlite3_errmsg(m_db.get());
        return common::failure(Failure::step(rc, std::move(message)));
    }
}

std::string describe(const SQLiteDB::Failure &failure)
{
    switch (failure.kind) {
    case SQLiteDB::Failure::Kind::Open:
        return "cannot open the database (" + failure.message + ", code " + std::to_string(failure.code) + ")";
    case SQLiteDB::Failure::Kind::Prepare:
        return "cannot query the database (" + failure.message + ")";
    case SQLiteDB::Failure::Kind::Step:
        return "cannot read the database (" + failure.message + ", code " + std::to_string(failure.code) + ")";
    }
    return failure.message;
}

} // namespace store
