#include "store/messages_store.h"

#include "store/database_file_check.h"
#include "store/read_only_vfs.h"

#include <sys/stat.h>

namespace store
{

namespace
{

constexpr int sqliteBusy = 5; // SQLITE_BUSY: the database kept changing under the reads

// Refuses a -wal or -shm that is something other than a regular file (a FIFO would hold SQLite
// for ever, a link to a device or another file would be read or written as the log).
common::Result<void, SQLiteDB::Failure> checkCompanion(const std::filesystem::path &file)
{
    struct stat info {};
    if (::lstat(file.c_str(), &info) != 0)
        return {};
    if (S_ISREG(info.st_mode))
        return {};
    const char *kind = S_ISLNK(info.st_mode) ? "a symbolic link" : nonFileKind(info.st_mode);
    return common::failure(SQLiteDB::Failure::open(0, file.string() + " is " + kind + ", not a file SQLite can use"));
}

} // namespace

common::Result<MessagesStore, SQLiteDB::Failure> MessagesStore::open(const std::filesystem::path &path)
{
    if (hasLiveConnection(path))
        return openShared(path);
    return openPrivate(path);
}

common::Result<MessagesStore, SQLiteDB::Failure> MessagesStore::openPrivate(const std::filesystem::path &path)
{
    const std::filesystem::path log = path.native() + "-wal";
    if (auto checked = checkCompanion(log); !checked)
        return common::failure(std::move(checked.error()));
    // Taken before anything is read, so that a change during the open counts as well.
    const DatabaseStamp stamp = databaseStampOf(path);
    VfsDatabase files{plainFileOpener(path), std::nullopt};
    if (stamp.log.exists)
        files.log = plainFileOpener(log);
    auto registration = VfsRegistration::add(std::move(files));
    auto db = SQLiteDB::openThroughVfs(registration->name(), readOnlyVfs(), registration);
    RETURN_IF_FAILED(db);
    MessagesStore store = over(std::move(*db));
    store.m_watch = Watch{path, stamp};
    return store;
}

common::Result<MessagesStore, SQLiteDB::Failure> MessagesStore::openShared(const std::filesystem::path &path)
{
    for (const char *suffix : {"-wal", "-shm"}) {
        if (auto checked = checkCompanion(path.native() + suffix); !checked)
            return common::failure(std::move(checked.error()));
    }
    auto db = SQLiteDB::open(path, holdSharedUse(path));
    RETURN_IF_FAILED(db);
    return over(std::move(*db));
}

common::Result<bool, SQLiteDB::Failure> MessagesStore::confirmRead(bool last)
{
    if (!m_watch)
        return true;
    if (databaseStampOf(m_watch->path) == m_watch->stamp && !hasLiveConnection(m_watch->path))
        return true;
    const std::filesystem::path path = m_watch->path;
    {
        // Closed before the database is opened again: never two connections of this store at once.
        const SQLiteDB closing = std::move(m_db);
    }
    m_watch.reset();
    if (last)
        return common::failure(
            SQLiteDB::Failure::step(sqliteBusy, "the database kept changing while it was read; try again"));
    auto reopened = open(path);
    RETURN_IF_FAILED(reopened);
    *this = std::move(*reopened);
    return false;
}

MessagesStore MessagesStore::over(SQLiteDB db)
{
    MessagesStore store(std::move(db));
    store.m_hasRetracted = store.hasColumn("message", "date_retracted");
    store.m_hasEdited = store.hasColumn("message", "date_edited");
    return store;
}

bool MessagesStore::hasColumn(std::string_view table, std::string_view column)
{
    // The table name goes in verbatim: callers pass constants only.
    const std::string sql = "PRAGMA table_info(" + std::string(table) + ")";
    bool found = false;
    // A failed prepare leaves `found` false; a failed step keeps what was seen before it.
    (void)m_db.execute(sql, {}, [&](const Statement &row) {
        if (!row.isNull(1) && row.textView(1) == column)
            found = true;
        return RowFlow::Continue;
    });
    return found;
}

} // namespace store
