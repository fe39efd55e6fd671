#include "sources/discovery.h"

#include "support/backup_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

using testsupport::TempDir;

namespace fs = std::filesystem;

namespace
{

auto later()
{
    return std::chrono::steady_clock::now() + std::chrono::minutes(1);
}

std::vector<fs::path> pathsOf(const sources::Discovery &discovery)
{
    std::vector<fs::path> paths;
    for (const auto &found : discovery.found)
        paths.push_back(found.path);
    return paths;
}

backup::BackupOptions madeAt(std::int64_t unixSeconds, const std::string &device)
{
    backup::BackupOptions options;
    options.lastBackup = unixSeconds;
    options.deviceName = device;
    return options;
}

} // namespace

class DiscoveryTest : public ::testing::Test
{
protected:
    // A mount table line for `point` of `type`, with a space in the path written as the kernel does.
    void mount(const fs::path &point, const std::string &type, const std::string &superOptions = "rw")
    {
        std::string escaped;
        for (char c : point.string())
            escaped += c == ' ' ? std::string("\\040") : std::string(1, c);
        std::ofstream(roots.mountTable, std::ios::app)
            << "36 35 98:0 / " << escaped << " rw,noatime master:1 - " << type << " /dev/sdb1 " << superOptions << "\n";
    }

    TempDir dir;
    fs::path home = dir / "home";
    fs::path media = dir / "media";
    sources::DiscoveryRoots roots{home, dir / "mountinfo", {media}, {}};
};

TEST_F(DiscoveryTest, AnEmptyHomeHasNothing)
{
    fs::create_directories(home);
    const auto found = sources::discover(roots, later());
    EXPECT_TRUE(found.found.empty());
    EXPECT_FALSE(found.unreadableDatabase);
    EXPECT_FALSE(found.cutShort);
}

TEST_F(DiscoveryTest, EveryKnownPlaceOfTheHomeIsFoundNewestFirst)
{
    const fs::path database = home / "Library/Messages/chat.db";
    fs::create_directories(database.parent_path());
    testsupport::writeSmallHistory(database);
    const fs::path mobileSync = home / "Library/Application Support/MobileSync/Backup";
    testsupport::makeBackup(mobileSync / "00008030-AAAA", {}, madeAt(1700000000, "Old Phone"));
    testsupport::makeBackup(sources::suggestedBackupFolder(home) / "00008030-BBBB", {},
                            madeAt(1710000000, "New Phone"));
    fs::last_write_time(database, fs::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 30));

    const auto found = sources::discover(roots, later());

    ASSERT_EQ(pathsOf(found),
              (std::vector<fs::path>{sources::suggestedBackupFolder(home) / "00008030-BBBB",
                                     mobileSync / "00008030-AAAA", database}));
    EXPECT_EQ(found.found[0].place, sources::Place::SuggestedFolder);
    ASSERT_TRUE(found.found[0].backup);
    EXPECT_EQ(found.found[0].backup->deviceName, "New Phone");
    EXPECT_EQ(found.found[0].backup->iosVersion, "17.4");
    EXPECT_EQ(found.found[1].place, sources::Place::MobileSync);
    EXPECT_EQ(found.found[2].place, sources::Place::MessagesFolder);
    EXPECT_FALSE(found.found[2].backup);
}

TEST_F(DiscoveryTest, AWindowsHomeIsFoundOnlyOnALocalDisk)
{
    const fs::path disk = media / "Windows Disk";
    const fs::path share = media / "share";
    testsupport::makeBackup(disk / "Users/anna/AppData/Roaming/Apple Computer/MobileSync/Backup/one", {},
                            madeAt(1710000000, "Anna's iPhone"));
    testsupport::makeBackup(disk / "Users/ben/Apple/MobileSync/Backup/two", {}, madeAt(1700000000, "Ben's iPhone"));
    testsupport::makeBackup(share / "Users/carla/Apple/MobileSync/Backup/three", {});
    mount("/", "ext4");
    mount(disk, "ntfs3");
    mount(share, "nfs4");
    // A disk whose Users folder is itself a network share is not looked into either.
    testsupport::makeBackup(media / "usb/Users/dan/Apple/MobileSync/Backup/four", {});
    mount(media / "usb", "exfat");
    mount(media / "usb/Users", "fuse.sshfs");

    const auto found = sources::discover(roots, later());

    EXPECT_EQ(pathsOf(found),
              (std::vector<fs::path>{disk / "Users/anna/AppData/Roaming/Apple Computer/MobileSync/Backup/one",
                                     disk / "Users/ben/Apple/MobileSync/Backup/two"}));
    EXPECT_EQ(found.found[0].place, sources::Place::WindowsHome);
}

TEST_F(DiscoveryTest, WithoutAMountTableNoDiskIsLookedAt)
{
    testsupport::makeBackup(media / "disk/Users/anna/Apple/MobileSync/Backup/one", {});
    EXPECT_TRUE(sources::discover(roots, later()).found.empty());
}

TEST_F(DiscoveryTest, RecentSourcesAreMarkedOnceAndGoneOnesLeftOut)
{
    const fs::path suggested = sources::suggestedBackupFolder(home) / "phone";
    testsupport::makeBackup(suggested, {}, madeAt(1710000000, "Phone"));
    const fs::path elsewhere = dir / "copied/chat.db";
    fs::create_directories(elsewhere.parent_path());
    testsupport::writeSmallHistory(elsewhere);
    fs::last_write_time(elsewhere, fs::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 30));
    roots.recent = {elsewhere, suggested, dir / "gone"};

    const auto found = sources::discover(roots, later());

    ASSERT_EQ(found.found.size(), 2u);
    EXPECT_EQ(found.found[0].path, suggested);
    EXPECT_EQ(found.found[0].place, sources::Place::SuggestedFolder);
    EXPECT_TRUE(found.found[0].recent);
    EXPECT_EQ(found.found[1].path, elsewhere);
    EXPECT_EQ(found.found[1].place, sources::Place::Recent);
}

TEST_F(DiscoveryTest, APassedDeadlineStartsNothing)
{
    testsupport::makeBackup(sources::suggestedBackupFolder(home) / "phone", {});
    const auto found = sources::discover(roots, std::chrono::steady_clock::now());
    EXPECT_TRUE(found.found.empty());
    EXPECT_TRUE(found.cutShort);
}

TEST(MountTable, LinesAreReadWithTheirEscapesAndOddOnesLeftOut)
{
    TempDir dir;
    testsupport::writeFile(dir / "mountinfo",
                           "22 1 8:1 / / rw shared:1 - ext4 /dev/sda1 rw\n"
                           "garbage\n"
                           "40 22 0:50 / /mnt/c rw - 9p C:\\134 rw,aname=drvfs;path=C:\\;uid=1000\n"
                           "41 22 0:51 / /media/u/My\\040Disk rw shared:5 master:2 - fuseblk /dev/sdb1 rw\n");
    const auto mounts = sources::readMountTable(dir / "mountinfo");
    ASSERT_EQ(mounts.size(), 3u);
    EXPECT_EQ(mounts[2].point, "/media/u/My Disk");
    EXPECT_EQ(mounts[2].type, "fuseblk");
    EXPECT_TRUE(sources::isLocalDiskType(mounts[1].type, mounts[1].superOptions));
    EXPECT_FALSE(sources::isLocalDiskType("9p", "rw,trans=virtio"));
    EXPECT_FALSE(sources::isLocalDiskType("autofs", ""));
}
