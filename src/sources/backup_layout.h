#pragma once

#include "sources/backup_files.h"

#include <filesystem>
#include <optional>

namespace sources {

// Where a backup keeps the files this program reads; nothing for a file it does not have.
struct BackupLayout {
    std::optional<std::filesystem::path> messages;
    std::optional<std::filesystem::path> messagesLog;
    std::optional<std::filesystem::path> addressBook;
    std::optional<std::filesystem::path> addressBookLog;
    bool manifestRead = false; // Manifest.db could be read
};

// Finds the files through the backup's Manifest.db, read without writing anything into the
// folder. A file the manifest does not list, or every file when Manifest.db is missing or cannot
// be read, is looked for under its fixed name, in its two-character subfolder or (older backups)
// in the folder itself. Only regular files count.
[[nodiscard]] BackupLayout locateBackupFiles(const std::filesystem::path &folder);

// True when a backup has only the index of the oldest backups (Manifest.mbdb or Manifest.mbdx,
// no Manifest.db).
[[nodiscard]] bool hasOnlyOldManifest(const std::filesystem::path &folder);

} // namespace sources
