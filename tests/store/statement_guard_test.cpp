#include "store/statement_guard.h"

#include "store/sqlite_db.h"
#include "store/table_check.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

using store::SQLiteDB;
using testsupport::TempDir;

namespace
{

constexpr const char *endless = "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n) ";

std::filesystem::path makeDatabase(const std::filesystem::path &file, const std::string &sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open(file.c_str(), &db);
    EXPECT_EQ(sqlite3_exec(db, ("PRAGMA journal_mode=WAL;" + sql).c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close(db);
    return file;
}

common::Result<void, SQLiteDB::Failure> run(SQLiteDB &db, const std::string &sql)
{
    return db.execute(sql, {}, [](const store::Statement &) {
        return store::RowFlow::Continue;
    });
}

} // namespace

TEST(StatementGuard, AViewOverAnEndlessQueryIsRefusedAndNamed)
{
    TempDir dir;
    const auto file = makeDatabase(dir / "Manifest.db",
                                   "CREATE TABLE Real(x); CREATE VIEW Files AS " + std::string(endless)
                                       + "SELECT x AS fileID, x AS domain, x AS relativePath FROM n;");
    auto db = SQLiteDB::open(file);
    ASSERT_TRUE(db.has_value());
    const auto read = run(*db, "SELECT fileID FROM Files WHERE domain = 'HomeDomain'");
    ASSERT_FALSE(read.has_value());
    EXPECT_EQ(read.error().kind, SQLiteDB::Failure::Kind::Prepare);
    const auto checked = store::requireTables(*db, {"Real", "files"});
    ASSERT_FALSE(checked.has_value());
    EXPECT_EQ(checked.error().message, "files is a view, not a table");
    EXPECT_EQ(store::requireTables(*db, {"Absent"}).error().message, "Absent is missing");
    EXPECT_TRUE(store::requireTables(*db, {"real"}).has_value());
}

TEST(StatementGuard, AStatementEndsWhenItsWorkIsStopped)
{
    TempDir dir;
    auto db = SQLiteDB::open(makeDatabase(dir / "any.db", "CREATE TABLE t(x);"));
    ASSERT_TRUE(db.has_value());
    std::stop_source stop;
    stop.request_stop();
    {
        const store::StatementCancelScope scope(stop.get_token());
        const auto read = run(*db, std::string(endless) + "SELECT count(*) FROM n");
        ASSERT_FALSE(read.has_value());
        EXPECT_EQ(read.error().code, SQLITE_INTERRUPT);
        EXPECT_NE(read.error().message.find("ended"), std::string::npos);
    }
    // Outside the scope statements run again.
    EXPECT_TRUE(run(*db, std::string(endless) + "SELECT x FROM n LIMIT 100000").has_value());
}
