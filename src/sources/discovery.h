#pragma once

#include "sources/message_sources.h"

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Where messages are looked for without the user naming a path: the Messages folder of this home,
// the backup folders the usual tools write, the sources opened last, and a Windows home on a disk
// mounted here. Only these fixed places are looked at, and only on local file systems, so that a
// look never waits on the network.
namespace sources
{

// The places discovery looks in; discoveryRoots() gives the real ones, tests their own.
struct DiscoveryRoots {
    std::filesystem::path home;
    std::filesystem::path mountTable; // in the format of /proc/self/mountinfo
    std::vector<std::filesystem::path> mediaRoots; // folders whose entries are mounted disks
    std::vector<std::filesystem::path> recent; // the sources opened last, most recent first
};

// The real places for the user `user` with the home `home`: /proc/self/mountinfo, and disks under
// /media/USER, /run/media/USER and /mnt (where WSL mounts Windows' drives).
[[nodiscard]] DiscoveryRoots discoveryRoots(const std::filesystem::path &home, std::string_view user);

// The real places of this process's user. TOVIK_MOUNTINFO (a mount table file) and
// TOVIK_MEDIA_ROOTS (folders separated by ":") put others in their place, for tests.
[[nodiscard]] DiscoveryRoots discoveryRoots();

// Where a found source was found.
enum class Place {
    MessagesFolder, // HOME/Library/Messages/chat.db
    MobileSync, // HOME/Library/Application Support/MobileSync/Backup, idevicebackup2's default
    SuggestedFolder, // HOME/iPhone-Backup, the folder the window suggests
    WindowsHome, // a Windows user's MobileSync folder on a mounted disk
    Recent, // a source opened before
};

// The folder the window suggests backing up into: HOME/iPhone-Backup.
[[nodiscard]] std::filesystem::path suggestedBackupFolder(const std::filesystem::path &home);

// The backup folder of iTunes and the Apple Devices app under a Windows user's home folder, old and new.
[[nodiscard]] std::vector<std::filesystem::path> windowsBackupFolders(const std::filesystem::path &userHome);

// The name of a place, English, for the command line.
[[nodiscard]] const char *nameOf(Place place);

// One found source, to be opened by its path.
struct FoundSource {
    Place place = Place::MessagesFolder;
    std::filesystem::path placeFolder; // the folder looked in
    std::filesystem::path path; // the database file, or the backup's folder
    std::optional<BackupDescription> backup; // nothing for a database file
    std::optional<std::chrono::system_clock::time_point> date; // the backup's, or the file's last change
    bool recent = false; // also among the sources opened last

    bool operator==(const FoundSource &) const = default;
};

struct Discovery {
    std::vector<FoundSource> found; // each path once, newest first; undated ones last
    // The Messages database of the home when it is there but may not be read.
    std::optional<std::filesystem::path> unreadableDatabase;
    bool cutShort = false; // the deadline passed before every place was looked at
};

// At most this many entries of a disk's Users folder are looked into.
inline constexpr std::size_t maxWindowsUsers = 32;
// At most this many entries of a media root are taken as disks.
inline constexpr std::size_t maxDisks = 16;

// True for a file system that lies on a disk of this machine: ext4, btrfs, xfs, vfat, exfat,
// ntfs3, ntfs, fuseblk, and WSL's drives (drvfs, or 9p with aname=drvfs). Network and automounted
// file systems (nfs, cifs, sshfs, gvfs, autofs, ...) are not.
[[nodiscard]] bool isLocalDiskType(std::string_view type, std::string_view superOptions);

// One line of a mount table.
struct Mount {
    std::filesystem::path point;
    std::string type;
    std::string superOptions;
};

// The mounts of a table in the format of /proc/self/mountinfo; lines that do not parse are left
// out. At most a few megabytes are read.
[[nodiscard]] std::vector<Mount> readMountTable(const std::filesystem::path &table);

// Looks in every place of `roots` and describes what holds messages. Never fails: a place that
// cannot be read gives nothing. Once `deadline` has passed, no further place is started. A stat
// stuck on a disk is not interrupted: the caller runs this where it may wait.
[[nodiscard]] Discovery discover(const DiscoveryRoots &roots, std::chrono::steady_clock::time_point deadline);

} // namespace sources
