#include "cli/commands.h"

#include "run_cli.h"
#include "support/backup_fixture.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

using clitest::runCli;
using testsupport::TempDir;

class BackupSourceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        testsupport::writeSmallHistory(dir / "sms.db");
        ASSERT_FALSE(backup::writeAddressBook(dir / "book.sqlitedb", testsupport::smallHistoryPeople()).has_value());
        testsupport::makeBackup(phone, {dir / "sms.db", std::nullopt, dir / "book.sqlitedb"});
        testsupport::writeFile(dir / "people.vcf",
                               "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Maya From The Card\r\nTEL:+14155550132\r\n"
                               "UID:CARD-1\r\nEND:VCARD\r\n");
    }

    TempDir dir;
    std::filesystem::path backups = dir / "Backup";
    std::filesystem::path phone = backups / "00008120-PHONE";
};

TEST_F(BackupSourceTest, ListAndExportReadTheOnlyBackupWithItsAddressBookAndWriteNothingIntoIt)
{
    const auto before = testsupport::folderState(backups);

    const auto listed = runCli({"list", "--db", backups.string()});
    ASSERT_EQ(listed.status, cli::Success) << listed.err;
    EXPECT_NE(listed.out.find("Dr. Maya Okafor"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("Parcel Co"), std::string::npos) << listed.out;

    const auto exported =
        runCli({"export", "--db", phone.string(), "--title", "Dr. Maya Okafor", "--out", dir.path().string()});
    ASSERT_EQ(exported.status, cli::Success) << exported.err;
    EXPECT_NE(testsupport::readFile(exported.out.substr(0, exported.out.size() - 1)).find("hi 5"), std::string::npos);
    EXPECT_EQ(testsupport::folderState(backups), before);

    // A vCard given on the command line wins over the address book.
    const auto carded = runCli({"list", "--db", phone.string(), "--contacts", (dir / "people.vcf").string()});
    ASSERT_EQ(carded.status, cli::Success) << carded.err;
    EXPECT_NE(carded.out.find("Maya From The Card"), std::string::npos);
    EXPECT_EQ(carded.out.find("Parcel Co"), std::string::npos);
}

TEST_F(BackupSourceTest, BackupsAreListedAndSeveralAreAUsageError)
{
    backup::BackupOptions pad;
    pad.deviceName = "Kitchen iPad";
    pad.encrypted = true;
    pad.lastBackup = 1600000000;
    testsupport::makeBackup(backups / "00008030-PAD", {dir / "sms.db", std::nullopt, std::nullopt}, pad);

    const auto table = runCli({"backups", backups.string()});
    ASSERT_EQ(table.status, cli::Success) << table.err;
    EXPECT_NE(table.out.find("00008030-PAD  Kitchen iPad  "), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("  encrypted\n00008120-PHONE  Anna's iPhone  "), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("2 backups\n"), std::string::npos);

    const auto json = runCli({"backups", backups.string(), "--json"});
    ASSERT_EQ(json.status, cli::Success);
    EXPECT_NE(json.out.find(
                  "\"device\": \"Kitchen iPad\", \"lastBackup\": 1600000000, \"encrypted\": true, \"complete\": true}"),
              std::string::npos)
        << json.out;

    const auto several = runCli({"list", "--db", backups.string()});
    EXPECT_EQ(several.status, cli::Usage);
    EXPECT_NE(several.err.find("holds 2 backups"), std::string::npos) << several.err;
    EXPECT_NE(several.err.find("  00008030-PAD  Kitchen iPad"), std::string::npos) << several.err;

    const auto nowhere = runCli({"backups", (dir / "none").string()});
    EXPECT_EQ(nowhere.status, cli::Failed);
}

TEST_F(BackupSourceTest, ADatabaseOfSomethingElseIsNamedByWhatItLacks)
{
    const auto other = dir / "photos.sqlite";
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(other.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE message (ROWID INTEGER PRIMARY KEY); CREATE TABLE chat (x);", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);

    const auto result = runCli({"list", "--db", other.string()});

    EXPECT_EQ(result.status, cli::Failed);
    EXPECT_EQ(result.err,
              "tovik-export: " + other.string()
                  + " is not a Messages database: it has no table handle, chat_handle_join or chat_message_join\n");
}

TEST_F(BackupSourceTest, BackupsWithoutAFolderListWhatDiscoveryFinds)
{
    const auto home = dir / "home";
    testsupport::makeBackup(home / "iPhone-Backup/00008120-PHONE", {dir / "sms.db", std::nullopt, std::nullopt});
    const testsupport::ScopedEnvironment homeVariable("HOME", home.string());
    const testsupport::ScopedEnvironment noDisks("TOVIK_MEDIA_ROOTS", "");

    const auto table = runCli({"backups"});
    ASSERT_EQ(table.status, cli::Success) << table.err;
    EXPECT_NE(table.out.find("iPhone-Backup  " + (home / "iPhone-Backup/00008120-PHONE").string()
                             + "  Anna's iPhone, iOS 17.4  "),
              std::string::npos)
        << table.out;
    EXPECT_NE(table.out.find("1 source found\n"), std::string::npos);
    const auto json = runCli({"backups", "--json"});
    EXPECT_NE(json.out.find("{\"place\": \"iPhone-Backup\", \"path\": "), std::string::npos) << json.out;
}
