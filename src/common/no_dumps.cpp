#include "common/no_dumps.h"

#include <cstdlib>
#include <cstring>
#include <sys/prctl.h>

namespace common
{

bool turnOffDumps()
{
#ifndef NDEBUG
    if (const char *allow = std::getenv("TOVIK_ALLOW_DUMPS"); allow != nullptr && std::strcmp(allow, "1") == 0)
        return false;
#endif
    return ::prctl(PR_SET_DUMPABLE, 0) == 0;
}

} // namespace common
