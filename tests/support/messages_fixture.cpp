#include "support/messages_fixture.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <stdexcept>
#include <string>

namespace testsupport
{

namespace
{

void check(sqlite3 *db, int rc, const std::string &what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        ADD_FAILURE() << what << ": " << sqlite3_errmsg(db);
        throw std::runtime_error(what + ": " + sqlite3_errmsg(db));
    }
}

bool hasColumn(const Columns &columns, const std::string &name)
{
    for (const auto &[key, value] : columns) {
        if (key == name)
            return true;
    }
    return false;
}

std::string schemaName(Schema schema)
{
    switch (schema) {
    case Schema::Recent:
        return "recent";
    case Schema::Old:
        return "old";
    case Schema::Ios10:
        return "ios10";
    case Schema::OsX1011:
        return "osx1011";
    case Schema::Ios8:
        return "ios8";
    case Schema::Ios7:
        return "ios7";
    case Schema::Ios6:
        return "ios6";
    case Schema::Ios5Madrid:
        return "ios5-madrid";
    }
    throw std::invalid_argument("no such schema");
}

} // namespace

std::string schemaSql(Schema schema)
{
    const std::filesystem::path dir(TOVIK_TEST_DATA_DIR);
    const auto file = dir / ("chatdb-schema-" + schemaName(schema) + ".sql");
    std::string sql = readFile(file);
    if (sql.empty())
        throw std::runtime_error("cannot read " + file.string());
    return sql;
}

MessagesFixture::MessagesFixture(std::filesystem::path file, Schema schema)
    : m_path(std::move(file))
{
    // In write-ahead-log mode, as every real Messages database: the schema in the file itself,
    // and the rows the test adds in the -wal, where a Mac keeps its latest messages. Test
    // databases need no durability; without syncs the schema takes milliseconds.
    exec("PRAGMA journal_mode=WAL; BEGIN;" + schemaSql(schema) + "COMMIT; PRAGMA wal_checkpoint(TRUNCATE);");
}

MessagesFixture::~MessagesFixture()
{
    close();
}

sqlite3 *MessagesFixture::connection()
{
    if (m_db == nullptr) {
        const int rc = sqlite3_open(m_path.c_str(), &m_db);
        check(m_db, rc, "open " + m_path.string());
        sqlite3_exec(m_db, "PRAGMA synchronous=OFF; PRAGMA wal_autocheckpoint=0;", nullptr, nullptr, nullptr);
    }
    return m_db;
}

void MessagesFixture::close()
{
    // The log stays as it is, beside the database, with its -shm: closing would otherwise
    // checkpoint it into the database and remove both.
    if (m_db != nullptr)
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_close(m_db);
    m_db = nullptr;
}

void MessagesFixture::exec(const std::string &sql)
{
    sqlite3 *db = connection();
    char *error = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    const std::string message = error != nullptr ? error : "";
    sqlite3_free(error);
    if (rc != SQLITE_OK) {
        ADD_FAILURE() << "exec failed: " << message;
        throw std::runtime_error(message);
    }
}

std::int64_t MessagesFixture::insert(const std::string &table, const Columns &columns)
{
    sqlite3 *db = connection();
    std::string names;
    std::string marks;
    for (const auto &[name, value] : columns) {
        names += (names.empty() ? "" : ", ") + name;
        marks += marks.empty() ? "?" : ", ?";
    }
    const std::string sql = columns.empty() ? "INSERT INTO " + table + " DEFAULT VALUES"
                                            : "INSERT INTO " + table + " (" + names + ") VALUES (" + marks + ")";
    sqlite3_stmt *stmt = nullptr;
    check(db, sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr), "prepare " + sql);
    int index = 1;
    for (const auto &[name, value] : columns) {
        if (const auto *i = std::get_if<std::int64_t>(&value))
            sqlite3_bind_int64(stmt, index, *i);
        else if (const auto *d = std::get_if<double>(&value))
            sqlite3_bind_double(stmt, index, *d);
        else if (const auto *s = std::get_if<std::string>(&value))
            sqlite3_bind_text(stmt, index, s->data(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
        else if (const auto *b = std::get_if<Blob>(&value))
            sqlite3_bind_blob(stmt, index, b->bytes.data(), static_cast<int>(b->bytes.size()), SQLITE_TRANSIENT);
        else
            sqlite3_bind_null(stmt, index);
        ++index;
    }
    const int rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    check(db, rc, "insert into " + table);
    return sqlite3_last_insert_rowid(db);
}

std::int64_t MessagesFixture::addHandle(const std::string &id, const std::string &service)
{
    return insert("handle", {{"id", id}, {"service", service}});
}

std::int64_t MessagesFixture::addChat(const std::string &identifier,
                                      std::int64_t style,
                                      const std::vector<std::int64_t> &handles,
                                      const Columns &more)
{
    Columns columns = more;
    if (!hasColumn(columns, "guid"))
        columns.emplace_back("guid", "chat-guid-" + std::to_string(m_nextGuid++));
    columns.emplace_back("chat_identifier", identifier);
    columns.emplace_back("style", style);
    const std::int64_t chat = insert("chat", columns);
    for (const std::int64_t handle : handles)
        join(chat, handle);
    return chat;
}

std::int64_t MessagesFixture::addMessage(const std::vector<std::int64_t> &chats, const Columns &columns)
{
    Columns all = columns;
    if (!hasColumn(all, "guid"))
        all.emplace_back("guid", "message-guid-" + std::to_string(m_nextGuid++));
    const std::int64_t message = insert("message", all);
    for (const std::int64_t chat : chats)
        insert("chat_message_join", {{"chat_id", chat}, {"message_id", message}});
    return message;
}

void MessagesFixture::join(std::int64_t chat, std::int64_t handle)
{
    insert("chat_handle_join", {{"chat_id", chat}, {"handle_id", handle}});
}

void copyDatabase(const std::filesystem::path &from, const std::filesystem::path &to)
{
    std::filesystem::copy_file(from, to);
    const std::filesystem::path log = from.native() + "-wal";
    if (std::filesystem::exists(log))
        std::filesystem::copy_file(log, to.native() + "-wal");
}

} // namespace testsupport
