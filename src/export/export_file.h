#pragma once

#include "common/result.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace exporter
{

// The title as the name part of an export file: each of / \ : ? % * | " < >, every control
// character (C0 including LF, CR, tab and NUL; DEL; C1) and the line and paragraph separators
// become one space; the bidirectional controls (Bidi_Control) are removed; tab and Zs spaces are
// trimmed from both ends; at most the first 60 grapheme clusters are kept, untrimmed; "iMessage"
// when nothing is left. Never empty and never holds a path separator. Ill-formed UTF-8 comes
// back with U+FFFD in its place.
[[nodiscard]] std::string safeFileName(std::string_view title);

// "Tovik - " + name + ".txt" for number 1, "Tovik - " + name + " N.txt" from 2 on. When that is more
// than `maxBytes` bytes, the name is cut to its longest prefix of whole grapheme clusters that fits;
// when not even one cluster fits, "iMessage" stands in. Names that fit are unchanged.
[[nodiscard]] std::string exportFileName(std::string_view safeName, unsigned number, std::size_t maxBytes = 255);

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

// downloadsFolderFrom over this process's HOME (or its passwd entry when HOME is unset, empty or
// relative), XDG_CONFIG_HOME and the user-dirs file.
[[nodiscard]] std::filesystem::path downloadsFolder();

// How a complete temporary file is given its final name without replacing anything there.
// writeExport starts with RenameNoReplace and moves down the list when the file system lacks it.
enum class PublishMethod {
    RenameNoReplace, // renameat2 with RENAME_NOREPLACE: atomic, the temporary name disappears.
    Link, // a hard link under the final name, then the temporary name is removed.
    Placeholder, // an empty file claimed with O_EXCL, then replaced by the complete one.
};

// Writes `text` byte for byte to a new file "Tovik - <safe title>[ N].txt" in `folder` (default:
// downloadsFolder()), creating the folder and its parents (mode 0755) when missing. Taking the
// first name under which nothing at all exists, it never replaces a file, not even one that another
// process creates meanwhile: the text goes to a hidden temporary file that is synced and then
// published under a free name in one step that fails when the name is taken. Returns the file's
// path. On failure nothing is left behind, neither the temporary file nor anything under the
// final name. The caller's thread is the only one involved; many processes may export at once.
[[nodiscard]] common::Result<std::filesystem::path>
writeExport(std::string_view text, std::string_view title, std::optional<std::filesystem::path> folder = std::nullopt);

// writeExport starting at a given method; lets tests cover the fallbacks on any file system.
[[nodiscard]] common::Result<std::filesystem::path> writeExport(std::string_view text,
                                                                std::string_view title,
                                                                std::optional<std::filesystem::path> folder,
                                                                PublishMethod firstMethod);

enum class PublishOutcome {
    Published,
    NameTaken,
};

// One publishing attempt inside the open folder `folderFd`. NameTaken leaves both the temporary
// file and whatever holds the final name untouched. When the file system does not support
// `method`, it is lowered to the next one and the attempt is made again.
[[nodiscard]] common::Result<PublishOutcome>
publishWithoutReplacing(int folderFd, const std::string &tempName, const std::string &finalName, PublishMethod &method);

} // namespace exporter
