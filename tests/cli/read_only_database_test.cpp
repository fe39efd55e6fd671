// A Messages database copied from a Mac or a phone is in write-ahead-log mode, with its latest
// messages in the -wal, sometimes with a -shm that nobody holds, sometimes with a log that is
// empty or damaged. Listing and exporting it reads the log's messages and leaves every file in
// its folder exactly as it was: names, sizes, modification times and bytes.
#include "cli/commands.h"

#include "run_cli.h"
#include "support/backup_fixture.h"
#include "support/messages_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

using clitest::runCli;
using testsupport::MessagesFixture;
using testsupport::TempDir;

namespace
{

namespace fs = std::filesystem;

constexpr const char *conversationId = "p:551234567";

// The sum of the "count" fields of a list printed as JSON.
std::int64_t listedMessages(const std::string &json)
{
    std::int64_t total = 0;
    const std::string marker = "\"count\": ";
    for (auto at = json.find(marker); at != std::string::npos; at = json.find(marker, at + 1))
        total += std::atoll(json.c_str() + at + marker.size());
    return total;
}

class ReadOnlyDatabaseTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Four messages checkpointed into the file, three more only in the -wal.
        fs::create_directories(original.parent_path());
        MessagesFixture fixture(original);
        const auto handle = fixture.addHandle("+15551234567");
        const auto chat = fixture.addChat("+15551234567", 45, {handle});
        for (int i = 1; i <= 7; ++i) {
            if (i == 5)
                fixture.exec("PRAGMA wal_checkpoint(TRUNCATE);");
            fixture.addMessage({chat},
                               {{"date", testsupport::appleNanoseconds(1700000000 + i)},
                                {"text", (i <= 4 ? "filed " : "logged ") + std::to_string(i)}});
        }
        fixture.close();
        ASSERT_TRUE(fs::exists(original.native() + "-shm"));
        ASSERT_GT(fs::file_size(original.native() + "-wal"), 0u);
    }

    // A folder holding the database as `chat.db`, with the companions named.
    fs::path caseFolder(const std::string &name, bool log, bool shm)
    {
        const fs::path folder = dir / name;
        fs::create_directories(folder);
        fs::copy_file(original, folder / "chat.db");
        if (log)
            fs::copy_file(original.native() + "-wal", folder / "chat.db-wal");
        if (shm)
            fs::copy_file(original.native() + "-shm", folder / "chat.db-shm");
        return folder;
    }

    // Lists and exports the database in `folder`; expects `messages` listed and exported, and the
    // folder unchanged.
    void expectReadWithoutChange(const fs::path &folder, std::int64_t messages)
    {
        const auto before = testsupport::folderState(folder);
        const fs::path db = folder / "chat.db";
        const auto listed = runCli({"list", "--db", db.string(), "--json"});
        ASSERT_EQ(listed.status, cli::Success) << listed.err;
        EXPECT_EQ(listedMessages(listed.out), messages) << folder;
        const auto exported = runCli({"export", "--db", db.string(), "--id", conversationId, "--out", out.string()});
        ASSERT_EQ(exported.status, cli::Success) << exported.err;
        const std::string text = testsupport::readFile(exported.out.substr(0, exported.out.size() - 1));
        EXPECT_EQ(clitest::occurrences(text, "filed "), 4) << folder;
        EXPECT_EQ(clitest::occurrences(text, "logged "), messages - 4) << folder;
        EXPECT_EQ(testsupport::folderState(folder), before) << folder;
        fs::remove_all(out);
    }

    TempDir dir;
    fs::path original = dir / "original" / "chat.db";
    fs::path out = dir / "out";
};

} // namespace

TEST_F(ReadOnlyDatabaseTest, TheLogsMessagesCountAndNothingBesideTheDatabaseChanges)
{
    expectReadWithoutChange(caseFolder("log-and-shm", true, true), 7);
    expectReadWithoutChange(caseFolder("log-only", true, false), 7);
}

TEST_F(ReadOnlyDatabaseTest, AMissingOrEmptyLogIsAnEmptyLogAndIsNotCreated)
{
    // Checkpointed whole by SQLite, which then removes the -wal and -shm; the header still says
    // write-ahead log.
    const fs::path folder = caseFolder("no-log", true, true);
    sqlite3 *raw = nullptr;
    ASSERT_EQ(sqlite3_open((folder / "chat.db").c_str(), &raw), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(raw, "PRAGMA wal_checkpoint(TRUNCATE);", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(raw);
    ASSERT_EQ(testsupport::folderEntries(folder), std::vector<std::string>{"chat.db"});
    ASSERT_EQ(testsupport::readFile(folder / "chat.db")[18], 2);

    expectReadWithoutChange(folder, 7);
    testsupport::writeFile(folder / "chat.db-wal", "");
    expectReadWithoutChange(folder, 7);
}

TEST_F(ReadOnlyDatabaseTest, ALogWithABadHeaderIsIgnoredAsSQLiteIgnoresIt)
{
    const fs::path folder = caseFolder("bad-log", true, false);
    {
        std::fstream log(folder / "chat.db-wal", std::ios::in | std::ios::out | std::ios::binary);
        log.write("this is not a write-ahead log!!!", 32);
    }
    expectReadWithoutChange(folder, 4);
}

TEST_F(ReadOnlyDatabaseTest, AnEmptyDatabaseWithALogIsNoMessagesDatabaseAndStaysAsItIs)
{
    const fs::path folder = caseFolder("empty", true, false);
    testsupport::writeFile(folder / "chat.db", "");
    const auto before = testsupport::folderState(folder);

    const auto listed = runCli({"list", "--db", (folder / "chat.db").string()});

    EXPECT_EQ(listed.status, cli::Failed);
    EXPECT_NE(listed.err.find("is not a Messages database"), std::string::npos) << listed.err;
    EXPECT_EQ(listed.err.find("I/O"), std::string::npos) << listed.err;
    EXPECT_EQ(testsupport::folderState(folder), before);
}

TEST_F(ReadOnlyDatabaseTest, ABackupsManifestGivenAsTheDatabaseWritesNothingIntoTheBackup)
{
    const fs::path backup = dir / "Backup" / "00008120-PHONE";
    testsupport::makeBackup(backup, {original, std::nullopt, std::nullopt});
    const auto before = testsupport::folderState(backup);

    const auto listed = runCli({"list", "--db", (backup / "Manifest.db").string()});
    const auto exported =
        runCli({"export", "--db", (backup / "Manifest.db").string(), "--id", conversationId, "--out", out.string()});

    EXPECT_EQ(listed.status, cli::Failed);
    EXPECT_NE(listed.err.find("is not a Messages database"), std::string::npos) << listed.err;
    EXPECT_EQ(exported.status, cli::Failed);
    EXPECT_EQ(testsupport::folderState(backup), before);
}
