#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace exporter
{

// Where exports go on Linux: XDG_DOWNLOAD_DIR from the user-dirs file when it names an absolute or
// $HOME-relative folder, else home + "/Downloads". An empty `home` (no HOME and no passwd entry)
// gives an empty path.
[[nodiscard]] std::filesystem::path downloadsFolderFrom(const std::filesystem::path &home,
                                                        std::optional<std::string_view> userDirsText);

// The user-dirs file: $XDG_CONFIG_HOME/user-dirs.dirs when that is set and absolute, else
// home + "/.config/user-dirs.dirs".
[[nodiscard]] std::filesystem::path userDirsFile(const std::filesystem::path &home,
                                                 std::optional<std::string_view> xdgConfigHome);

// The XDG_DOWNLOAD_DIR value of a user-dirs file's text, read as the desktop's own tools read it:
// one double-quoted value per line, backslash escapes, "$HOME" only at its start; the last valid
// line wins. Absent when there is none, or when the value is neither absolute nor $HOME-relative.
[[nodiscard]] std::optional<std::filesystem::path> parseDownloadDir(std::string_view userDirsText,
                                                                    const std::filesystem::path &home);

// downloadsFolderFrom over this process's home folder (common::homeFolder()), XDG_CONFIG_HOME and
// the user-dirs file.
[[nodiscard]] std::filesystem::path downloadsFolder();

} // namespace exporter
