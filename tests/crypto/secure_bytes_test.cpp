#include "crypto/secure_bytes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <sys/resource.h>

namespace
{

// VmLck of this process, in kB.
long lockedKilobytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmLck:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

} // namespace

TEST(SecureBytes, ASecretIsLockedInMemoryWhileItLivesWhereTheSystemAllows)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer's allocator maps and locks memory in its own way";
#endif
    rlimit limit{};
    ::getrlimit(RLIMIT_MEMLOCK, &limit);
    constexpr std::size_t size = 256 * 1024;
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < 2 * size)
        GTEST_SKIP() << "RLIMIT_MEMLOCK is " << limit.rlim_cur << " bytes here";
    const long before = lockedKilobytes();
    {
        const crypto::SecureBytes secret(size);
        EXPECT_GE(lockedKilobytes() - before, static_cast<long>(size / 1024));
    }
    EXPECT_EQ(lockedKilobytes(), before);
}
