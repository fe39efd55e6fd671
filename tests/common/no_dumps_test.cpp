#include "common/no_dumps.h"
#include "support/child_process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/prctl.h>

namespace
{

// Whether a child that calls turnOffDumps() with TOVIK_ALLOW_DUMPS set to `allow` stays dumpable.
bool staysDumpable(const char *allow)
{
    const auto outcome = testsupport::runInChild(false, [&](std::string &) {
        ::prctl(PR_SET_DUMPABLE, 1);
        if (allow != nullptr)
            ::setenv("TOVIK_ALLOW_DUMPS", allow, 1);
        else
            ::unsetenv("TOVIK_ALLOW_DUMPS");
        const bool off = common::turnOffDumps();
        return ::prctl(PR_GET_DUMPABLE) == 1 && !off ? 0 : 1;
    });
    return outcome.status == 0;
}

} // namespace

TEST(NoDumps, DumpsAreOffAndOnlyADebugBuildKeepsThemOnRequest)
{
    EXPECT_FALSE(staysDumpable(nullptr));
    EXPECT_FALSE(staysDumpable("0"));
#ifdef NDEBUG
    EXPECT_FALSE(staysDumpable("1"));
#else
    EXPECT_TRUE(staysDumpable("1"));
#endif
}
