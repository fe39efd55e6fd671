#pragma once

#include "common/result.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace sources
{

// What a backup folder says about itself, from its three property lists.
struct BackupInfo {
    std::filesystem::path folder;
    // Info.plist "Device Name", else Manifest.plist's Lockdown "DeviceName", else the folder's name
    std::string deviceName;
    std::string productVersion; // Info.plist "Product Version", the iOS version; empty when unknown
    std::optional<std::int64_t> lastBackup; // Info.plist "Last Backup Date", Unix seconds
    bool encrypted = false; // Manifest.plist "IsEncrypted"
    bool complete = false; // Status.plist "SnapshotState" is "finished", or there is no Status.plist

    bool operator==(const BackupInfo &) const = default;
};

// True when `folder` is a backup: it holds one of a backup's own files (Info.plist,
// Manifest.plist, Manifest.db, Manifest.mbdb).
[[nodiscard]] bool isBackupFolder(const std::filesystem::path &folder);

// Reads the property lists of a backup folder. Never fails: what cannot be read stays empty (and
// a backup whose Status.plist is there but cannot be read counts as incomplete).
[[nodiscard]] BackupInfo readBackupInfo(const std::filesystem::path &folder);

// The backups under `folder`, sorted by folder name: the folder itself when it is one, else each
// of its subfolders that is one. Fails when the folder cannot be listed.
[[nodiscard]] common::Result<std::vector<BackupInfo>> listBackups(const std::filesystem::path &folder);

} // namespace sources
