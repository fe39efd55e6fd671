#include "sources/backup_info.h"

#include "sources/backup_files.h"
#include "sources/plist_reader.h"

#include "common/file_kind.h"
#include "common/system_error.h"

#include <algorithm>
#include <system_error>

namespace sources
{

bool isBackupFolder(const std::filesystem::path &folder)
{
    return std::ranges::any_of(std::array{infoPlistName, manifestPlistName, manifestDbName, mbdbManifestName},
                               [&](std::string_view name) {
                                   return common::isFile(folder / name);
                               });
}

BackupInfo readBackupInfo(const std::filesystem::path &folder)
{
    BackupInfo info;
    info.folder = folder;
    if (const auto plist = PlistDictionary::read(folder / infoPlistName)) {
        info.deviceName = plist->text("Device Name").value_or(plist->text("Display Name").value_or(""));
        info.lastBackup = plist->date("Last Backup Date");
        info.productVersion = plist->text("Product Version").value_or("");
    }
    if (const auto plist = PlistDictionary::read(folder / manifestPlistName)) {
        info.encrypted = plist->boolean("IsEncrypted").value_or(false);
        // An Info.plist that is missing, refused or names no device leaves Lockdown's name.
        if (const auto lockdown = plist->dictionary("Lockdown"); lockdown && info.deviceName.empty())
            info.deviceName = lockdown->text("DeviceName").value_or("");
    }
    // Without Status.plist (decrypting tools and some copies leave none) nothing says the backup
    // was cut short; one that cannot be read says nothing either way, and is not trusted.
    if (const auto plist = PlistDictionary::read(folder / statusPlistName)) {
        info.complete = plist->text("SnapshotState") == "finished";
        if (!info.lastBackup)
            info.lastBackup = plist->date("Date");
    } else {
        info.complete = plist.error().kind == common::Error::Kind::NotFound;
    }
    if (info.deviceName.empty())
        info.deviceName = folder.filename().string();
    return info;
}

common::Result<std::vector<BackupInfo>> listBackups(const std::filesystem::path &folder)
{
    if (isBackupFolder(folder))
        return std::vector<BackupInfo>{readBackupInfo(folder)};
    std::error_code ec;
    std::filesystem::directory_iterator entry(folder, ec);
    if (ec) {
        return common::failure(common::errorFromErrno(ec.value(), "cannot list " + folder.string()));
    }
    std::vector<std::filesystem::path> folders;
    // A folder that cannot be read further ends the listing with what was found so far.
    for (; !ec && entry != std::filesystem::directory_iterator(); entry.increment(ec)) {
        std::error_code typeError;
        if (entry->is_directory(typeError) && isBackupFolder(entry->path()))
            folders.push_back(entry->path());
    }
    std::ranges::sort(folders);
    std::vector<BackupInfo> backups;
    backups.reserve(folders.size());
    for (const auto &path : folders)
        backups.push_back(readBackupInfo(path));
    return backups;
}

} // namespace sources
