#pragma once

#include <array>
#include <string_view>

namespace sources
{

// A file of the phone as a backup stores it: under its domain and path on the phone, in a file
// named by the lower-case hexadecimal SHA-1 of "<domain>-<relativePath>" (its fileID), either in
// the backup's folder itself (older backups) or in the subfolder named by the fileID's first two
// characters.
struct BackupFile {
    std::string_view domain;
    std::string_view relativePath;
    std::string_view fileId;
};

inline constexpr BackupFile messagesFile{"HomeDomain", "Library/SMS/sms.db",
                                         "3d0d7e5fb2ce288813306e4d4636395e047a3d28"};
inline constexpr BackupFile messagesLogFile{"HomeDomain", "Library/SMS/sms.db-wal",
                                            "cd47480f213dba9bc38ee792775d17e3f5a73a59"};
inline constexpr BackupFile addressBookFile{"HomeDomain", "Library/AddressBook/AddressBook.sqlitedb",
                                            "31bb7ba8914766d4ba40d6dfb6113c8b614be442"};
inline constexpr BackupFile addressBookLogFile{"HomeDomain", "Library/AddressBook/AddressBook.sqlitedb-wal",
                                               "a9aaf31e300bbb71f1602c65e27a29a6c85f98f8"};

inline constexpr std::array<BackupFile, 4> backupFilesRead{messagesFile, messagesLogFile, addressBookFile,
                                                           addressBookLogFile};

// The fixed names of a backup's own files.
inline constexpr std::string_view infoPlistName = "Info.plist";
inline constexpr std::string_view manifestPlistName = "Manifest.plist";
inline constexpr std::string_view statusPlistName = "Status.plist";
inline constexpr std::string_view manifestDbName = "Manifest.db";
// The index of backups made by iOS 5 to 9 (read by manifest_mbdb.h); iOS 3 and 4 also wrote an
// index of it, ".mbdx", in a layout this program does not read.
inline constexpr std::string_view mbdbManifestName = "Manifest.mbdb";
inline constexpr std::string_view mbdxManifestName = "Manifest.mbdx";

} // namespace sources
