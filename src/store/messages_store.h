#pragma once

#include "store/live_database.h"
#include "store/sqlite_db.h"

#include <bitset>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace store
{

// A column the queries read that databases of some ages lack (see MessagesStore::select).
enum class OptionalColumn {
    ChatIdentifier, // chat.chat_identifier
    DisplayName, // chat.display_name: from iOS 7
    Style, // chat.style
    AttributedBody, // message.attributedBody
    CacheHasAttachments, // message.cache_has_attachments
    IsAudioMessage, // message.is_audio_message: from iOS 8
    BalloonBundleId, // message.balloon_bundle_id: from iOS 10
    ItemType, // message.item_type: from iOS 8
    AssociatedMessageType, // message.associated_message_type: from iOS 10
    DateRetracted, // message.date_retracted: from macOS 13
    DateEdited, // message.date_edited: from macOS 13
};

// The Messages database as the catalogue and the export read it: one read-only connection plus
// which of the optional columns its tables have, so that every query reads a missing one as its
// neutral value. One store serves one load or one export and is then dropped; it is never shared
// between threads.
//
// A database file is read so that nothing beside it is created or changed, not even an existing
// -shm. Two paths:
//   - Private (the rule): through the read-only VFS (see readOnlyVfs), which reads the file and
//     its own -wal and nothing else. The log is never created or deleted: a missing one is an
//     empty log, and the log of a database without pages is ignored, as SQLite ignores it. The
//     log's index lives in this connection's memory, and the messages in the log count.
//   - Shared (a live database only): when another connection has the database open (Messages on
//     a Mac, or any program writing it; see hasLiveConnection), SQLite's shared-memory protocol is
//     the only consistent way to read it while it changes, so SQLite's own read-only open is used
//     (SQLiteDB::open), once the -wal and -shm are known to be regular files or absent. That
//     connection may create or change the -wal and -shm beside the database, as any reader of a
//     live database does.
// A private read sees the files as they were when it began and cannot notice a writer that
// arrives later. So the database's and the -wal's stamps (size, modification time) are taken
// before it opens, and after a read (see readConsistently) they are taken again and the database
// probed again: when anything changed or a writer appeared, what was read is discarded and read
// again, through the shared path when the writer is still there.
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

    // Opens the database file at `path` through the private or the shared path (see above) and
    // probes `chat` and `message` for the optional columns. Fails with the open failure; no
    // half-built store survives.
    [[nodiscard]] static common::Result<MessagesStore, SQLiteDB::Failure> open(const std::filesystem::path &path);

    // The same over a connection opened by other means (SQLiteDB::openThroughVfs, say).
    [[nodiscard]] static MessagesStore over(SQLiteDB db);

    // Runs `read` (store -> Result<T, SQLiteDB::Failure>) and keeps its result only when it stands:
    // always for a store opened by other means or through the shared path; for a private read,
    // when the database stayed as it was opened and no writer appeared. Otherwise the store is
    // opened again, as open() would, and `read` runs again, at most maxReads times in all; then it
    // fails with Step, as a database that kept changing.
    template<typename Read>
    [[nodiscard]] auto readConsistently(Read &&read) -> std::invoke_result_t<Read &, MessagesStore &>
    {
        for (int attempt = 1;; ++attempt) {
            auto result = read(*this);
            auto stands = confirmRead(attempt == maxReads);
            if (!stands)
                return common::failure(std::move(stands.error()));
            if (*stands)
                return result;
        }
    }

    // True when this store reads its database through the private path.
    [[nodiscard]] bool readsPrivately() const { return m_watch.has_value(); }

    // True when `table` has a column named exactly `column`. Never fails: any error reads as false.
    [[nodiscard]] bool hasColumn(std::string_view table, std::string_view column);

    // The columns without which the database is no Messages database that the queries can read,
    // as "table.column" in a fixed order; empty when it has them all (or lacks their tables: see
    // missingMessagesTables). A column counts by its exact name; ROWID also as the table's own.
    [[nodiscard]] std::vector<std::string> missingBaseColumns();

    // True when the database has the layout of iOS 5 and earlier: the messages in `message`
    // with madrid_ columns (iMessage) or conversations in msg_group, which the queries cannot read.
    [[nodiscard]] bool hasOldestLayout();

    SQLiteDB &db() { return m_db; }
    [[nodiscard]] bool has(OptionalColumn column) const;
    [[nodiscard]] bool hasRetracted() const { return has(OptionalColumn::DateRetracted); }
    [[nodiscard]] bool hasEdited() const { return has(OptionalColumn::DateEdited); }

    // What a query selects for `column`: the column (NULL coalesced to its neutral value where
    // the queries always did so) when the database has it, else that neutral value as a constant.
    // Columns of `message` are named through the alias m, those of `chat` without one.
    [[nodiscard]] std::string_view select(OptionalColumn column) const;

    // The filter that keeps the messages a conversation counts and exports: ordinary items, without
    // reactions, stickers and other messages attached to another one. Shared word for word by the
    // catalogue's count queries and the export's message query, so both select the same messages;
    // a database without item_type or associated_message_type has only ordinary, unattached ones.
    [[nodiscard]] std::string countableFilter() const;

    static constexpr int maxReads = 4;

private:
    // A private read's database and its stamp before it opened.
    struct Watch {
        std::filesystem::path path;
        DatabaseStamp stamp;
    };

    [[nodiscard]] static common::Result<MessagesStore, SQLiteDB::Failure>
    openPrivate(const std::filesystem::path &path);
    [[nodiscard]] static common::Result<MessagesStore, SQLiteDB::Failure> openShared(const std::filesystem::path &path);
    // True when what was read stands. Otherwise the store is opened again and this is false, or
    // on the `last` attempt a failure.
    [[nodiscard]] common::Result<bool, SQLiteDB::Failure> confirmRead(bool last);

    explicit MessagesStore(SQLiteDB db)
        : m_db(std::move(db))
    {
    }

    [[nodiscard]] std::set<std::string, std::less<>> columnsOf(std::string_view table);

    SQLiteDB m_db;
    std::bitset<static_cast<std::size_t>(OptionalColumn::DateEdited) + 1> m_columns; // by OptionalColumn
    std::optional<Watch> m_watch; // private reads only
};

} // namespace store
