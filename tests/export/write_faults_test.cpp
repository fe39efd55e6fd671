// Real faults while the export file is written: a file-size limit that stops the write at every
// stage, a full file system, a Downloads folder the user cannot write or a file in its place,
// and many processes exporting the same title at once. Each export either leaves one complete
// file under a fresh name, or fails and leaves nothing at all.
#include "export/export_file.h"

#include "support/child_process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <iostream>
#include <map>
#include <sched.h>
#include <set>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>
#include <vector>

using testsupport::ChildOutcome;
using testsupport::runInChild;

namespace
{

namespace fs = std::filesystem;

constexpr uid_t nobody = 65534;
constexpr int skipStatus = 77;

std::map<std::string, std::string> folderContents(const fs::path &folder)
{
    std::map<std::string, std::string> contents;
    for (const auto &entry : fs::directory_iterator(folder))
        contents[entry.path().filename().string()] =
            entry.is_directory() ? "<folder>" : testsupport::readFile(entry.path());
    return contents;
}

// "ok <file name>" or "failed <kind number> <detail>".
std::string describe(const common::Result<fs::path> &written)
{
    if (written)
        return "ok " + written->filename().string();
    return "failed " + std::to_string(static_cast<int>(written.error().kind)) + " " + written.error().detail;
}

std::string failedWith(common::Error::Kind kind)
{
    return "failed " + std::to_string(static_cast<int>(kind)) + " ";
}

// An export text of `size` bytes in which every line is different.
std::string exportText(std::size_t size, const std::string &tag)
{
    std::string text;
    for (int line = 0; text.size() < size; ++line)
        text += tag + " line " + std::to_string(line) + "\n";
    text.resize(size);
    return text;
}

class WriteFaultsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::permissions(temp.path(), fs::perms(0755));
        fs::create_directory(downloads);
        testsupport::writeFile(downloads / "Tovik - Anna.txt", "an earlier export");
    }

    void TearDown() override
    {
        std::error_code ec;
        for (const auto &entry : fs::recursive_directory_iterator(temp.path(), ec))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }

    testsupport::TempDir temp;
    fs::path downloads = temp / "Downloads";
};

} // namespace

// The limit stops the write at every stage: creating the temporary file (limit 0 allows that),
// the first byte, page boundaries, the last byte. Root is not exempt from RLIMIT_FSIZE.
TEST_F(WriteFaultsTest, FileSizeLimitAtAnyPointLeavesNothing)
{
    const std::string text = exportText(300 * 1024, "Anna");
    const auto before = folderContents(downloads);
    std::vector<rlim_t> limits = {
        0, 1, 100, 4095, 4096, 4097, 65535, 65536, 131072, 200000, text.size() - 4096, text.size() - 1};
    for (rlim_t limit = 7; limit < text.size(); limit = limit * 3 + 1)
        limits.push_back(limit);

    for (const rlim_t limit : limits) {
        const auto outcome = runInChild(false, [&](std::string &report) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit fileSize{limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &fileSize);
            report = describe(exporter::writeExport(text, "Anna", downloads));
            return 0;
        });

        EXPECT_EQ(outcome.report.rfind(failedWith(common::Error::Kind::NoSpace), 0), 0u)
            << limit << ": " << outcome.report;
        EXPECT_EQ(folderContents(downloads), before) << limit;
    }

    // Exactly enough room: the export is written whole under the next free name.
    const auto fits = runInChild(false, [&](std::string &report) {
        const rlimit fileSize{text.size(), text.size()};
        ::setrlimit(RLIMIT_FSIZE, &fileSize);
        report = describe(exporter::writeExport(text, "Anna", downloads));
        return 0;
    });
    EXPECT_EQ(fits.report, "ok Tovik - Anna 2.txt");
    EXPECT_EQ(testsupport::readFile(downloads / "Tovik - Anna 2.txt"), text);
    std::cout << limits.size() << " file-size faults injected, none left a file behind\n";
}

// A small file system of its own, filled by exports until it is full. Needs a private mount,
// which a container may not allow.
TEST_F(WriteFaultsTest, FullFileSystemLeavesOnlyCompleteExports)
{
    const auto outcome = runInChild(false, [&](std::string &report) {
        if (::geteuid() != 0) {
            const uid_t uid = ::geteuid();
            const gid_t gid = ::getegid();
            if (::unshare(CLONE_NEWUSER) != 0) {
                report = "no user namespaces";
                return skipStatus;
            }
            std::ofstream("/proc/self/setgroups") << "deny";
            std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
            std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
        }
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            report = "mounting is not allowed here";
            return skipStatus;
        }
        // One file system runs out of space, the other of inodes, the first file it cannot create
        // being the temporary one.
        int written = 0;
        int failures = 0;
        for (const auto &[name, options, size] : {std::tuple{"space", "size=256k", std::size_t{40000}},
                                                  std::tuple{"inodes", "size=4m,nr_inodes=16", std::size_t{10}}}) {
            const fs::path small = temp / name;
            fs::create_directory(small);
            if (::mount("tovik-test", small.c_str(), "tmpfs", 0, options) != 0) {
                report = "mounting is not allowed here";
                return skipStatus;
            }
            std::map<std::string, std::string> expected;
            for (int i = 0, failed = 0; failed < 10; ++i) {
                const std::string text =
                    exportText(size + 997 * static_cast<std::size_t>(i % 7), "export " + std::to_string(i));
                const auto exported = exporter::writeExport(text, "Anna", small);
                if (exported) {
                    expected[exported->filename().string()] = text;
                    continue;
                }
                ++failed;
                if (exported.error().kind != common::Error::Kind::NoSpace) {
                    report = "unexpected failure: " + exported.error().detail;
                    return 1;
                }
            }
            if (folderContents(small) != expected) {
                report = std::string(name) + ": the folder holds other files than the complete exports";
                return 1;
            }
            written += static_cast<int>(expected.size());
            failures += 10;
        }
        report = std::to_string(written) + " " + std::to_string(failures);
        return 0;
    });

    if (outcome.status == skipStatus)
        GTEST_SKIP() << "needs a private tmpfs mount: " << outcome.report;
    ASSERT_EQ(outcome.status, 0) << outcome.report;
    const int written = std::stoi(outcome.report);
    const int failures = std::stoi(outcome.report.substr(outcome.report.find(' ')));
    EXPECT_GT(written, 5);
    EXPECT_GT(failures, 0);
    std::cout << failures << " full-disk faults met after " << written << " complete exports; no partial file\n";
}

TEST_F(WriteFaultsTest, DownloadsTheUserCannotWriteFailsCleanly)
{
    const fs::path home = temp / "home";
    fs::create_directories(home / "Downloads");
    testsupport::writeFile(home / "Downloads" / "keep.txt", "keep");
    fs::permissions(home / "Downloads", fs::perms(0555));
    fs::create_directories(temp / "locked-home");
    fs::permissions(temp / "locked-home", fs::perms(0555));

    const auto outcome = runInChild(true, [&](std::string &report) {
        ::unsetenv("XDG_CONFIG_HOME");
        ::setenv("HOME", home.c_str(), 1);
        report = describe(exporter::writeExport("text", "Anna")) + "\n";
        // No Downloads yet, and a home folder in which it cannot be made.
        ::setenv("HOME", (temp / "locked-home").c_str(), 1);
        report += describe(exporter::writeExport("text", "Anna"));
        return 0;
    });

    const auto lines = outcome.report.substr(0, outcome.report.find('\n'));
    EXPECT_EQ(lines.rfind(failedWith(common::Error::Kind::NoPermission), 0), 0u) << outcome.report;
    EXPECT_EQ(
        outcome.report.substr(outcome.report.find('\n') + 1).rfind(failedWith(common::Error::Kind::NoPermission), 0),
        0u)
        << outcome.report;
    EXPECT_EQ(folderContents(home / "Downloads"), (std::map<std::string, std::string>{{"keep.txt", "keep"}}));
    EXPECT_TRUE(fs::is_empty(temp / "locked-home"));
}

TEST_F(WriteFaultsTest, SomethingElseWhereDownloadsShouldBeFailsCleanly)
{
    const fs::path fileHome = temp / "file-home";
    fs::create_directories(fileHome);
    testsupport::writeFile(fileHome / "Downloads", "a file named Downloads");
    const fs::path linkHome = temp / "link-home";
    fs::create_directories(linkHome);
    fs::create_symlink(temp / "nowhere", linkHome / "Downloads");

    const auto outcome = runInChild(false, [&](std::string &report) {
        ::unsetenv("XDG_CONFIG_HOME");
        ::setenv("HOME", fileHome.c_str(), 1);
        report = describe(exporter::writeExport("text", "Anna")) + "\n";
        ::setenv("HOME", linkHome.c_str(), 1);
        report += describe(exporter::writeExport("text", "Anna"));
        return 0;
    });

    EXPECT_EQ(outcome.report.rfind(failedWith(common::Error::Kind::Exists), 0), 0u) << outcome.report;
    EXPECT_EQ(outcome.report.substr(outcome.report.find('\n') + 1).rfind(failedWith(common::Error::Kind::Exists), 0),
              0u)
        << outcome.report;
    EXPECT_EQ(testsupport::readFile(fileHome / "Downloads"), "a file named Downloads");
    EXPECT_FALSE(fs::exists(temp / "nowhere"));
    EXPECT_EQ(folderContents(fileHome).size(), 1u);
    EXPECT_EQ(folderContents(linkHome).size(), 1u);
}

// Four processes export the same title 250 times each, all at once: 1,000 files, numbered 1 to
// 1,000 without a gap, each holding exactly one export, and no temporary file left.
TEST_F(WriteFaultsTest, ThousandExportsOfOneTitleFromFourProcessesGetThousandFiles)
{
    constexpr int processes = 4;
    constexpr int exportsEach = 250;
    const fs::path target = temp / "race";
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    std::vector<pid_t> children;
    for (int p = 0; p < processes; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(gate[1]);
            char byte = 0;
            [[maybe_unused]] const auto opened = ::read(gate[0], &byte, 1); // returns at EOF: go
            for (int i = 0; i < exportsEach; ++i) {
                const std::string text = "process " + std::to_string(p) + " export " + std::to_string(i) + "\n"
                    + std::string(static_cast<std::size_t>(100 + 37 * i), static_cast<char>('a' + p));
                const auto written = exporter::writeExport(text, "Anna", target);
                if (!written)
                    ::_exit(1);
            }
            ::_exit(0);
        }
        children.push_back(pid);
    }
    ::close(gate[0]);
    ::close(gate[1]);
    for (const pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    std::set<std::string> expectedNames = {"Tovik - Anna.txt"};
    for (int n = 2; n <= processes * exportsEach; ++n)
        expectedNames.insert("Tovik - Anna " + std::to_string(n) + ".txt");
    std::set<std::string> contents;
    std::set<std::string> names;
    for (const auto &entry : fs::directory_iterator(target)) {
        names.insert(entry.path().filename().string());
        const std::string content = testsupport::readFile(entry.path());
        const auto header = content.substr(0, content.find('\n'));
        const int p = header.size() > 8 ? header[8] - '0' : -1;
        const int i = std::atoi(header.c_str() + header.rfind(' ') + 1);
        EXPECT_EQ(content,
                  header + "\n" + std::string(static_cast<std::size_t>(100 + 37 * i), static_cast<char>('a' + p)))
            << entry.path().filename();
        contents.insert(header);
    }
    EXPECT_EQ(names, expectedNames);
    EXPECT_EQ(contents.size(), static_cast<std::size_t>(processes * exportsEach));
}
