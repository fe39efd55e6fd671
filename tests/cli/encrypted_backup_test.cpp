#include "cli/commands.h"

#include "run_cli.h"
#include "support/backup_fixture.h"
#include "support/child_process.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using clitest::Outcome;
using clitest::runCli;
using testsupport::TempDir;

class EncryptedBackupCliTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        testsupport::writeSmallHistory(dir / "sms.db");
        testsupport::addMessageInLog(dir / "sms.db");
        ASSERT_FALSE(backup::writeAddressBook(dir / "book.sqlitedb", testsupport::smallHistoryPeople()).has_value());
        const backup::BackupContents contents{dir / "sms.db", dir / "sms.db-wal", dir / "book.sqlitedb"};
        testsupport::makeBackup(plain, contents);
        backup::BackupOptions encrypted;
        encrypted.encryption = backup::Encryption{};
        testsupport::makeBackup(locked, contents, encrypted);
        testsupport::writeFile(passwordFile, backup::Encryption{}.password + "\n");
    }

    // Runs the command line in a child whose standard input reads `input` (nothing: /dev/null).
    static testsupport::ChildOutcome runWithInput(const std::vector<std::string> &arguments,
                                                  const std::optional<std::string> &input)
    {
        return testsupport::runInChild(false, [&](std::string &report) {
            int fd = ::open("/dev/null", O_RDONLY);
            if (input) {
                int pipeEnds[2];
                if (::pipe(pipeEnds) != 0
                    || ::write(pipeEnds[1], input->data(), input->size()) != static_cast<ssize_t>(input->size()))
                    return 98;
                ::close(pipeEnds[1]);
                fd = pipeEnds[0];
            }
            ::dup2(fd, STDIN_FILENO);
            const Outcome outcome = runCli(arguments);
            report = outcome.out + outcome.err;
            return outcome.status;
        });
    }

    TempDir dir;
    std::filesystem::path plain = dir / "Backup" / "plain";
    std::filesystem::path locked = dir / "Backup" / "locked";
    std::filesystem::path passwordFile = dir / "password.txt";
};

TEST_F(EncryptedBackupCliTest, TheRightPasswordListsAndExportsByteForByteWhatTheTwinGives)
{
    const auto lockedList =
        runCli({"list", "--json", "--db", locked.string(), "--password-file", passwordFile.string()});
    ASSERT_EQ(lockedList.status, cli::Success) << lockedList.err;
    EXPECT_EQ(lockedList.out, runCli({"list", "--json", "--db", plain.string()}).out);
    EXPECT_NE(lockedList.out.find("Dr. Maya Okafor"), std::string::npos); // names from the encrypted address book

    std::filesystem::create_directories(dir / "from-plain");
    std::filesystem::create_directories(dir / "from-locked");
    const auto fromPlain = runCli(
        {"export", "--db", plain.string(), "--title", "Dr. Maya Okafor", "--out", (dir / "from-plain").string()});
    const auto fromLocked = runCli({"export", "--db", locked.string(), "--password-file", passwordFile.string(),
                                    "--title", "Dr. Maya Okafor", "--out", (dir / "from-locked").string()});
    ASSERT_EQ(fromLocked.status, cli::Success) << fromLocked.err;
    const auto plainText = testsupport::readFile(fromPlain.out.substr(0, fromPlain.out.size() - 1));
    EXPECT_NE(plainText.find("late"), std::string::npos); // the message still in the log
    EXPECT_EQ(testsupport::readFile(fromLocked.out.substr(0, fromLocked.out.size() - 1)), plainText);
}

TEST_F(EncryptedBackupCliTest, AWrongOrMissingPasswordSaysWhichPasswordAndHowToGiveIt)
{
    testsupport::writeFile(dir / "wrong.txt", "my apple id password\n");
    const auto wrong = runCli({"list", "--db", locked.string(), "--password-file", (dir / "wrong.txt").string()});
    EXPECT_EQ(wrong.status, cli::Failed);
    EXPECT_NE(wrong.err.find("wrong password. It is the backup password, set on the iPhone or in iTunes/Finder"),
              std::string::npos)
        << wrong.err;
    EXPECT_NE(wrong.err.find("not the Apple ID password, nor the phone's passcode"), std::string::npos);

    const auto absent = runCli({"list", "--db", locked.string(), "--password-file", (dir / "absent.txt").string()});
    EXPECT_EQ(absent.status, cli::Failed);
    EXPECT_NE(absent.err.find("cannot read the password file"), std::string::npos) << absent.err;

    // No file and no terminal to ask on.
    const auto untold = runWithInput({"list", "--db", locked.string()}, std::nullopt);
    EXPECT_EQ(untold.status, cli::Failed);
    EXPECT_NE(untold.report.find("is encrypted: give its password with --password-file FILE"), std::string::npos)
        << untold.report;

    // "-" reads standard input, one line end stripped.
    const auto piped =
        runWithInput({"list", "--db", locked.string(), "--password-file", "-"}, backup::Encryption{}.password + "\r\n");
    EXPECT_EQ(piped.status, cli::Success) << piped.report;
    EXPECT_NE(piped.report.find("Dr. Maya Okafor"), std::string::npos);
}

TEST_F(EncryptedBackupCliTest, NothingDecryptedReachesTheDisk)
{
    TempDir temporary;
    const testsupport::ScopedEnvironment tmp("TMPDIR", temporary.path().string());
    const testsupport::ScopedEnvironment sqliteTmp("SQLITE_TMPDIR", temporary.path().string());
    const auto before = testsupport::folderState(locked);

    const auto listed = runCli({"list", "--db", locked.string(), "--password-file", passwordFile.string()});
    ASSERT_EQ(listed.status, cli::Success) << listed.err;
    const auto exported = runCli({"export", "--db", locked.string(), "--password-file", passwordFile.string(),
                                  "--title", "Ben Adler Jr.", "--out", dir.path().string()});
    ASSERT_EQ(exported.status, cli::Success) << exported.err;

    EXPECT_EQ(testsupport::folderEntries(temporary.path()), std::vector<std::string>{});
    EXPECT_EQ(testsupport::folderState(locked), before);
}

TEST_F(EncryptedBackupCliTest, BackupsOfIos5To9ListAndExportPlainAndEncryptedAsTheirTwin)
{
    const backup::BackupContents contents{dir / "sms.db", dir / "sms.db-wal", dir / "book.sqlitedb"};
    backup::BackupOptions old;
    old.manifest = backup::Manifest::Mbdb;
    const auto oldPlain = dir / "Backup" / "ios9-plain";
    testsupport::makeBackup(oldPlain, contents, old);
    old.encryption = backup::Encryption{};
    old.encryption->passwordIterations = std::nullopt;
    const auto oldLocked = dir / "Backup" / "ios9-locked";
    testsupport::makeBackup(oldLocked, contents, old);

    const auto twin = runCli({"list", "--json", "--db", plain.string()});
    for (const auto &folder : {oldPlain, oldLocked}) {
        const auto listed =
            runCli({"list", "--json", "--db", folder.string(), "--password-file", passwordFile.string()});
        ASSERT_EQ(listed.status, cli::Success) << listed.err;
        EXPECT_EQ(listed.out, twin.out);
        const auto out = dir / ("out-" + folder.filename().string());
        std::filesystem::create_directories(out);
        const auto exported = runCli({"export", "--db", folder.string(), "--password-file", passwordFile.string(),
                                      "--title", "Dr. Maya Okafor", "--out", out.string()});
        ASSERT_EQ(exported.status, cli::Success) << exported.err;
        EXPECT_NE(testsupport::readFile(exported.out.substr(0, exported.out.size() - 1)).find("late"),
                  std::string::npos);
    }
    testsupport::writeFile(dir / "wrong.txt", "horse\n");
    const auto wrong = runCli({"list", "--db", oldLocked.string(), "--password-file", (dir / "wrong.txt").string()});
    EXPECT_NE(wrong.err.find(": wrong password."), std::string::npos) << wrong.err;
}

TEST_F(EncryptedBackupCliTest, EachUnreadableBackupSaysWhatIsWrongWithIt)
{
    const backup::BackupContents contents{dir / "sms.db", std::nullopt, std::nullopt};
    const auto messageOf = [&](const std::string &name, backup::BackupOptions options) {
        testsupport::makeBackup(dir / name, contents, options);
        const auto outcome = runCli({"list", "--db", (dir / name).string(), "--password-file", passwordFile.string()});
        EXPECT_EQ(outcome.status, cli::Failed);
        return outcome.err;
    };
    backup::BackupOptions oldest;
    oldest.manifest = backup::Manifest::Mbdx;
    EXPECT_NE(messageOf("ios4", oldest).find("the backup of Anna's iPhone is too old to read (made by iOS 4 or older)"),
              std::string::npos);
    backup::BackupOptions unindexed;
    unindexed.encryption = backup::Encryption{};
    unindexed.manifest = backup::Manifest::Missing;
    EXPECT_NE(messageOf("unindexed", unindexed).find("is encrypted, and its Manifest.db is missing"),
              std::string::npos);
    backup::BackupOptions damagedKey;
    damagedKey.encryption = backup::Encryption{};
    damagedKey.encryption->fault = backup::Encryption::Fault::DamagedClassKey;
    const auto damaged = messageOf("damaged-key", damagedKey);
    EXPECT_NE(damaged.find("cannot be decrypted: its keys are damaged (the password is right, but the key bag's key"
                           " for class 1 is damaged)"),
              std::string::npos)
        << damaged;

    testsupport::writeFile(dir / "notes.db", std::string(4096, 'n'));
    testsupport::makeBackup(dir / "notes", {dir / "notes.db", std::nullopt, std::nullopt});
    const auto notes = runCli({"list", "--db", (dir / "notes").string()});
    const auto stored = dir / "notes" / "3d" / "3d0d7e5fb2ce288813306e4d4636395e047a3d28";
    EXPECT_EQ(notes.err.rfind("tovik-export: " + stored.string() + " (sms.db in the backup of Anna's iPhone): ", 0), 0u)
        << notes.err;
}
