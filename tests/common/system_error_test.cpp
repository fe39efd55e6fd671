#include "common/system_error.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

namespace
{

using Kind = common::Error::Kind;

// errno as real calls leave it, so the mapping is checked against what the system reports.
int errnoOfOpening(const std::filesystem::path &path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return 0;
    }
    return errno;
}

TEST(ErrorFromErrno, EachFailureOfARealCallHasOneKind)
{
    const auto dir = std::filesystem::path(::testing::TempDir()) / "system-error";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "file") << "x";

    EXPECT_EQ(common::errorKindOf(errnoOfOpening(dir / "missing", O_RDONLY)), Kind::NotFound);
    // A file where a folder is expected: nothing is at the path, the same as a missing one.
    EXPECT_EQ(common::errorKindOf(errnoOfOpening(dir / "file" / "inside", O_RDONLY)), Kind::NotFound);
    EXPECT_EQ(common::errorKindOf(errnoOfOpening(dir / "file", O_WRONLY | O_CREAT | O_EXCL)), Kind::Exists);
    EXPECT_EQ(common::errorKindOf(errnoOfOpening(dir / std::string(300, 'n'), O_RDONLY)), Kind::Invalid);
    if (::geteuid() != 0) {
        std::filesystem::permissions(dir / "file", std::filesystem::perms::none);
        EXPECT_EQ(common::errorKindOf(errnoOfOpening(dir / "file", O_RDONLY)), Kind::NoPermission);
    }
    EXPECT_EQ(common::errorKindOf(ENOSPC), Kind::NoSpace);
    EXPECT_EQ(common::errorKindOf(EIO), Kind::Io);
    std::filesystem::remove_all(dir);
}

TEST(ErrorFromErrno, DetailNamesTheActionAndTheSystemsWords)
{
    const common::Error error = common::errorFromErrno(ENOENT, "cannot open /x/contacts.vcf");
    EXPECT_EQ(error.kind, Kind::NotFound);
    EXPECT_EQ(error.detail, "cannot open /x/contacts.vcf: No such file or directory");
}

} // namespace
