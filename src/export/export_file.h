#pragma once

#include "common/result.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace exporter
{

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
