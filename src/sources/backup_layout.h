#pragma once

#include "sources/backup_files.h"
#include "store/read_only_vfs.h"
#include "store/sqlite_db.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sources
{

// Gives the reader of one file of a backup folder (Manifest.db or a stored file) from its path.
// The plain one reads the file as it is on disk.
using BackupFileReader = std::function<store::FileOpener(const std::filesystem::path &file)>;
[[nodiscard]] BackupFileReader plainBackupFiles();

// The query of Manifest.db's Files table for the files this program reads (backupFilesRead),
// selecting `columns`, and its parameters.
struct FilesQuery {
    std::string sql;
    std::vector<store::Parameter> parameters;
};
[[nodiscard]] FilesQuery filesReadQuery(std::string_view columns);

// Where a backup keeps the files this program reads; nothing for a file it does not have.
struct BackupLayout {
    std::optional<std::filesystem::path> messages;
    std::optional<std::filesystem::path> messagesLog;
    std::optional<std::filesystem::path> addressBook;
    std::optional<std::filesystem::path> addressBookLog;
    bool manifestRead = false; // Manifest.db could be read
};

// Finds the files through the backup's Manifest.db, read through `reader` without writing anything into the
// folder. A file the manifest does not list, or every file when Manifest.db is missing or cannot
// be read, is looked for under its fixed name, in its two-character subfolder or (older backups)
// in the folder itself. Only regular files count.
[[nodiscard]] BackupLayout locateBackupFiles(const std::filesystem::path &folder,
                                             const BackupFileReader &reader = plainBackupFiles());

// True when a backup is in the layout of iOS 3 and 4: Manifest.mbdx beside its Manifest.mbdb, and
// no Manifest.db.
[[nodiscard]] bool isMbdxBackup(const std::filesystem::path &folder);

} // namespace sources
