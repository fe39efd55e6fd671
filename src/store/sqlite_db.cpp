#include "store/sqlite_db.h"

#include "common/utf8.h"
#include "store/statement_guard.h"

#include <sqlite3.h>

#include <memory>
#include <utility>

namespace store
{

namespace
{

struct StatementDeleter {
    void operator()(sqlite3_stmt *stmt) const noexcept { sqlite3_finalize(stmt); }
};
using StatementHandle = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

constexpr int openFlags = SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX; // 0x8041
constexpr int busyTimeoutMs = 3000;
constexpr int maxParameters = 32766;

// Enough to load the schema, which is where SQLite first reads the files.
constexpr const char *firstReadSql = "SELECT 1 FROM sqlite_master LIMIT 1";

// The SQLite result code of the first read on a fresh connection: SQLITE_OK when the schema
// could be read, else the extended code of the failure.
int firstReadCode(sqlite3 *db)
{
    sqlite3_stmt *raw = nullptr;
    startStatementClock();
    const int prepared = sqlite3_prepare_v2(db, firstReadSql, -1, &raw, nullptr);
    const StatementHandle stmt(raw);
    if (prepared != SQLITE_OK)
        return sqlite3_extended_errcode(db);
    const int stepped = sqlite3_step(raw);
    if (stepped == SQLITE_ROW || stepped == SQLITE_DONE)
        return SQLITE_OK;
    return sqlite3_extended_errcode(db);
}

// RFC 3986 path characters: unreserved, sub-delims, ':' and '@', plus '/' between segments.
bool allowedInUrlPath(unsigned char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    switch (c) {
    case '-':
    case '.':
    case '_':
    case '~':
    case '!':
    case '$':
    case '&':
    case '\'':
    case '(':
    case ')':
    case '*':
    case '+':
    case ',':
    case ';':
    case '=':
    case ':':
    case '@':
    case '/':
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

bool Statement::isInteger(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_INTEGER;
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
    if (const int guarded = guardConnection(raw); guarded != SQLITE_OK)
        return common::failure(Failure::open(guarded, sqlite3_errmsg(raw)));
    sqlite3_busy_timeout(raw, busyTimeoutMs);
    // A statement with more parameters than this fails to prepare, as with SQLite's default
    // build. Debian's allows 250,000, and beyond about 46,000 chat ids the planner turns the
    // message query around into a scan that takes hours; a clean refusal is better.
    sqlite3_limit(raw, SQLITE_LIMIT_VARIABLE_NUMBER, maxParameters);
    return db;
}

common::Result<SQLiteDB, SQLiteDB::Failure> SQLiteDB::open(const std::filesystem::path &path,
                                                           std::shared_ptr<const void> keepAlive)
{
    auto db = openConnection(path);
    RETURN_IF_FAILED(db);
    return SQLiteDB(std::move(*db), std::move(keepAlive));
}

common::Result<SQLiteDB, SQLiteDB::Failure>
SQLiteDB::openThroughVfs(const std::string &name, const char *vfs, std::shared_ptr<const void> keepAlive)
{
    auto db = openConnection(name, vfs);
    RETURN_IF_FAILED(db);
    // Both before the first read: the locking mode decides where a log's index lives.
    char *error = nullptr;
    const int rc =
        sqlite3_exec(db->get(), "PRAGMA locking_mode=EXCLUSIVE; PRAGMA temp_store=MEMORY;", nullptr, nullptr, &error);
    const std::string message = error != nullptr ? error : "";
    sqlite3_free(error);
    if (rc != SQLITE_OK)
        return common::failure(Failure::open(rc, message));
    // A first read that fails (not a database, damage) is left to the queries, which report it.
    (void)firstReadCode(db->get());
    SQLiteDB opened(std::move(*db), std::move(keepAlive));
    opened.m_vfs = vfs;
    opened.m_name = name;
    return opened;
}

common::Result<SQLiteDB, SQLiteDB::Failure> SQLiteDB::openAnother() const
{
    if (m_vfs == nullptr)
        return common::failure(Failure::open(SQLITE_MISUSE, "a connection through SQLite's shared path has no twin"));
    return openThroughVfs(m_name, m_vfs, m_keepAlive);
}

SQLiteDB &SQLiteDB::operator=(SQLiteDB &&other) noexcept
{
    if (this != &other) {
        m_db.reset();
        m_keepAlive = std::move(other.m_keepAlive);
        m_db = std::move(other.m_db);
        m_vfs = std::exchange(other.m_vfs, nullptr);
        m_name = std::move(other.m_name);
    }
    return *this;
}

void SQLiteDB::Closer::operator()(sqlite3 *db) const noexcept
{
    sqlite3_close(db);
}

common::Result<void, SQLiteDB::Failure>
SQLiteDB::execute(std::string_view sql, const std::vector<Parameter> &parameters, const RowCallback &onRow)
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
    startStatementClock();
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
        std::string message = rc == SQLITE_INTERRUPT ? "the query was ended: it ran past "
                + std::to_string(statementDeadline.count()) + " seconds, or the work was stopped"
                                                     : sqlite3_errmsg(m_db.get());
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
