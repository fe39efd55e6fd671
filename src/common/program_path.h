#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace common
{

// True when a folder of `searchPath` (a PATH value: folders separated by ":", an empty one being
// the current folder) holds an executable file named `name`. Each folder is looked at once; a
// folder on a slow disk makes this wait, so the window asks off its main thread.
[[nodiscard]] bool isOnPath(std::string_view name, const std::optional<std::string> &searchPath);

} // namespace common
