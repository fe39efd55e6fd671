#pragma once

#include "common/result.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace store
{

// The current row of a running statement, handed to `SQLiteDB::execute`'s row callback. Valid
// only during that callback: SQLite reuses the column buffers on the next step, so a view
// from `textView` or `bytesView` must be copied before the callback returns.
class Statement
{
public:
    explicit Statement(sqlite3_stmt &stmt)
        : m_stmt(&stmt)
    {
    }

    // NULL reads as 0.
    [[nodiscard]] std::int64_t integer(int column) const;
    // NULL reads as the empty text; ill-formed UTF-8 sequences become U+FFFD.
    [[nodiscard]] std::string text(int column) const;
    // The column's raw bytes as text, unrepaired; empty for NULL.
    [[nodiscard]] std::string_view textView(int column) const;
    // No bytes for NULL, a zero length or a null data pointer; otherwise exactly that many.
    [[nodiscard]] std::string bytes(int column) const;
    [[nodiscard]] std::string_view bytesView(int column) const;
    [[nodiscard]] bool isNull(int column) const;
    // True for an integer value (not a real, a text, a blob or NULL).
    [[nodiscard]] bool isInteger(int column) const;

private:
    sqlite3_stmt *m_stmt;
};

// A value bound to a statement parameter. Anything that is neither integer nor text binds NULL.
using Parameter = std::variant<std::monostate, std::int64_t, std::string>;

// What a row callback tells `execute`: read on, or stop here (not an error; a callback that
// fails keeps its own reason and returns Stop).
enum class RowFlow {
    Continue,
    Stop,
};

// The only place that talks to SQLite: one connection to a database, opened strictly read-only,
// running prepared statements and handing each row to a callback. No writes, no transactions,
// no statement cache. Used by one thread at a time.
class SQLiteDB
{
public:
    struct Failure {
        enum class Kind {
            Open, // the connection could not be opened
            Prepare, // the SQL could not be prepared (a missing table or column, say)
            Step, // the database failed part-way through the rows (corruption, I/O, busy, memory)
        };
        Kind kind = Kind::Open;
        int code = 0; // SQLite's result code (0 for a prepare failure)
        std::string message;

        static Failure open(int code, std::string message) { return {Kind::Open, code, std::move(message)}; }
        static Failure prepare(std::string message) { return {Kind::Prepare, 0, std::move(message)}; }
        static Failure step(int code, std::string message) { return {Kind::Step, code, std::move(message)}; }
    };

    using RowCallback = std::function<RowFlow(const Statement &)>;

    // Opens `path` read-only through a "file:" URI with "?mode=ro": SQLite's own read-only open,
    // which shares the database with other connections through its -wal and -shm files and may
    // create or change those beside it. MessagesStore::open decides when that is needed.
    // `keepAlive` is released only after the connection has closed. Fails with Open; a database
    // that cannot be read is left to the queries, which report it.
    [[nodiscard]] static common::Result<SQLiteDB, Failure> open(const std::filesystem::path &path,
                                                                std::shared_ptr<const void> keepAlive = {});

    // Opens the database known as `name` to the SQLite VFS registered as `vfs`, read-only and
    // (such a VFS creates nothing). The connection holds the database
    // exclusively, so that SQLite keeps a write-ahead log's index in memory instead of a -shm
    // file, and keeps temporary data in memory too. `keepAlive` (whatever the VFS needs to find
    // the files) is released only after the connection has closed. Fails with Open.
    [[nodiscard]] static common::Result<SQLiteDB, Failure>
    openThroughVfs(const std::string &name, const char *vfs, std::shared_ptr<const void> keepAlive);

    // Prepares `sql`, binds `parameters` to ?1, ?2, ... in order, and calls `onRow` for each
    // result row until the rows end or the callback says Stop. Fails with Prepare, or with Step
    // when SQLite reports an error instead of the next row: the rows already handed out must
    // then be taken as incomplete. The statement is finalized on every path.
    [[nodiscard]] common::Result<void, Failure>
    execute(std::string_view sql, const std::vector<Parameter> &parameters, const RowCallback &onRow);

    // True when openAnother() can give a second connection: for a connection opened through a VFS.
    // A connection through SQLite's shared path has none, because two such connections may read
    // the database at different moments of a writer's work.
    [[nodiscard]] bool canOpenAnother() const { return m_vfs != nullptr; }

    // Another connection to the same database, opened as this one was (same VFS, same name, the
    // same things kept alive), for reading it on another thread. May be called from any thread
    // while this connection is in use. Fails with Open, also when canOpenAnother() is false.
    [[nodiscard]] common::Result<SQLiteDB, Failure> openAnother() const;

    // The "file:" URI under which a path is opened.
    [[nodiscard]] static std::string uriFor(const std::filesystem::path &path);

    [[nodiscard]] sqlite3 *handle() const { return m_db.get(); }

    SQLiteDB(SQLiteDB &&) noexcept = default;
    // Closes this connection before releasing what it kept alive.
    SQLiteDB &operator=(SQLiteDB &&other) noexcept;
    SQLiteDB(const SQLiteDB &) = delete;
    SQLiteDB &operator=(const SQLiteDB &) = delete;
    ~SQLiteDB() = default;

private:
    struct Closer {
        void operator()(sqlite3 *db) const noexcept;
    };
    using Handle = std::unique_ptr<sqlite3, Closer>;

    explicit SQLiteDB(Handle db, std::shared_ptr<const void> keepAlive = {})
        : m_keepAlive(std::move(keepAlive))
        , m_db(std::move(db))
    {
    }

    static common::Result<Handle, Failure> openConnection(const std::filesystem::path &path, const char *vfs = nullptr);

    // Declared before the connection so that it is destroyed after it: a VFS's files stay
    // findable, and a shared use stays counted, while the connection lives.
    std::shared_ptr<const void> m_keepAlive;
    Handle m_db; // closed when the object goes
    // How a connection through a VFS was opened, for openAnother(); no VFS for SQLite's own open.
    const char *m_vfs = nullptr;
    std::string m_name;
};

// What a failure says in English, for diagnostics (never shown as is in the window).
[[nodiscard]] std::string describe(const SQLiteDB::Failure &failure);

} // namespace store
