#include "store/sqlite_db.h"

#include "support/messages_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

using store::Parameter;
using store::RowFlow;
using store::SQLiteDB;
using store::Statement;
using testsupport::TempDir;

namespace
{

std::filesystem::path makeDatabase(const std::filesystem::path &file, const std::string &sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open(file.c_str(), &db);
    char *error = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
    return file;
}

} // namespace

TEST(SQLiteDB, UriPercentEncodesSpacesAndUriSyntaxButKeepsSlashes)
{
    EXPECT_EQ(SQLiteDB::uriFor("/home/Anna Smith/Library/Messages/chat.db"),
              "file:/home/Anna%20Smith/Library/Messages/chat.db?mode=ro");
    // '?' and '#' would end the path part of the URI, '%' would start an escape.
    EXPECT_EQ(SQLiteDB::uriFor("/tmp/a?b#c%d"), "file:/tmp/a%3Fb%23c%25d?mode=ro");
    EXPECT_EQ(SQLiteDB::uriFor("/tmp/caf\xC3\xA9.db"), "file:/tmp/caf%C3%A9.db?mode=ro");
}

TEST(SQLiteDB, OpensDatabaseInFolderWhoseNameHasSpaceAndQuestionMark)
{
    const TempDir dir;
    const auto folder = dir / "Anna Smith ? #1";
    std::filesystem::create_directories(folder);
    makeDatabase(folder / "chat.db", "CREATE TABLE t(x); INSERT INTO t VALUES (7);");

    auto db = SQLiteDB::open(folder / "chat.db");
    ASSERT_TRUE(db) << db.error().message;
    std::int64_t value = 0;
    auto run = db->execute("SELECT x FROM t", {}, [&](const Statement &row) {
        value = row.integer(0);
        return RowFlow::Continue;
    });

    ASSERT_TRUE(run);
    EXPECT_EQ(value, 7);
}

TEST(SQLiteDB, MissingFileFailsToOpenWithSqliteCodeAndCreatesNothing)
{
    const TempDir dir;

    auto db = SQLiteDB::open(dir / "absent.db");

    ASSERT_FALSE(db);
    EXPECT_EQ(db.error().kind, SQLiteDB::Failure::Kind::Open);
    EXPECT_EQ(db.error().code, SQLITE_CANTOPEN);
    EXPECT_FALSE(db.error().message.empty());
    EXPECT_TRUE(testsupport::folderEntries(dir.path()).empty());
}

TEST(SQLiteDB, ReadOnlyConnectionRefusesWrites)
{
    const TempDir dir;
    const auto file = makeDatabase(dir / "chat.db", "CREATE TABLE t(x);");
    auto db = SQLiteDB::open(file);
    ASSERT_TRUE(db);

    auto write = db->execute("INSERT INTO t VALUES (1)", {}, [](const Statement &) {
        return RowFlow::Continue;
    });

    ASSERT_FALSE(write);
    EXPECT_EQ(write.error().kind, SQLiteDB::Failure::Kind::Step);
    EXPECT_EQ(write.error().code & 0xFF, SQLITE_READONLY);
}

class SQLiteDBReadTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        makeDatabase(dir / "t.db",
                     "CREATE TABLE t(n INTEGER, s TEXT, b BLOB);"
                     "INSERT INTO t VALUES (NULL, NULL, NULL);"
                     "INSERT INTO t VALUES (5, 'five', x'');"
                     "INSERT INTO t VALUES (6, CAST(x'61ff62' AS TEXT), x'00ff10');");
        auto opened = SQLiteDB::open(dir / "t.db");
        ASSERT_TRUE(opened) << opened.error().message;
        db.emplace(std::move(*opened));
    }

    TempDir dir;
    std::optional<SQLiteDB> db;
};

TEST_F(SQLiteDBReadTest, NullsReadAsZeroEmptyTextAndNoBytes)
{
    std::vector<std::tuple<std::int64_t, std::string, std::string, bool>> rows;

    auto run = db->execute("SELECT n, s, b FROM t ORDER BY rowid", {}, [&](const Statement &row) {
        rows.emplace_back(row.integer(0), row.text(1), row.bytes(2), row.isNull(1));
        return RowFlow::Continue;
    });

    ASSERT_TRUE(run);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], std::make_tuple(std::int64_t{0}, std::string(), std::string(), true));
    EXPECT_EQ(rows[1], std::make_tuple(std::int64_t{5}, std::string("five"), std::string(), false));
    // Ill-formed UTF-8 in a text column reads with U+FFFD; blobs come back byte for byte.
    EXPECT_EQ(std::get<1>(rows[2]),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(std::get<2>(rows[2]), std::string("\x00\xff\x10", 3));
}

TEST_F(SQLiteDBReadTest, BindsIntegersTextAndNullInOrder)
{
    std::vector<std::string> seen;
    const std::vector<Parameter> parameters{std::int64_t{5}, std::string("five"), std::monostate{}};

    auto run =
        db->execute("SELECT ?1 = n, ?2 = s, ?3 IS NULL FROM t WHERE n = ?1", parameters, [&](const Statement &row) {
            seen.push_back(std::to_string(row.integer(0)) + std::to_string(row.integer(1))
                           + std::to_string(row.integer(2)));
            return RowFlow::Continue;
        });

    ASSERT_TRUE(run);
    EXPECT_EQ(seen, std::vector<std::string>{"111"});
}

TEST_F(SQLiteDBReadTest, EmptyResultCallsNothingAndSucceeds)
{
    int calls = 0;

    auto run = db->execute("SELECT n FROM t WHERE n > 100", {}, [&](const Statement &) {
        ++calls;
        return RowFlow::Continue;
    });

    EXPECT_TRUE(run);
    EXPECT_EQ(calls, 0);
}

TEST_F(SQLiteDBReadTest, PrepareFailureCarriesSqliteMessage)
{
    auto run = db->execute("SELECT x FROM nowhere", {}, [](const Statement &) {
        return RowFlow::Continue;
    });

    ASSERT_FALSE(run);
    EXPECT_EQ(run.error().kind, SQLiteDB::Failure::Kind::Prepare);
    EXPECT_NE(run.error().message.find("no such table"), std::string::npos) << run.error().message;
}

TEST_F(SQLiteDBReadTest, CallbackStopEndsEarlyAndLeavesNoStatementOpen)
{
    int calls = 0;

    auto run = db->execute("SELECT n FROM t", {}, [&](const Statement &) {
        ++calls;
        return RowFlow::Stop;
    });

    EXPECT_TRUE(run);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(sqlite3_next_stmt(db->handle(), nullptr), nullptr);
}

// A database damaged in the middle of a table: SQLite reports corruption part-way through the
// scan. That must come out as a failure, not as a shorter but "successful" result.
TEST(SQLiteDB, CorruptionPartWayThroughScanIsReportedAsStepFailure)
{
    const TempDir dir;
    const auto file = dir / "damaged.db";
    {
        std::string sql = "PRAGMA page_size=4096; CREATE TABLE m(id INTEGER PRIMARY KEY, text TEXT); BEGIN;";
        for (int i = 1; i <= 3000; ++i)
            sql += "INSERT INTO m VALUES (" + std::to_string(i) + ", 'MARKER-" + std::to_string(i) + "-"
                + std::string(200, 'x') + "');";
        sql += "COMMIT;";
        makeDatabase(file, sql);
    }
    // Find a leaf page of the table in the middle of the data and break its page type.
    std::string bytes = testsupport::readFile(file);
    const std::size_t pageSize = 4096;
    const std::size_t marker = bytes.find("MARKER-1500-");
    ASSERT_NE(marker, std::string::npos);
    const std::size_t page = marker / pageSize;
    ASSERT_EQ(static_cast<unsigned char>(bytes[page * pageSize]), 0x0D); // a table leaf page
    bytes[page * pageSize] = 0x00;
    testsupport::writeFile(file, bytes);
    auto db = SQLiteDB::open(file);
    ASSERT_TRUE(db);
    int rows = 0;

    auto run = db->execute("SELECT id, text FROM m ORDER BY id", {}, [&](const Statement &) {
        ++rows;
        return RowFlow::Continue;
    });

    ASSERT_FALSE(run);
    EXPECT_EQ(run.error().kind, SQLiteDB::Failure::Kind::Step);
    EXPECT_EQ(run.error().code & 0xFF, SQLITE_CORRUPT);
    EXPECT_GT(rows, 0);
    EXPECT_LT(rows, 1500);
    EXPECT_EQ(sqlite3_next_stmt(db->handle(), nullptr), nullptr);
}
