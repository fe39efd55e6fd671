#include "common/log.h"

#include "support/child_process.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

namespace
{

// What a fresh process with TOVIK_LOG set to `setting` (unset for none) writes on standard
// error when every category logs one line holding a control character.
std::string loggedWith(const char *setting)
{
    testsupport::TempDir dir;
    const auto errFile = dir / "stderr";
    const auto outcome = testsupport::runInChild(false, [&](std::string &) {
        if (setting)
            ::setenv("TOVIK_LOG", setting, 1);
        else
            ::unsetenv("TOVIK_LOG");
        const int fd = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0 || ::dup2(fd, STDERR_FILENO) < 0)
            return 1;
        for (const auto category : {common::LogCategory::Store, common::LogCategory::Sources, common::LogCategory::App})
            common::log(category, "opened /tmp/a\x1b[2Jb");
        return 0;
    });
    EXPECT_EQ(outcome.status, 0);
    std::ifstream in(errFile);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(Log, SilentUnlessACategoryIsTurnedOnAndThenEscaped)
{
    EXPECT_EQ(loggedWith(nullptr), "");
    EXPECT_EQ(loggedWith(""), "");
    EXPECT_EQ(loggedWith("sources,app"),
              "tovik[sources]: opened /tmp/a\\x1B[2Jb\ntovik[app]: opened /tmp/a\\x1B[2Jb\n");
    const std::string all = loggedWith("all");
    EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 3) << all;
}
