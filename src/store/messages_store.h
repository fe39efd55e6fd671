#pragma once

#include "store/sqlite_db.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace store
{

// The Messages database as the catalogue and the export read it: one read-only connection plus
// the two optional columns of `message` that the export query depends on. One store serves one
// load or one export and is then dropped; it is never shared between threads.
class MessagesStore
{
public:
    // One chat with its raw participants, countable-message count and raw date range, alive
    // only during a load.
    struct ChatRow {
        std::string identifier;
        std::string name;
        std::int64_t style = 0;
        std::vector<std::string> handles;
        std::int64_t count = 0;
        std::int64_t first = 0;
        std::int64_t last = 0;

        bool operator==(const ChatRow &) const = default;
    };

    // Opens the database and probes `message` for date_retracted and date_edited. Fails with
    // the open failure; no half-built store survives.
    [[nodiscard]] static common::Result<MessagesStore, SQLiteDB::Failure> open(const std::filesystem::path &path);

    // The same over a connection opened by other means (SQLiteDB::openThroughVfs, say).
    [[nodiscard]] static MessagesStore over(SQLiteDB db);

    // True when `table` has a column named exactly `column`. Never fails: any error reads as false.
    [[nodiscard]] bool hasColumn(std::string_view table, std::string_view column);

    SQLiteDB &db() { return m_db; }
    [[nodiscard]] bool hasRetracted() const { return m_hasRetracted; }
    [[nodiscard]] bool hasEdited() const { return m_hasEdited; }

private:
    explicit MessagesStore(SQLiteDB db)
        : m_db(std::move(db))
    {
    }

    SQLiteDB m_db;
    bool m_hasRetracted = false;
    bool m_hasEdited = false;
};

// The filter that keeps the messages a conversation counts and exports: ordinary items, without
// reactions, stickers and other messages attached to another one. Shared word for word by the
// catalogue's count query and the export's message query, so both select the same messages.
inline constexpr std::string_view countableMessageFilter =
    "m.item_type = 0 AND COALESCE(m.associated_message_type, 0) NOT BETWEEN 1000 AND 3999";

} // namespace store
