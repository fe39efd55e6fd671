#include "common/no_dumps.h"

#include "common/home.h"

#include <sys/prctl.h>

namespace common
{

bool turnOffDumps()
{
#ifndef NDEBUG
    if (environmentValue("TOVIK_ALLOW_DUMPS") == "1")
        return false;
#endif
    return ::prctl(PR_SET_DUMPABLE, 0) == 0;
}

} // namespace common
