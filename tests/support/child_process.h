#pragma once

#include <functional>
#include <string>

#include <sys/types.h>

namespace testsupport
{

// The user tests become when they need to be without privileges (CI runs as root, who ignores
// file permissions).
inline constexpr uid_t nobodyUid = 65534;

struct ChildOutcome {
    int status = -1; // exit status, or 128 + signal
    std::string report; // what the child wrote into `report`
};

// Runs `body` in a forked child and waits for it. With `unprivileged`, a root parent's child
// first becomes "nobody" (status 99 and a report saying so when it cannot).
ChildOutcome runInChild(bool unprivileged, const std::function<int(std::string &report)> &body);

} // namespace testsupport
