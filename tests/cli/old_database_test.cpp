// tovik-export on databases of old iPhones: an iOS 6 one lists and exports by id, an iOS 5 one and
// one without a column every Messages database has are refused in plain words.
#include "cli/commands.h"

#include "run_cli.h"
#include "support/backup_fixture.h"
#include "support/messages_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

using clitest::runCli;
using testsupport::appleSeconds;
using testsupport::MessagesFixture;
using testsupport::Schema;

TEST(OldDatabase, AnIos6DatabaseListsAndExportsAndOlderOrCutOnesAreRefused)
{
    const testsupport::TempDir dir;
    const auto db = dir / "sms.db";
    {
        MessagesFixture fixture(db, Schema::Ios6);
        const auto maya = fixture.addHandle("+14155550132");
        const auto chat = fixture.addChat("+14155550132", 45, {maya});
        fixture.addMessage({chat}, {{"date", appleSeconds(1380000000)}, {"text", "from 2013"}, {"handle_id", maya}});
    }

    const auto listed = runCli({"list", "--db", db.string()});
    const auto exported = runCli({"export", "--db", db.string(), "--id", "p:155550132", "--out", dir.path().string()});

    EXPECT_EQ(listed.status, cli::Success) << listed.err;
    EXPECT_NE(listed.out.find("p:155550132"), std::string::npos) << listed.out;
    ASSERT_EQ(exported.status, cli::Success) << exported.err;
    const std::string text = testsupport::readFile(dir / "Tovik - +14155550132.txt");
    EXPECT_EQ(text.rfind("Sep 2", 0), 0u) << text; // 2013-09-24 05:20 UTC, in whatever zone the test runs
    EXPECT_NE(text.find(", 2013 "), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.find('\n')), "\n+14155550132\nfrom 2013\n\n");

    MessagesFixture(dir / "ios5.db", Schema::Ios5Madrid).close();
    const auto oldest = runCli({"list", "--db", (dir / "ios5.db").string()});
    EXPECT_EQ(oldest.status, cli::Failed);
    EXPECT_EQ(oldest.err,
              "tovik-export: " + (dir / "ios5.db").string()
                  + " is too old to read: a Messages database made by iOS 5 or earlier\n");
    testsupport::makeBackup(dir / "ios5-backup", {dir / "ios5.db", std::nullopt, std::nullopt});
    const auto oldestBackup = runCli({"list", "--db", (dir / "ios5-backup").string()});
    EXPECT_EQ(oldestBackup.status, cli::Failed);
    EXPECT_NE(oldestBackup.err.find((dir / "ios5-backup").string() + ": the backup of "), std::string::npos)
        << oldestBackup.err;
    EXPECT_NE(oldestBackup.err.find(": its Messages database is too old to read"), std::string::npos)
        << oldestBackup.err;

    sqlite3 *cut = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &cut), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(cut, "ALTER TABLE message DROP COLUMN date", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(cut);
    const auto undated = runCli({"list", "--db", db.string()});
    EXPECT_EQ(undated.status, cli::Failed);
    EXPECT_EQ(undated.err,
              "tovik-export: " + db.string() + " is not a Messages database: it has no column message.date\n");
}
