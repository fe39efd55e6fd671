#pragma once

#include <filesystem>

namespace common
{

// Whether a regular file, or a folder, is at `path` (symbolic links followed). Anything that
// cannot be looked at is neither: these only choose between readings; the reading that follows
// reports why a path failed.
[[nodiscard]] bool isFile(const std::filesystem::path &path) noexcept;
[[nodiscard]] bool isFolder(const std::filesystem::path &path) noexcept;

} // namespace common
