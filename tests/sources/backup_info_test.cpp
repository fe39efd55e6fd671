#include "sources/backup_info.h"

#include "sources/backup_files.h"
#include "support/backup_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

using testsupport::TempDir;

namespace
{

// 203 bytes: 40 arrays, each holding the next one twice, which libplist alone expands to 2^41
// nodes (gigabytes, then a crash).
std::string doublingBinaryPlist()
{
    std::string out = "bplist00";
    std::string offsets;
    for (int level = 0; level < 40; ++level) {
        offsets += static_cast<char>(out.size());
        out += std::string{'\xA2', static_cast<char>(level + 1), static_cast<char>(level + 1)};
    }
    offsets += static_cast<char>(out.size());
    out += "\x51x";
    const auto table = static_cast<char>(out.size());
    out += offsets;
    out += std::string(6, '\0') + "\x01\x01" + std::string(7, '\0') + '\x29' + std::string(8, '\0')
        + std::string(7, '\0') + table;
    return out;
}

} // namespace

class BackupInfoTest : public ::testing::Test
{
protected:
    void SetUp() override { testsupport::makeBackup(folder, {}, {}); }

    TempDir dir;
    std::filesystem::path folder = dir / "backup";
};

TEST_F(BackupInfoTest, ARefusedInfoPlistLeavesTheDeviceNameOfTheManifest)
{
    std::string nested = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
    for (int i = 0; i < 1'000'000; ++i)
        nested += "<array>";
    for (const auto &hostile : {doublingBinaryPlist(), nested}) {
        testsupport::writeFile(folder / sources::infoPlistName, hostile);
        const auto listed = sources::listBackups(dir.path());
        ASSERT_TRUE(listed.has_value());
        ASSERT_EQ(listed->size(), 1u);
        EXPECT_EQ(listed->front().deviceName, "Anna's iPhone");
        EXPECT_TRUE(listed->front().complete);
        EXPECT_EQ(listed->front().lastBackup, 1710000000);
    }
}

TEST_F(BackupInfoTest, AnInfoPlistOfTensOfMegabytesIsRead)
{
    // As writers in the style of iTunes leave it: an icon and metadata of every installed app.
    std::string plist = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
                        "<key>Device Name</key><string>Big Phone</string><key>Applications</key><dict>";
    const std::string icon(30'000, 'A');
    for (int app = 0; app < 1000; ++app)
        plist += "<key>com.example.app" + std::to_string(app) + "</key><dict><key>PlaceholderIcon</key><data>" + icon
            + "</data></dict>";
    plist += "</dict></dict></plist>";
    ASSERT_GT(plist.size(), 30'000'000u);
    testsupport::writeFile(folder / sources::infoPlistName, plist);
    EXPECT_EQ(sources::readBackupInfo(folder).deviceName, "Big Phone");
}
