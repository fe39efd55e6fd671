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
