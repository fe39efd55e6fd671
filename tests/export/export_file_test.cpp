#include "export/export_file.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "support/text_samples.h"

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

using testsupport::family;
using testsupport::repeated;

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

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
    EXPECT_THAT(testsupport::folderEntries(folder), ElementsAre("Tovik - Anna   Ben  plans.txt"));
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
    EXPECT_THAT(testsupport::folderEntries(folder), ElementsAre("Downloads"));
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
    EXPECT_THAT(testsupport::folderEntries(folder / "out"),
                ElementsAre("Tovik - .. .. x.txt", "Tovik - ...txt", "Tovik - ..txt", "Tovik - a .. .. b.txt",
                            "Tovik - etc passwd.txt"));
    EXPECT_THAT(testsupport::folderEntries(folder), ElementsAre("out"));
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
    const int status = testsupport::runInChild(false, [&](std::string &) {
                           std::signal(SIGXFSZ, SIG_IGN);
                           const rlimit limit{4096, 4096};
                           ::setrlimit(RLIMIT_FSIZE, &limit);
                           const auto written = exporter::writeExport(text, "Anna", folder);
                           if (written)
                               return 1;
                           return written.error().kind == common::Error::Kind::NoSpace ? 0 : 2;
                       }).status;

    EXPECT_EQ(status, 0);
    EXPECT_THAT(testsupport::folderEntries(folder), IsEmpty());
}

TEST_F(WriteExportTest, WorksWithEveryPublishMethod)
{
    for (const auto method : {exporter::PublishMethod::RenameNoReplace, exporter::PublishMethod::Link,
                              exporter::PublishMethod::Placeholder}) {
        testsupport::writeFile(folder / "Tovik - Anna.txt", "keep");

        const auto written = exporter::writeExport("new", "Anna", folder, method);

        ASSERT_TRUE(written) << written.error().detail;
        EXPECT_EQ(written->filename(), "Tovik - Anna 2.txt");
        EXPECT_EQ(testsupport::readFile(*written), "new");
        EXPECT_EQ(testsupport::readFile(folder / "Tovik - Anna.txt"), "keep");
        EXPECT_THAT(testsupport::folderEntries(folder), ElementsAre("Tovik - Anna 2.txt", "Tovik - Anna.txt"));
        fs::remove(*written);
    }
}

TEST_F(WriteExportTest, PublishingNeverReplacesWhatHoldsTheName)
{
    for (const auto first : {exporter::PublishMethod::RenameNoReplace, exporter::PublishMethod::Link,
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
        EXPECT_THAT(testsupport::folderEntries(folder), ElementsAre("free", "taken"));
        fs::remove(folder / "free");
        fs::remove(folder / "taken");
    }
}

// Several processes export the same title at the same moment: each gets its own file, whole.
TEST_F(WriteExportTest, ConcurrentExportsNeverReplaceEachOther)
{
    constexpr int processes = 8;
    for (const auto method : {exporter::PublishMethod::RenameNoReplace, exporter::PublishMethod::Link,
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
        EXPECT_EQ(testsupport::folderEntries(target), expectedNames);
        std::vector<bool> seen(processes, false);
        for (const auto &name : testsupport::folderEntries(target)) {
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
