#include "export/downloads_folder.h"

#include "support/scoped_environment.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

namespace
{

namespace fs = std::filesystem;

TEST(ParseDownloadDir, ReadsHomeRelativeAndAbsoluteValues)
{
    const fs::path home = "/home/anna";

    EXPECT_EQ(exporter::parseDownloadDir("XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n", home),
              fs::path("/home/anna/Downloads"));
    EXPECT_EQ(exporter::parseDownloadDir("XDG_DOWNLOAD_DIR=\"/data/dl/\"", home), fs::path("/data/dl"));
    EXPECT_EQ(exporter::parseDownloadDir("XDG_DOWNLOAD_DIR=\"$HOME\"", home), fs::path("/home/anna"));
    EXPECT_EQ(exporter::parseDownloadDir("  XDG_DOWNLOAD_DIR = \"$HOME/My \\\"Files\\\"\" # x", home),
              fs::path("/home/anna/My \"Files\""));
}

TEST(ParseDownloadDir, IgnoresCommentsOtherKeysAndUnsafeValues)
{
    const fs::path home = "/home/anna";
    const std::string file = "# XDG_DOWNLOAD_DIR=\"/commented\"\n"
                             "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                             "XDG_DOWNLOAD_DIR=\"$HOME/First\"\n"
                             "XDG_DOWNLOAD_DIR=\"Downloads\"\n"
                             "XDG_DOWNLOAD_DIR=\"$HOMEX/evil\"\n"
                             "XDG_DOWNLOAD_DIR=\"../up\"\n"
                             "XDG_DOWNLOAD_DIR=\"/unclosed\n"
                             "XDG_DOWNLOAD_DIR=$HOME/unquoted\n"
                             "XDG_DOWNLOAD_DIRS=\"/other\"\n";

    EXPECT_EQ(exporter::parseDownloadDir(file, home), fs::path("/home/anna/First"));
    EXPECT_EQ(exporter::parseDownloadDir(file + "XDG_DOWNLOAD_DIR=\"/last\"\n", home), fs::path("/last"));
    EXPECT_EQ(exporter::parseDownloadDir("XDG_MUSIC_DIR=\"$HOME/Music\"", home), std::nullopt);
    EXPECT_EQ(exporter::parseDownloadDir("XDG_DOWNLOAD_DIR=\"$HOME/x\"", ""), std::nullopt);
}

TEST(DownloadsFolder, FallsBackToHomeDownloads)
{
    EXPECT_EQ(exporter::downloadsFolderFrom("/home/anna", std::nullopt), fs::path("/home/anna/Downloads"));
    EXPECT_EQ(exporter::downloadsFolderFrom("/home/anna", "XDG_DOWNLOAD_DIR=\"rel\""),
              fs::path("/home/anna/Downloads"));
    EXPECT_EQ(exporter::downloadsFolderFrom("/home/anna", "XDG_DOWNLOAD_DIR=\"/dl\""), fs::path("/dl"));
    EXPECT_EQ(exporter::downloadsFolderFrom("", std::nullopt), fs::path());
}

TEST(DownloadsFolder, FindsTheUserDirsFile)
{
    EXPECT_EQ(exporter::userDirsFile("/home/anna", std::nullopt), fs::path("/home/anna/.config/user-dirs.dirs"));
    EXPECT_EQ(exporter::userDirsFile("/home/anna", ""), fs::path("/home/anna/.config/user-dirs.dirs"));
    EXPECT_EQ(exporter::userDirsFile("/home/anna", "relative"), fs::path("/home/anna/.config/user-dirs.dirs"));
    EXPECT_EQ(exporter::userDirsFile("/home/anna", "/cfg"), fs::path("/cfg/user-dirs.dirs"));
}

TEST(DownloadsFolder, ReadsThisProcesssEnvironmentAndFile)
{
    const testsupport::TempDir temp;
    fs::create_directories(temp / "cfg");
    testsupport::writeFile(temp / "cfg" / "user-dirs.dirs", "XDG_DOWNLOAD_DIR=\"$HOME/Fetched\"\n");

    {
        const testsupport::ScopedEnvironment home("HOME", temp.path().string());
        const testsupport::ScopedEnvironment config("XDG_CONFIG_HOME", (temp / "cfg").string());
        EXPECT_EQ(exporter::downloadsFolder(), temp / "Fetched");
    }
    {
        const testsupport::ScopedEnvironment home("HOME", temp.path().string());
        const testsupport::ScopedEnvironment config("XDG_CONFIG_HOME", std::nullopt);
        EXPECT_EQ(exporter::downloadsFolder(), temp / "Downloads");
    }
}

} // namespace
