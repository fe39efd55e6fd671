#include "app/access_probe.h"
#include "common/home.h"

#include "support/messages_fixture.h"
#include "support/temp_dir.h"

#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

using app::AccessProbe;
using app::probeAccess;
using testsupport::TempDir;
using testsupport::writeFile;
namespace fs = std::filesystem;

namespace
{

constexpr uid_t nobody = 65534;

std::string bytes(std::size_t count)
{
    return std::string(count, 'b');
}

} // namespace

TEST(ProbeAccess, ReadableDatabaseIsReadable)
{
    const TempDir dir;
    testsupport::MessagesFixture fixture(dir / "chat.db");
    fixture.close();

    EXPECT_EQ(probeAccess(dir / "chat.db"), AccessProbe::Readable);
}

TEST(ProbeAccess, FileNeedsSixteenBytesToBeReadable)
{
    const TempDir dir;
    writeFile(dir / "empty.db", "");
    writeFile(dir / "short.db", bytes(15));
    writeFile(dir / "exact.db", bytes(16));

    EXPECT_EQ(probeAccess(dir / "empty.db"), AccessProbe::Denied);
    EXPECT_EQ(probeAccess(dir / "short.db"), AccessProbe::Denied);
    EXPECT_EQ(probeAccess(dir / "exact.db"), AccessProbe::Readable);
}

TEST(ProbeAccess, AbsentFileInAListableFolderIsMissing)
{
    const TempDir dir;
    fs::create_directories(dir / "empty");
    fs::create_directories(dir / "other");
    writeFile(dir / "other" / "chat.db-wal", bytes(32));
    fs::create_symlink(dir / "gone.db", dir / "other" / "dangling.db");

    EXPECT_EQ(probeAccess(dir / "empty" / "chat.db"), AccessProbe::Missing);
    EXPECT_EQ(probeAccess(dir / "other" / "chat.db"), AccessProbe::Missing);
    EXPECT_EQ(probeAccess(dir / "other" / "dangling.db"), AccessProbe::Missing);
}

TEST(ProbeAccess, AbsentFileAndAbsentFolderIsDenied)
{
    const TempDir dir;

    EXPECT_EQ(probeAccess(dir / "Messages" / "chat.db"), AccessProbe::Denied);
}

TEST(ProbeAccess, FolderOrPipeInPlaceOfTheFileIsDeniedWithoutWaiting)
{
    const TempDir dir;
    fs::create_directories(dir / "folder.db");
    ASSERT_EQ(::mkfifo((dir / "pipe.db").c_str(), 0644), 0);

    EXPECT_EQ(probeAccess(dir / "folder.db"), AccessProbe::Denied);
    EXPECT_EQ(probeAccess(dir / "pipe.db"), AccessProbe::Denied); // no writer: must not block
}

TEST(ProbeAccess, LinkToADatabaseIsFollowed)
{
    const TempDir dir;
    writeFile(dir / "real.db", bytes(64));
    fs::create_symlink(dir / "real.db", dir / "chat.db");

    EXPECT_EQ(probeAccess(dir / "chat.db"), AccessProbe::Readable);
}

// Permission cases: root reads everything, so these run the probe as an unprivileged user in a
// process of its own (through setpriv when the tests run as root).
class ProbeAccessUnprivilegedTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::permissions(dir.path(),
                        fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read
                            | fs::perms::others_exec);
        writeFile(dir / "control.db", bytes(64));
        fs::permissions(dir / "control.db", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        const auto control = probe(dir / "control.db");
        if (!control)
            GTEST_SKIP() << "cannot run the probe as an unprivileged user here: " << why;
        ASSERT_EQ(*control, AccessProbe::Readable) << "the unprivileged probe cannot reach the test folder";
    }

    void TearDown() override
    {
        // Give permissions back so that the folder can be removed by a non-root user too.
        std::error_code ec;
        for (const auto &entry : fs::recursive_directory_iterator(dir.path(), ec))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        for (const char *name : {"closed", "listless"})
            fs::permissions(dir / name, fs::perms::owner_all, fs::perm_options::add, ec);
    }

    // The probe's answer as seen by an unprivileged user, or none when that cannot be arranged.
    std::optional<AccessProbe> probe(const fs::path &path)
    {
        QString program = QStringLiteral(TOVIK_PROBE_HELPER);
        QStringList arguments{QString::fromStdString(path.string())};
        if (::geteuid() == 0) {
            const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
            if (setpriv.isEmpty()) {
                why = "setpriv is not installed";
                return std::nullopt;
            }
            arguments = QStringList{QStringLiteral("--reuid=%1").arg(nobody), QStringLiteral("--regid=%1").arg(nobody),
                                    QStringLiteral("--clear-groups"), program}
                + arguments;
            program = setpriv;
        }
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit) {
            why = "the helper did not run";
            return std::nullopt;
        }
        switch (process.exitCode()) {
        case 0:
            return AccessProbe::Readable;
        case 1:
            return AccessProbe::Denied;
        case 2:
            return AccessProbe::Missing;
        default:
            why = "dropping privileges failed: " + process.readAllStandardError().toStdString();
            return std::nullopt;
        }
    }

    TempDir dir;
    std::string why;
};

TEST_F(ProbeAccessUnprivilegedTest, UnreadableFileIsDenied)
{
    writeFile(dir / "chat.db", bytes(64));
    fs::permissions(dir / "chat.db", fs::perms::none);

    EXPECT_EQ(probe(dir / "chat.db"), AccessProbe::Denied);
}

TEST_F(ProbeAccessUnprivilegedTest, FileInAClosedFolderIsDenied)
{
    fs::create_directories(dir / "closed");
    writeFile(dir / "closed" / "chat.db", bytes(64));
    fs::permissions(dir / "closed" / "chat.db", fs::perms::all);
    fs::permissions(dir / "closed", fs::perms::none);

    EXPECT_EQ(probe(dir / "closed" / "chat.db"), AccessProbe::Denied);
    EXPECT_EQ(probe(dir / "closed" / "absent.db"), AccessProbe::Denied);
}

TEST_F(ProbeAccessUnprivilegedTest, FolderThatCannotBeListedDeniesAnAbsentFileButNotAPresentOne)
{
    fs::create_directories(dir / "listless");
    writeFile(dir / "listless" / "chat.db", bytes(64));
    fs::permissions(dir / "listless" / "chat.db", fs::perms::all);
    fs::permissions(dir / "listless", fs::perms::owner_all | fs::perms::others_exec);

    EXPECT_EQ(probe(dir / "listless" / "chat.db"), AccessProbe::Readable);
    EXPECT_EQ(probe(dir / "listless" / "absent.db"), AccessProbe::Denied);
}

TEST(DatabasePath, IsDecidedOnceFromHome)
{
    const fs::path &path = app::databasePath();

    EXPECT_EQ(path, common::defaultMessagesDatabase());
    EXPECT_FALSE(app::setDatabasePath("/elsewhere/chat.db"));
    EXPECT_EQ(&app::databasePath(), &path);
    EXPECT_EQ(app::databasePath(), common::defaultMessagesDatabase());
}
