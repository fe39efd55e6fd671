#include "export/export_file.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Family: man, woman, girl, boy joined by zero-width joiners; one cluster of 25 bytes.
const std::string family =
    "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7\xE2\x80\x8D\xF0"
    "\x9F\x91\xA6";

std::string repeated(const std::string &piece, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

std::vector<std::string> namesIn(const fs::path &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs `body` in a forked child and returns its exit status (128 + signal when it was killed).
template<typename Body>
int exitStatusOfChild(Body body)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Sets the process umask for one test and puts the old one back.
class ScopedUmask
{
public:
    explicit ScopedUmask(mode_t mask)
        : m_saved(::umask(mask))
    {
    }
    ~ScopedUmask() { ::umask(m_saved); }
    ScopedUmask(const ScopedUmask &) = delete;
    ScopedUmask &operator=(const ScopedUmask &) = delete;

private:
    mode_t m_saved;
};

// Sets or clears one environment variable for one test and puts the old value back.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char *name, std::optional<std::string> value)
        : m_name(name)
    {
        if (const char *old = std::getenv(name))
            m_saved = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnvironment()
    {
        if (m_saved)
            ::setenv(m_name, m_saved->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

private:
    const char *m_name;
    std::optional<std::string> m_saved;
};

TEST(SafeFileName, TurnsEachRemovedCharacterIntoOneSpace)
{
    EXPECT_EQ(exporter::safeFileName("Anna"), "Anna");
    EXPECT_EQ(exporter::safeFileName("Anna / Ben: plans?"), "Anna   Ben  plans");
    EXPECT_EQ(exporter::safeFileName("a/b\\c:d?e%f*g|h\"i<j>k\nl\rm\tn"), "a b c d e f g h i j k l m n");
    EXPECT_EQ(exporter::safeFileName(std::string("a\0b", 3)), "a b");
}

TEST(SafeFileName, TurnsControlsAndSeparatorsIntoSpacesAndDropsBidiControls)
{
    EXPECT_EQ(exporter::safeFileName("\xE2\x80\xAEgnp.txt"), "gnp.txt");
    EXPECT_EQ(exporter::safeFileName("a\x1B[2Jb\x7F" "c\xC2\x85" "d\xC2\x9F" "e\xE2\x80\xA8" "f\xE2\x80\xA9" "g"),
              "a [2Jb c d e f g");
    EXPECT_EQ(exporter::safeFileName("x\xD8\x9C\xE2\x80\x8E\xE2\x80\x8F\xE2\x80\xAA\xE2\x81\xA6\xE2\x81\xA9y"), "xy");
    // Removal comes first, so the spaces around a removed mark are trimmed; the fallback still applies.
    EXPECT_EQ(exporter::safeFileName("\xE2\x81\xA7 Anna \x01"), "Anna");
    EXPECT_EQ(exporter::safeFileName("\xE2\x80\x8E\xE2\x80\x8F"), "iMessage");
    // Joiners and variation selectors are part of emoji and stay.
    EXPECT_EQ(exporter::safeFileName(family + "\xE2\x9D\xA4\xEF\xB8\x8F"), family + "\xE2\x9D\xA4\xEF\xB8\x8F");
}

TEST(SafeFileName, GivesIMessageWhenNothingIsLeft)
{
    EXPECT_EQ(exporter::safeFileName(""), "iMessage");
    EXPECT_EQ(exporter::safeFileName(" /:?\t\n \xC2\xA0"), "iMessage");
}

TEST(SafeFileName, TrimsTabAndSpaceSeparatorsOnly)
{
    EXPECT_EQ(exporter::safeFileName("\xE3\x80\x80 Anna\xC2\xA0"), "Anna");
    EXPECT_EQ(exporter::safeFileName("\xE2\x80\x8B"
                                     "Anna"),
              "\xE2\x80\x8B"
              "Anna");
}

TEST(SafeFileName, KeepsTheFirstSixtyGraphemeClusters)
{
    const std::string seventy = repeated("abcdefghij", 7);
    EXPECT_EQ(exporter::safeFileName(seventy), seventy.substr(0, 60));

    EXPECT_EQ(exporter::safeFileName(repeated(family, 60)), repeated(family, 60));
    EXPECT_EQ(exporter::safeFileName(repeated(family, 61)), repeated(family, 60));
    // e + combining acute is one cluster.
    EXPECT_EQ(exporter::safeFileName(repeated("e\xCC\x81", 70)), repeated("e\xCC\x81", 60));
    // The cut is not trimmed again.
    EXPECT_EQ(exporter::safeFileName(repeated("a", 59) + " b"), repeated("a", 59) + " ");
}

TEST(SafeFileName, ReplacesIllFormedBytes)
{
    EXPECT_EQ(exporter::safeFileName("A\xFF"
                                     "B"),
              "A\xEF\xBF\xBD"
              "B");
}

TEST(ExportFileName, LeavesNamesThatFitUnchanged)
{
    EXPECT_EQ(exporter::exportFileName("Anna", 1), "Tovik - Anna.txt");
    EXPECT_EQ(exporter::exportFileName("Anna", 2), "Tovik - Anna 2.txt");
    EXPECT_EQ(exporter::exportFileName("Anna", 1234), "Tovik - Anna 1234.txt");
    const std::string exact(243, 'x');
    EXPECT_EQ(exporter::exportFileName(exact, 1), "Tovik - " + exact + ".txt");
}

TEST(ExportFileName, CutsLongNamesAtGraphemeBoundariesToFitTheLimit)
{
    const std::string exact(243, 'x');
    EXPECT_EQ(exporter::exportFileName(exact, 2), "Tovik - " + std::string(241, 'x') + " 2.txt");

    const std::string sixty = repeated(family, 60);
    for (const unsigned number : {1u, 2u, 10u, 1000000u}) {
        const std::string name = exporter::exportFileName(sixty, number);
        const std::string suffix = number == 1 ? ".txt" : " " + std::to_string(number) + ".txt";
        const std::size_t budget = 255 - 8 - suffix.size();
        EXPECT_EQ(name, "Tovik - " + repeated(family, static_cast<int>(budget / family.size())) + suffix);
        EXPECT_LE(name.size(), 255u);
    }
    EXPECT_EQ(exporter::exportFileName(sixty, 1, 143), "Tovik - " + repeated(family, 5) + ".txt");
}

TEST(ExportFileName, UsesIMessageWhenNotOneClusterFits)
{
    const std::string oneHugeCluster = "e" + repeated("\xCC\x81", 200);

    EXPECT_EQ(exporter::exportFileName(oneHugeCluster, 3), "Tovik - iMessage 3.txt");
}

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
    const std::string file =
        "# XDG_DOWNLOAD_DIR=\"/commented\"\n"
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
        const ScopedEnvironment home("HOME", temp.path().string());
        const ScopedEnvironment config("XDG_CONFIG_HOME", (temp / "cfg").string());
        EXPECT_EQ(exporter::downloadsFolder(), temp / "Fetched");
    }
    {
        const ScopedEnvironment home("HOME", temp.path().string());
        const ScopedEnvironment config("XDG_CONFIG_HOME", std::nullopt);
        EXPECT_EQ(exporter::downloadsFolder(), temp / "Downloads");
    }
    for (const auto &unusable : {std::optional<std::string>(), std::optional<std::string>("rel")}) {
        const ScopedEnvironment home("HOME", unusable);
        const ScopedEnvironment config("XDG_CONFIG_HOME", std::nullopt);
        EXPECT_TRUE(exporter::downloadsFolder().is_absolute());
    }
}

class WriteExportTest : public ::testing::Test
{
protected:
    testsupport::TempDir temp;
    fs::path folder = temp.path();
};

TEST_F(WriteExportTest, WritesTheTextExactlyUnderTheTitle)
{
    const std::string text("Mar 09, 2024  9:15:00 AM\nAnna\nhi\0\xF0\x9F\x98\x80\n\n", 35);

    const auto written = exporter::writeExport(text, "Anna / Ben: plans?", folder);

    ASSERT_TRUE(written) << written.error().detail;
    EXPECT_EQ(*written, folder / "Tovik - Anna   Ben  plans.txt");
    EXPECT_EQ(testsupport::readFile(*written), text);
    EXPECT_THAT(namesIn(folder), ElementsAre("Tovik - Anna   Ben  plans.txt"));
}

TEST_F(WriteExportTest, WritesAnEmptyTextAsAnEmptyFile)
{
    const auto written = exporter::writeExport("", "", folder);

    ASSERT_TRUE(written) << written.error().detail;
    EXPECT_EQ(*written, folder / "Tovik - iMessage.txt");
    EXPECT_EQ(fs::file_size(*written), 0u);
}

TEST_F(WriteExportTest, NumbersNamesAfterTakenOnes)
{
    testsupport::writeFile(folder / "Tovik - Anna.txt", "first");
    testsupport::writeFile(folder / "Tovik - Anna 2.txt", "second");

    const auto third = exporter::writeExport("third", "Anna", folder);

    ASSERT_TRUE(third) << third.error().detail;
    EXPECT_EQ(third->filename(), "Tovik - Anna 3.txt");
    EXPECT_EQ(testsupport::readFile(folder / "Tovik - Anna.txt"), "first");
    EXPECT_EQ(testsupport::readFile(folder / "Tovik - Anna 2.txt"), "second");
}

TEST_F(WriteExportTest, TakesTheFirstFreeName)
{
    testsupport::writeFile(folder / "Tovik - Anna 2.txt", "second");

    const auto written = exporter::writeExport("new", "Anna", folder);

    ASSERT_TRUE(written) << written.error().detail;
    EXPECT_EQ(written->filename(), "Tovik - Anna.txt");
}

TEST_F(WriteExportTest, CountsFoldersAndDanglingLinksAsTaken)
{
    fs::create_directory(folder / "Tovik - Anna.txt");
    fs::create_symlink(folder / "nowhere", folder / "Tovik - Anna 2.txt");

    const auto written = exporter::writeExport("x", "Anna", folder);

    ASSERT_TRUE(written) << written.error().detail;
    EXPECT_EQ(written->filename(), "Tovik - Anna 3.txt");
    EXPECT_FALSE(fs::exists(folder / "nowhere"));
    EXPECT_TRUE(fs::is_directory(folder / "Tovik - Anna.txt"));
}

TEST_F(WriteExportTest, CreatesAMissingFolderWithItsParents)
{
    const ScopedUmask mask(022);
    const fs::path downloads = folder / "home" / "anna" / "Downloads";

    const auto written = exporter::writeExport("x", "Anna", downloads);

    ASSERT_TRUE(written) << written.error().detail;
    EXPECT_EQ(*written, downloads / "Tovik - Anna.txt");
    EXPECT_EQ(fs::status(downloads).permissions(), fs::perms(0755));
    EXPECT_EQ(fs::status(folder / "home").permissions(), fs::perms(0755));
    EXPECT_EQ(fs::status(*written).permissions(), fs::perms(0644));
}

TEST_F(WriteExportTest, FailsCleanlyWhenAFileIsWhereTheFolderShouldBe)
{
    testsupport::writeFile(folder / "Downloads", "not a folder");

    const auto direct = exporter::writeExport("x", "Anna", folder / "Downloads");
    const auto below = exporter::writeExport("x", "Anna", folder / "Downloads" / "inner");

    ASSERT_FALSE(direct);
    EXPECT_EQ(direct.error().kind, common::Error::Kind::Exists);
    EXPECT_THAT(direct.error().detail, ::testing::HasSubstr((folder / "Downloads").string()));
    ASSERT_FALSE(below);
    EXPECT_THAT(namesIn(folder), ElementsAre("Downloads"));
    EXPECT_EQ(testsupport::readFile(folder / "Downloads"), "not a folder");
}

TEST_F(WriteExportTest, KeepsPathLikeTitlesInsideTheFolder)
{
    for (const std::string title : {"../../x", "/etc/passwd", "..", ".", "a/../../b"}) {
        const auto written = exporter::writeExport(title, title, folder / "out");

        ASSERT_TRUE(written) << written.error().detail;
        EXPECT_EQ(written->parent_path(), folder / "out") << title;
        EXPECT_EQ(testsupport::readFile(*written), title);
    }
    EXPECT_THAT(namesIn(folder / "out"),
                ElementsAre("Tovik - .. .. x.txt",
                            "Tovik - ...txt",
                            "Tovik - ..txt",
                            "Tovik - a .. .. b.txt",
                            "Tovik - etc passwd.txt"));
    EXPECT_THAT(namesIn(folder), ElementsAre("out"));
}

TEST_F(WriteExportTest, CutsNamesToTheFileSystemsLimit)
{
    const std::string title = repeated(family, 60);

    const auto first = exporter::writeExport("1", title, folder);
    const auto second = exporter::writeExport("2", title, folder);

    ASSERT_TRUE(first) << first.error().detail;
    ASSERT_TRUE(second) << second.error().detail;
    EXPECT_EQ(first->filename(), "Tovik - " + repeated(family, 9) + ".txt");
    EXPECT_EQ(second->filename(), "Tovik - " + repeated(family, 9) + " 2.txt");
    EXPECT_EQ(testsupport::readFile(*second), "2");
}

TEST_F(WriteExportTest, LeavesNothingBehindWhenWritingFails)
{
    const std::string text(64 * 1024, 'x');

    // The file size limit stops the write part way, as a full disk would; root is not exempt.
    const int status = exitStatusOfChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const auto written = exporter::writeExport(text, "Anna", folder);
        if (written)
            return 1;
        return written.error().kind == common::Error::Kind::NoSpace ? 0 : 2;
    });

    EXPECT_EQ(status, 0);
    EXPECT_THAT(namesIn(folder), IsEmpty());
}

TEST_F(WriteExportTest, WorksWithEveryPublishMethod)
{
    for (const auto method : {exporter::PublishMethod::RenameNoReplace,
                              exporter::PublishMethod::Link,
                              exporter::PublishMethod::Placeholder}) {
        testsupport::writeFile(folder / "Tovik - Anna.txt", "keep");

        const auto written = exporter::writeExport("new", "Anna", folder, method);

        ASSERT_TRUE(written) << written.error().detail;
        EXPECT_EQ(written->filename(), "Tovik - Anna 2.txt");
        EXPECT_EQ(testsupport::readFile(*written), "new");
        EXPECT_EQ(testsupport::readFile(folder / "Tovik - Anna.txt"), "keep");
        EXPECT_THAT(namesIn(folder), ElementsAre("Tovik - Anna 2.txt", "Tovik - Anna.txt"));
        fs::remove(*written);
    }
}

TEST_F(WriteExportTest, PublishingNeverReplacesWhatHoldsTheName)
{
    for (const auto first : {exporter::PublishMethod::RenameNoReplace,
                             exporter::PublishMethod::Link,
                             exporter::PublishMethod::Placeholder}) {
        testsupport::writeFile(folder / "temp", "complete");
        testsupport::writeFile(folder / "taken", "someone else's");
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
        ASSERT_GE(fd, 0);

        auto method = first;
        const auto taken = exporter::publishWithoutReplacing(fd, "temp", "taken", method);
        const auto free = exporter::publishWithoutReplacing(fd, "temp", "free", method);
        ::close(fd);

        ASSERT_TRUE(taken) << taken.error().detail;
        EXPECT_EQ(*taken, exporter::PublishOutcome::NameTaken);
        ASSERT_TRUE(free) << free.error().detail;
        EXPECT_EQ(*free, exporter::PublishOutcome::Published);
        EXPECT_EQ(testsupport::readFile(folder / "taken"), "someone else's");
        EXPECT_EQ(testsupport::readFile(folder / "free"), "complete");
        EXPECT_THAT(namesIn(folder), ElementsAre("free", "taken"));
        fs::remove(folder / "free");
        fs::remove(folder / "taken");
    }
}

// Several processes export the same title at the same moment: each gets its own file, whole.
TEST_F(WriteExportTest, ConcurrentExportsNeverReplaceEachOther)
{
    constexpr int processes = 8;
    for (const auto method : {exporter::PublishMethod::RenameNoReplace,
                              exporter::PublishMethod::Link,
                              exporter::PublishMethod::Placeholder}) {
        const fs::path target = folder / ("race-" + std::to_string(static_cast<int>(method)));
        int gate[2];
        ASSERT_EQ(::pipe(gate), 0);
        std::vector<pid_t> children;
        for (int i = 0; i < processes; ++i) {
            const pid_t pid = ::fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                ::close(gate[1]);
                char byte = 0;
                [[maybe_unused]] const auto opened = ::read(gate[0], &byte, 1); // returns at EOF: go
                const std::string text = "writer " + std::to_string(i) + "\n" + std::string(200000, 'a' + i);
                const auto written = exporter::writeExport(text, "Anna", target, method);
                ::_exit(written && testsupport::readFile(*written) == text ? 0 : 1);
            }
            children.push_back(pid);
        }
        ::close(gate[0]);
        ::close(gate[1]); // Opens the gate for all at once.
        for (const pid_t pid : children) {
            int status = 0;
            ::waitpid(pid, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }

        std::vector<std::string> expectedNames = {"Tovik - Anna.txt"};
        for (int n = 2; n <= processes; ++n)
            expectedNames.push_back("Tovik - Anna " + std::to_string(n) + ".txt");
        std::sort(expectedNames.begin(), expectedNames.end());
        EXPECT_EQ(namesIn(target), expectedNames);
        std::vector<bool> seen(processes, false);
        for (const auto &name : namesIn(target)) {
            const std::string content = testsupport::readFile(target / name);
            const int writer = content.size() > 7 ? content[7] - '0' : -1;
            ASSERT_TRUE(writer >= 0 && writer < processes) << name;
            EXPECT_EQ(content, "writer " + std::to_string(writer) + "\n" + std::string(200000, 'a' + writer));
            EXPECT_FALSE(seen[static_cast<std::size_t>(writer)]) << name;
            seen[static_cast<std::size_t>(writer)] = true;
        }
    }
}

} // namespace
