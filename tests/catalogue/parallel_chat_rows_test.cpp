#include "catalogue/parallel_chat_rows.h"

#include "catalogue/conversations.h"
#include "sources/encrypted_backup.h"
#include "sources/message_source.h"
#include "support/backup_fixture.h"
#include "support/messages_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <limits>

using catalogue::ConnectionOpener;
using catalogue::ConnectionPlan;
using store::MessagesStore;
using store::SQLiteDB;
using testsupport::MessagesFixture;
using testsupport::Null;
using testsupport::TempDir;

namespace
{

// Every connection in use, and ranges of two join rows, so that every chat spans several ranges
// read by different connections.
constexpr ConnectionPlan everyConnection{3, 0, 2};
constexpr ConnectionPlan oneRanged{1, 0, 2};
// The one statement of a single connection, whatever the size.
constexpr ConnectionPlan oneStatement{1, std::numeric_limits<std::int64_t>::max(), 2};

// An opener that counts its calls and fails the `failing`th (from 1) with `failure`.
ConnectionOpener countingOpener(std::atomic<int> &calls, int failing = 0, SQLiteDB::Failure failure = {})
{
    return [&calls, failing, failure](MessagesStore &store) -> common::Result<SQLiteDB, SQLiteDB::Failure> {
        if (++calls == failing)
            return common::failure(failure);
        return store.db().openAnother();
    };
}

// chatRows on a fresh store of the database file: the rows as one connection reads them.
catalogue::ChatRowMap rowsOnOneConnection(const std::filesystem::path &db)
{
    auto store = MessagesStore::open(db);
    EXPECT_TRUE(store.has_value());
    auto rows = catalogue::chatRows(*store);
    EXPECT_TRUE(rows.has_value());
    return rows ? *rows : catalogue::ChatRowMap{};
}

} // namespace

class ParallelChatRowsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const auto maya = fixture.addHandle("+4915112345678");
        const auto ben = fixture.addHandle("ben@example.com");
        const auto one = fixture.addChat("+4915112345678", 45, {maya});
        const auto group = fixture.addChat("chat42", 43, {maya, ben}, {{"display_name", "Friends"}});
        odd = fixture.addChat("ben@example.com", 45, {ben});
        const auto reactionsOnly = fixture.addChat("+4915100000000", 45, {maya});
        for (std::int64_t i = 0; i < 40; ++i) {
            const std::int64_t date = testsupport::appleNanoseconds(1'700'000'000 + i * 3600);
            // Dates missing from whole ranges, and the earliest and latest in different ranges.
            fixture.addMessage({one}, {{"date", i % 7 < 3 ? testsupport::Value(Null{}) : date}});
            fixture.addMessage({i % 3 == 0 ? group : one},
                               {{"date", date - 5}, {"associated_message_type", i % 5 == 0 ? 2000 : 0}});
            fixture.addMessage({reactionsOnly}, {{"date", date}, {"associated_message_type", 3000}});
        }
        fixture.addMessage({one, group}, {{"date", testsupport::appleNanoseconds(1'800'000'000)}});
    }

    // The database file, its backup and its encrypted backup.
    std::vector<sources::MessageSource> everySource()
    {
        fixture.close();
        std::vector<sources::MessageSource> all;
        all.push_back(*sources::openSource(db));
        testsupport::makeBackup(dir / "plain", {db, std::filesystem::path(db.native() + "-wal"), std::nullopt});
        all.push_back(*sources::openSource(dir / "plain"));
        backup::BackupOptions options;
        options.encryption = backup::Encryption{};
        testsupport::makeBackup(dir / "locked", {db, std::filesystem::path(db.native() + "-wal"), std::nullopt},
                                options);
        all.push_back(*sources::unlockBackup(sources::readBackupInfo(dir / "locked"), backup::Encryption{}.password));
        return all;
    }

    TempDir dir;
    std::filesystem::path db = dir / "chat.db";
    MessagesFixture fixture{db};
    std::int64_t odd = 0;
};

TEST_F(ParallelChatRowsTest, EverySourceGivesTheSameRowsAndListAsOneConnection)
{
    const auto expected = rowsOnOneConnection(db);
    std::optional<std::vector<catalogue::Conversation>> firstList;

    for (const auto &source : everySource()) {
        std::atomic<int> opened{0};
        auto store = source.openStore();
        ASSERT_TRUE(store.has_value());

        const auto rows = catalogue::chatRowsInParallel(*store, countingOpener(opened), everyConnection);
        const auto list = catalogue::loadConversations(*store, countingOpener(opened), {}, everyConnection);
        const auto today = catalogue::loadConversations(*store, countingOpener(opened), {}, oneStatement);
        const auto rangesAlone = catalogue::chatRowsInParallel(*store, countingOpener(opened), oneRanged);

        ASSERT_TRUE(rows.has_value()) << store::describe(rows.error());
        EXPECT_EQ(*rows, expected);
        ASSERT_TRUE(rangesAlone.has_value());
        EXPECT_EQ(*rangesAlone, *rows);
        EXPECT_EQ(opened, 4); // two more connections for each read on three, none for one
        ASSERT_TRUE(list.has_value() && today.has_value());
        EXPECT_EQ(*list, *today);
        if (!firstList)
            firstList = *list;
        EXPECT_EQ(*list, *firstList);
    }
    ASSERT_EQ(firstList->size(), 2u);
    EXPECT_EQ(firstList->front().count, 62);
}

TEST_F(ParallelChatRowsTest, ValuesMessagesNeverStoresCountAsOnOneConnection)
{
    // SQLite orders a text date above every number, and groups a NULL chat apart.
    fixture.addMessage({odd}, {{"date", 5}});
    fixture.addMessage({odd}, {{"date", "soon"}});
    fixture.addMessage({odd}, {{"date", 2.5}});
    fixture.exec("INSERT INTO chat_message_join (chat_id, message_id) VALUES (NULL, 1)");

    for (const auto &source : everySource()) {
        std::atomic<int> opened{0};
        auto store = source.openStore();
        const auto rows = catalogue::chatRowsInParallel(*store, countingOpener(opened), everyConnection);

        ASSERT_TRUE(rows.has_value());
        EXPECT_EQ(*rows, rowsOnOneConnection(db));
        EXPECT_EQ(rows->at(odd).count, 3);
    }
}

TEST_F(ParallelChatRowsTest, AFailureOnAnyConnectionFailsTheWholeRead)
{
    fixture.close();
    auto store = MessagesStore::open(db);
    std::atomic<int> calls{0};
    const auto cannotOpen = catalogue::loadConversations(
        *store, countingOpener(calls, 2, SQLiteDB::Failure::open(14, "no second connection")), {}, everyConnection);
    ASSERT_FALSE(cannotOpen.has_value());
    EXPECT_EQ(cannotOpen.error().message, "no second connection");

    // A connection on which the count cannot be prepared.
    const auto empty = dir / "empty.db";
    MessagesFixture(empty).exec("DROP TABLE chat_message_join");
    const ConnectionOpener elsewhere = [&](MessagesStore &) {
        return SQLiteDB::open(empty);
    };
    const auto cannotCount = catalogue::chatRowsInParallel(*store, elsewhere, everyConnection);
    ASSERT_FALSE(cannotCount.has_value());
    EXPECT_EQ(cannotCount.error().kind, SQLiteDB::Failure::Kind::Prepare);
}

TEST_F(ParallelChatRowsTest, ADatabaseReadThroughSQLitesSharedPathStaysOnOneConnection)
{
    fixture.close();
    auto shared = MessagesStore::over(*SQLiteDB::open(db));
    std::atomic<int> opened{0};

    const auto rows = catalogue::chatRowsInParallel(shared, countingOpener(opened), everyConnection);

    ASSERT_TRUE(rows.has_value());
    EXPECT_EQ(*rows, rowsOnOneConnection(db));
    EXPECT_EQ(opened, 0);
}
