#include "sources/discovery.h"

#include "common/file_kind.h"
#include "common/home.h"
#include "sources/backup_info.h"
#include "sources/file_system_sources.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>

#include <pwd.h>
#include <unistd.h>

namespace sources
{

namespace
{

namespace fs = std::filesystem;

constexpr std::size_t maxMountTableBytes = 4 << 20;

// Undoes the octal escapes of the mount table (\040 for a space, \011, \012, \134).
std::string unescaped(std::string_view field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3'
            && field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

bool isUnder(const fs::path &path, const fs::path &point)
{
    auto p = path.begin();
    for (auto q = point.begin(); q != point.end(); ++q, ++p) {
        if (q->empty())
            continue; // a trailing separator
        if (p == path.end() || *p != *q)
            return false;
    }
    return true;
}

class MountTable
{
public:
    explicit MountTable(std::vector<Mount> mounts)
        : m_mounts(std::move(mounts))
    {
    }

    // True when the mount holding `path`, as the path reads, is on a local disk. With no table,
    // nothing is.
    [[nodiscard]] bool onLocalDisk(const fs::path &path) const
    {
        const Mount *holder = nullptr;
        for (const Mount &mount : m_mounts) {
            // The later of two mounts on one point hides the earlier one.
            if (isUnder(path, mount.point)
                && (holder == nullptr
                    || std::distance(mount.point.begin(), mount.point.end())
                        >= std::distance(holder->point.begin(), holder->point.end())))
                holder = &mount;
        }
        return holder != nullptr && isLocalDiskType(holder->type, holder->superOptions);
    }

private:
    std::vector<Mount> m_mounts;
};

// The entries of `folder` that are folders and not symbolic links (a link could lead off the disk
// into anything), by name, at most `cap` of them. The type comes from the listing itself.
std::vector<fs::path> subfolders(const fs::path &folder, std::size_t cap)
{
    std::vector<fs::path> found;
    std::error_code error;
    fs::directory_iterator entry(folder, error);
    for (; !error && entry != fs::directory_iterator() && found.size() < cap; entry.increment(error)) {
        std::error_code typeError;
        if (!entry->is_symlink(typeError) && entry->is_directory(typeError))
            found.push_back(entry->path());
    }
    std::ranges::sort(found);
    return found;
}

std::optional<std::chrono::system_clock::time_point> lastChange(const fs::path &file)
{
    std::error_code error;
    const auto written = fs::last_write_time(file, error);
    if (error)
        return std::nullopt;
    return std::chrono::time_point_cast<std::chrono::system_clock::duration>(std::chrono::file_clock::to_sys(written));
}

class Finder
{
public:
    Finder(std::chrono::steady_clock::time_point deadline)
        : m_deadline(deadline)
    {
    }

    // False once the time is up: nothing more is started.
    bool inTime()
    {
        if (std::chrono::steady_clock::now() >= m_deadline)
            m_result.cutShort = true;
        return !m_result.cutShort;
    }

    void database(Place place, const fs::path &file)
    {
        if (!common::isFile(file))
            return;
        if (::access(file.c_str(), R_OK) != 0) {
            m_result.unreadableDatabase = file;
            return;
        }
        add({place, file.parent_path(), file, std::nullopt, lastChange(file), false});
    }

    void backups(Place place, const fs::path &folder)
    {
        if (!common::isFolder(folder))
            return;
        const auto listed = listBackups(folder);
        if (!listed)
            return;
        for (const BackupInfo &info : *listed) {
            const BackupDescription description = describe(info);
            add({place, folder, info.folder, description, description.date, false});
        }
    }

    void recent(const fs::path &path)
    {
        if (const auto same = std::ranges::find(m_result.found, path, &FoundSource::path);
            same != m_result.found.end()) {
            same->recent = true;
            return;
        }
        if (common::isFile(path)) {
            if (::access(path.c_str(), R_OK) == 0)
                add({Place::Recent, path.parent_path(), path, std::nullopt, lastChange(path), true});
        } else if (isBackupFolder(path)) {
            const BackupDescription description = describe(readBackupInfo(path));
            add({Place::Recent, path.parent_path(), path, description, description.date, true});
        }
    }

    Discovery finish()
    {
        std::ranges::stable_sort(m_result.found, [](const FoundSource &a, const FoundSource &b) {
            if (!a.date || !b.date)
                return a.date.has_value() && !b.date.has_value();
            return *a.date > *b.date;
        });
        return std::move(m_result);
    }

private:
    void add(FoundSource found)
    {
        if (std::ranges::find(m_result.found, found.path, &FoundSource::path) == m_result.found.end())
            m_result.found.push_back(std::move(found));
    }

    std::chrono::steady_clock::time_point m_deadline;
    Discovery m_result;
};

} // namespace

DiscoveryRoots discoveryRoots(const fs::path &home, std::string_view user)
{
    DiscoveryRoots roots{home, "/proc/self/mountinfo", {}, {}};
    if (!user.empty() && user.find('/') == std::string_view::npos) {
        roots.mediaRoots.push_back(fs::path("/media") / user);
        roots.mediaRoots.push_back(fs::path("/run/media") / user);
    }
    roots.mediaRoots.emplace_back("/mnt");
    return roots;
}

DiscoveryRoots discoveryRoots()
{
    std::string user;
    // The account's own name: USER may be anything the environment says.
    if (const passwd *entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_name != nullptr)
        user = entry->pw_name;
    DiscoveryRoots roots = discoveryRoots(common::homeFolder(), user);
    if (const auto table = common::environmentValue("TOVIK_MOUNTINFO"))
        roots.mountTable = *table;
    if (const auto media = common::environmentValue("TOVIK_MEDIA_ROOTS")) {
        roots.mediaRoots.clear();
        std::istringstream folders(*media);
        for (std::string folder; std::getline(folders, folder, ':');) {
            if (!folder.empty())
                roots.mediaRoots.emplace_back(folder);
        }
    }
    return roots;
}

fs::path suggestedBackupFolder(const fs::path &home)
{
    return home / "iPhone-Backup";
}

std::vector<fs::path> windowsBackupFolders(const fs::path &userHome)
{
    return {userHome / "AppData" / "Roaming" / "Apple Computer" / "MobileSync" / "Backup",
            userHome / "Apple" / "MobileSync" / "Backup"};
}

const char *nameOf(Place place)
{
    switch (place) {
    case Place::MessagesFolder:
        return "Messages folder";
    case Place::MobileSync:
        return "MobileSync";
    case Place::SuggestedFolder:
        return "iPhone-Backup";
    case Place::WindowsHome:
        return "Windows home";
    case Place::Recent:
        return "opened before";
    }
    return "?";
}

bool isLocalDiskType(std::string_view type, std::string_view superOptions)
{
    static constexpr std::array<std::string_view, 9> disks{"ext4",  "btrfs",   "xfs",  "vfat", "exfat",
                                                           "ntfs3", "fuseblk", "ntfs", "drvfs"};
    if (std::ranges::find(disks, type) != disks.end())
        return true;
    // WSL 2 reaches Windows' drives through 9p, which elsewhere is a network share.
    return type == "9p" && ("," + std::string(superOptions) + ",").find(",aname=drvfs") != std::string::npos;
}

std::vector<Mount> readMountTable(const fs::path &table)
{
    std::ifstream in(table, std::ios::binary);
    std::vector<Mount> mounts;
    std::string line;
    std::size_t read = 0;
    while (read < maxMountTableBytes && std::getline(in, line)) {
        read += line.size() + 1;
        // id parent major:minor root point options [optional...] - type source superoptions
        std::istringstream fields(line);
        std::vector<std::string> words;
        for (std::string word; fields >> word;)
            words.push_back(word);
        const auto dash = std::ranges::find(words, "-");
        if (dash == words.end() || std::distance(words.begin(), dash) < 6 || std::distance(dash, words.end()) < 3)
            continue;
        const std::string superOptions = std::distance(dash, words.end()) > 3 ? *(dash + 3) : std::string();
        mounts.push_back({unescaped(words[4]), unescaped(*(dash + 1)), unescaped(superOptions)});
    }
    return mounts;
}

Discovery discover(const DiscoveryRoots &roots, std::chrono::steady_clock::time_point deadline)
{
    Finder finder(deadline);
    const fs::path &home = roots.home;
    if (!home.empty()) {
        if (finder.inTime())
            finder.database(Place::MessagesFolder, common::messagesDatabaseIn(home));
        if (finder.inTime())
            finder.backups(Place::MobileSync, home / "Library" / "Application Support" / "MobileSync" / "Backup");
        if (finder.inTime())
            finder.backups(Place::SuggestedFolder, suggestedBackupFolder(home));
    }
    if (!roots.mediaRoots.empty() && finder.inTime()) {
        const MountTable mounts(readMountTable(roots.mountTable));
        for (const fs::path &root : roots.mediaRoots) {
            // The root itself is a folder of this machine's own disk; each entry may be a mount.
            for (const fs::path &disk : subfolders(root, maxDisks)) {
                if (!finder.inTime() || !mounts.onLocalDisk(disk))
                    continue;
                const fs::path users = disk / "Users";
                if (!mounts.onLocalDisk(users))
                    continue;
                for (const fs::path &user : subfolders(users, maxWindowsUsers)) {
                    for (const fs::path &folder : windowsBackupFolders(user)) {
                        if (finder.inTime() && mounts.onLocalDisk(folder))
                            finder.backups(Place::WindowsHome, folder);
                    }
                }
            }
        }
    }
    for (const fs::path &path : roots.recent) {
        if (finder.inTime())
            finder.recent(path);
    }
    return finder.finish();
}

} // namespace sources
