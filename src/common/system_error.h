#pragma once

#include "common/result.h"

#include <string_view>

namespace common
{

// What a failed system call's errno means to callers: every reader and writer of the core maps
// errno here, so a missing file is NotFound wherever it is met.
[[nodiscard]] Error::Kind errorKindOf(int error) noexcept;

// The error for a failed system call: `what` (the action and the path it was done to), then the
// system's own words for `error`.
[[nodiscard]] Error errorFromErrno(int error, std::string_view what);

} // namespace common
