#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

struct sqlite3;

namespace testsupport
{

// The real layouts of the Messages database, as shipped in tests/data.
enum class Schema {
    Recent, // current macOS: message has date_retracted and date_edited
    Old, // 2017-era layout, without those two columns
    Ios10, // iOS 10 / macOS 10.12: no thread or CloudKit columns, dates in seconds
    OsX1011, // OS X 10.11 and iOS 9: no associated_message_type or balloon_bundle_id
    Ios8, // iOS 8: as iOS 9 but for two chat columns nothing reads
    Ios7, // iOS 7: no item_type or is_audio_message either
    Ios6, // iOS 6: no chat.display_name either
    Ios5Madrid, // iOS 5 and earlier: msg_group and madrid_ columns, no chat or handle tables
};

struct Blob {
    std::string bytes;
};
struct Null {};

// One column value for an insert; plain text and integers convert implicitly.
using Value = std::variant<Null, std::int64_t, double, std::string, Blob>;
using Columns = std::vector<std::pair<std::string, Value>>;

// The SQL text of a schema file.
std::string schemaSql(Schema schema);

// Builds a Messages database as a real SQLite file on disk, row by row, with columns given by
// name, so that each test reads like its scenario. Like a Mac's chat.db, it is in write-ahead-log
// mode, and the rows added stay in its -wal. Every insert fills the NOT NULL columns the
// real schema demands (guids, services) unless the test names them. Fails the test on SQL errors.
class MessagesFixture
{
public:
    MessagesFixture(std::filesystem::path file, Schema schema = Schema::Recent);
    ~MessagesFixture();
    MessagesFixture(const MessagesFixture &) = delete;
    MessagesFixture &operator=(const MessagesFixture &) = delete;

    const std::filesystem::path &path() const { return m_path; }

    // Inserts one row into any table; returns its ROWID.
    std::int64_t insert(const std::string &table, const Columns &columns);

    std::int64_t addHandle(const std::string &id, const std::string &service = "iMessage");

    // A chat with its participants. Style 45 is one-to-one, 43 a group.
    std::int64_t addChat(const std::string &identifier,
                         std::int64_t style,
                         const std::vector<std::int64_t> &handles = {},
                         const Columns &more = {});

    // A message joined to the given chats. Common columns: date, is_from_me, text,
    // attributedBody, handle_id, item_type, associated_message_type, cache_has_attachments, ...
    std::int64_t addMessage(const std::vector<std::int64_t> &chats, const Columns &columns);

    void join(std::int64_t chat, std::int64_t handle);
    void exec(const std::string &sql);

    // Closes the connection so that the files are complete on disk and unlocked: the database,
    // its -wal with every row added since the schema, and a -shm that nobody holds. Further calls
    // reopen it.
    void close();

private:
    sqlite3 *connection();

    std::filesystem::path m_path;
    sqlite3 *m_db = nullptr;
    std::int64_t m_nextGuid = 1;
};

// Copies a closed database to `to` with its -wal, if it has one, as a person copies a Messages
// folder (the -shm is left out: nobody holds it).
void copyDatabase(const std::filesystem::path &from, const std::filesystem::path &to);

// Stored dates: seconds or nanoseconds since 2001-01-01 00:00:00 UTC.
constexpr std::int64_t appleEpochOffset = 978307200;
constexpr std::int64_t appleSeconds(std::int64_t unixSeconds)
{
    return unixSeconds - appleEpochOffset;
}
constexpr std::int64_t appleNanoseconds(std::int64_t unixSeconds)
{
    return (unixSeconds - appleEpochOffset) * 1000000000LL;
}

} // namespace testsupport
