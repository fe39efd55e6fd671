#include "store/messages_store.h"

#include "support/messages_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

using store::MessagesStore;
using testsupport::MessagesFixture;
using testsupport::Schema;
using testsupport::TempDir;

namespace
{

void makeDatabase(const std::filesystem::path &file, const std::string &sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open(file.c_str(), &db);
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

} // namespace

TEST(MessagesStore, RecentSchemaHasBothOptionalColumns)
{
    const TempDir dir;
    MessagesFixture(dir / "chat.db", Schema::Recent).close();

    auto opened = MessagesStore::open(dir / "chat.db");

    ASSERT_TRUE(opened) << opened.error().message;
    EXPECT_TRUE(opened->hasRetracted());
    EXPECT_TRUE(opened->hasEdited());
}

TEST(MessagesStore, OldSchemaHasNeitherOptionalColumn)
{
    const TempDir dir;
    MessagesFixture(dir / "chat.db", Schema::Old).close();

    auto opened = MessagesStore::open(dir / "chat.db");

    ASSERT_TRUE(opened);
    EXPECT_FALSE(opened->hasRetracted());
    EXPECT_FALSE(opened->hasEdited());
}

TEST(MessagesStore, ProbesEachColumnOnItsOwnAndByExactCase)
{
    const TempDir dir;
    makeDatabase(dir / "chat.db",
                 "CREATE TABLE message(ROWID INTEGER PRIMARY KEY, date_edited INTEGER, DATE_RETRACTED INTEGER);");

    auto opened = MessagesStore::open(dir / "chat.db");

    ASSERT_TRUE(opened);
    EXPECT_TRUE(opened->hasEdited());
    EXPECT_FALSE(opened->hasRetracted());
    EXPECT_FALSE(opened->hasColumn("message", "Date_Edited"));
}

TEST(MessagesStore, DatabaseWithoutMessageTableOpensWithBothFlagsFalse)
{
    const TempDir dir;
    makeDatabase(dir / "chat.db", "CREATE TABLE chat(ROWID INTEGER PRIMARY KEY);");

    auto opened = MessagesStore::open(dir / "chat.db");

    ASSERT_TRUE(opened);
    EXPECT_FALSE(opened->hasRetracted());
    EXPECT_FALSE(opened->hasEdited());
}

TEST(MessagesStore, NonDatabaseFileFailsCleanly)
{
    const TempDir dir;
    testsupport::writeFile(dir / "chat.db", std::string(8192, 'x'));

    auto opened = MessagesStore::open(dir / "chat.db");

    // SQLite opens lazily; the probe is where it first reads. Either way the store is unusable
    // and reports no columns rather than crashing.
    if (opened) {
        EXPECT_FALSE(opened->hasRetracted());
        EXPECT_FALSE(opened->hasEdited());
    } else {
        EXPECT_EQ(opened.error().kind, store::SQLiteDB::Failure::Kind::Open);
    }
}

TEST(MessagesStore, ReadingLeavesDatabaseBytesAndFolderUntouched)
{
    const TempDir dir;
    {
        MessagesFixture fixture(dir / "chat.db", Schema::Recent);
        const auto chat = fixture.addChat("+15551234567", 45, {fixture.addHandle("+15551234567")});
        fixture.addMessage({chat}, {{"text", "hello"}, {"date", testsupport::appleNanoseconds(1700000000)}});
    }
    const std::string before = testsupport::readFile(dir / "chat.db");
    const auto entriesBefore = testsupport::folderEntries(dir.path());

    {
        auto opened = MessagesStore::open(dir / "chat.db");
        ASSERT_TRUE(opened);
        int rows = 0;
        auto run =
            opened->db().execute("SELECT * FROM message JOIN chat_message_join", {}, [&](const store::Statement &) {
                ++rows;
                return store::RowFlow::Continue;
            });
        ASSERT_TRUE(run);
        EXPECT_EQ(rows, 1);
    }

    EXPECT_EQ(testsupport::readFile(dir / "chat.db"), before);
    EXPECT_EQ(testsupport::folderEntries(dir.path()), entriesBefore); // no -journal, -wal or -shm appeared
}
