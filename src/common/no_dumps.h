#pragma once

namespace common
{

// Turns core dumps and ptrace off for this process (PR_SET_DUMPABLE 0): a password or a backup's
// keys are never written into a dump nor read by another process of the same user. Both programs
// call it first thing. In a debug build only (NDEBUG not defined), TOVIK_ALLOW_DUMPS=1 in the
// environment keeps them on, for a debugger or a crash's dump; a release build ignores it.
// Returns true when dumps are off afterwards.
bool turnOffDumps();

} // namespace common
