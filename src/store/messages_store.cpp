#include "store/messages_store.h"

#include "store/database_file_check.h"
#include "store/read_only_vfs.h"

#include <algorithm>
#include <array>
#include <utility>

#include <sys/stat.h>

namespace store
{

namespace
{

constexpr int sqliteBusy = 5; // SQLITE_BUSY: the database kept changing under the reads

// An optional column: where it is, and what the queries select for it with and without it.
struct Optional {
    OptionalColumn column;
    std::string_view table;
    std::string_view name;
    std::string_view present;
    std::string_view absent;
};

// In the order of OptionalColumn.
constexpr std::array<Optional, 11> optionalColumns{{
    {OptionalColumn::ChatIdentifier, "chat", "chat_identifier", "COALESCE(chat_identifier, '')", "''"},
    {OptionalColumn::DisplayName, "chat", "display_name", "COALESCE(display_name, '')", "''"},
    {OptionalColumn::Style, "chat", "style", "COALESCE(style, 0)", "0"},
    {OptionalColumn::AttributedBody, "message", "attributedBody", "m.attributedBody", "NULL"},
    {OptionalColumn::CacheHasAttachments, "message", "cache_has_attachments", "COALESCE(m.cache_has_attachments, 0)",
     "0"},
    {OptionalColumn::IsAudioMessage, "message", "is_audio_message", "COALESCE(m.is_audio_message, 0)", "0"},
    {OptionalColumn::BalloonBundleId, "message", "balloon_bundle_id", "COALESCE(m.balloon_bundle_id, '')", "''"},
    {OptionalColumn::ItemType, "message", "item_type", "m.item_type", "0"},
    {OptionalColumn::AssociatedMessageType, "message", "associated_message_type",
     "COALESCE(m.associated_message_type, 0)", "0"},
    {OptionalColumn::DateRetracted, "message", "date_retracted", "COALESCE(m.date_retracted, 0)", "0"},
    {OptionalColumn::DateEdited, "message", "date_edited", "COALESCE(m.date_edited, 0)", "0"},
}};

constexpr const Optional &optional(OptionalColumn column)
{
    return optionalColumns[static_cast<std::size_t>(column)];
}

// Each entry sits at the index of its OptionalColumn, where optional() looks for it.
static_assert([] {
    for (std::size_t i = 0; i < optionalColumns.size(); ++i) {
        if (static_cast<std::size_t>(optionalColumns[i].column) != i)
            return false;
    }
    return true;
}());

// The columns a Messages database has had in every age the queries read, by table.
constexpr std::array<std::pair<std::string_view, std::string_view>, 12> baseColumns{{
    {"message", "ROWID"},
    {"message", "date"},
    {"message", "is_from_me"},
    {"message", "text"},
    {"message", "handle_id"},
    {"chat", "ROWID"},
    {"handle", "ROWID"},
    {"handle", "id"},
    {"chat_handle_join", "chat_id"},
    {"chat_handle_join", "handle_id"},
    {"chat_message_join", "chat_id"},
    {"chat_message_join", "message_id"},
}};

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
    const auto chat = store.columnsOf("chat");
    const auto message = store.columnsOf("message");
    for (const Optional &each : optionalColumns) {
        const auto &columns = each.table == "chat" ? chat : message;
        store.m_columns[static_cast<std::size_t>(each.column)] = columns.contains(each.name);
    }
    return store;
}

std::set<std::string, std::less<>> MessagesStore::columnsOf(std::string_view table)
{
    // The table name goes in verbatim: callers pass constants only.
    const std::string sql = "PRAGMA table_info(" + std::string(table) + ")";
    std::set<std::string, std::less<>> columns;
    // A failed prepare leaves it empty; a failed step keeps what was seen before it.
    (void)m_db.execute(sql, {}, [&](const Statement &row) {
        if (!row.isNull(1))
            columns.insert(row.text(1));
        return RowFlow::Continue;
    });
    return columns;
}

bool MessagesStore::hasColumn(std::string_view table, std::string_view column)
{
    return columnsOf(table).contains(column);
}

std::vector<std::string> MessagesStore::missingBaseColumns()
{
    std::vector<std::string> missing;
    std::string_view table;
    std::set<std::string, std::less<>> columns;
    for (const auto &[owner, column] : baseColumns) {
        if (owner != table) {
            table = owner;
            columns = columnsOf(table);
        }
        if (columns.empty() || columns.contains(column))
            continue; // a missing table is told as such
        // The ROWID every table has unless made WITHOUT ROWID, when no column takes its name.
        if (column == "ROWID"
            && m_db.execute("SELECT ROWID FROM " + std::string(table) + " LIMIT 0", {}, [](const Statement &) {
                   return RowFlow::Stop;
               }))
            continue;
        missing.push_back(std::string(table) + "." + std::string(column));
    }
    return missing;
}

bool MessagesStore::hasOldestLayout()
{
    if (!columnsOf("msg_group").empty())
        return true;
    const auto message = columnsOf("message");
    return std::ranges::any_of(message, [](const std::string &column) {
        return column.starts_with("madrid_");
    });
}

bool MessagesStore::has(OptionalColumn column) const
{
    return m_columns[static_cast<std::size_t>(column)];
}

std::string_view MessagesStore::select(OptionalColumn column) const
{
    const Optional &each = optional(column);
    return has(column) ? each.present : each.absent;
}

std::string MessagesStore::countableFilter() const
{
    std::string filter(select(OptionalColumn::ItemType));
    filter += " = 0 AND ";
    filter += select(OptionalColumn::AssociatedMessageType);
    filter += " NOT BETWEEN 1000 AND 3999";
    return filter;
}

} // namespace store
