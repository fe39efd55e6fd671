#include "store/read_only_vfs.h"

#include "common/plain_file.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <string_view>

namespace store
{

namespace
{

constexpr const char *vfsName = "tovik-readonly";
constexpr std::string_view logSuffix = "-wal";

std::atomic<std::uint64_t> servedOpens{0};
std::atomic<std::uint64_t> refusedOpens{0};

// A log of no bytes, for a database whose log was not kept.
class EmptyFile final : public common::ReadOnlyFile
{
public:
    [[nodiscard]] common::Result<std::uint64_t> size() const override { return 0; }
    [[nodiscard]] common::Result<std::size_t> readAt(std::uint64_t, std::span<std::byte>) const override { return 0; }
};

class Registry
{
public:
    std::string add(VfsDatabase files)
    {
        const std::string name = "/tovik-source-" + std::to_string(++m_next) + "/database";
        const std::lock_guard lock(m_mutex);
        m_entries.emplace(name, std::make_shared<const VfsDatabase>(std::move(files)));
        return name;
    }
    void remove(const std::string &name)
    {
        const std::lock_guard lock(m_mutex);
        m_entries.erase(name);
    }
    std::shared_ptr<const VfsDatabase> find(std::string_view name) const
    {
        const std::lock_guard lock(m_mutex);
        const auto found = m_entries.find(std::string(name));
        return found != m_entries.end() ? found->second : nullptr;
    }

private:
    mutable std::mutex m_mutex;
    std::map<std::string, std::shared_ptr<const VfsDatabase>> m_entries;
    std::atomic<std::uint64_t> m_next{0};
};

Registry &registry()
{
    static Registry instance;
    return instance;
}

// What the VFS knows about a file name: the database registered under it, or the log of one.
struct Lookup {
    std::shared_ptr<const VfsDatabase> files;
    bool isLog = false;
};

Lookup lookUp(const char *name)
{
    if (name == nullptr)
        return {};
    const std::string_view text(name);
    if (auto files = registry().find(text))
        return {std::move(files), false};
    if (text.ends_with(logSuffix)) {
        if (auto files = registry().find(text.substr(0, text.size() - logSuffix.size())))
            return {std::move(files), true};
    }
    return {};
}

// SQLite allocates szOsFile bytes per open file and hands them to xOpen; the reader is kept in
// them and released by xClose.
struct OpenFile {
    sqlite3_file base;
    common::ReadOnlyFile *reader;
};

common::ReadOnlyFile &readerOf(sqlite3_file *file)
{
    return *reinterpret_cast<OpenFile *>(file)->reader;
}

int fileClose(sqlite3_file *file)
{
    auto *open = reinterpret_cast<OpenFile *>(file);
    const std::unique_ptr<common::ReadOnlyFile> owned(std::exchange(open->reader, nullptr));
    return SQLITE_OK;
}

int fileRead(sqlite3_file *file, void *into, int amount, sqlite3_int64 offset)
{
    if (amount < 0 || offset < 0)
        return SQLITE_IOERR_READ;
    const std::span<std::byte> buffer(static_cast<std::byte *>(into), static_cast<std::size_t>(amount));
    const auto got = readerOf(file).readAt(static_cast<std::uint64_t>(offset), buffer);
    if (!got)
        return SQLITE_IOERR_READ;
    if (*got < buffer.size()) {
        // SQLite requires the rest of the buffer zeroed on a short read.
        std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(*got), buffer.end(), std::byte{0});
        return SQLITE_IOERR_SHORT_READ;
    }
    return SQLITE_OK;
}

int fileWrite(sqlite3_file *, const void *, int, sqlite3_int64)
{
    return SQLITE_READONLY;
}

int fileTruncate(sqlite3_file *, sqlite3_int64)
{
    return SQLITE_READONLY;
}

int fileSync(sqlite3_file *, int)
{
    return SQLITE_OK;
}

int fileSize(sqlite3_file *file, sqlite3_int64 *size)
{
    const auto bytes = readerOf(file).size();
    if (!bytes)
        return SQLITE_IOERR_FSTAT;
    *size = static_cast<sqlite3_int64>(*bytes);
    return SQLITE_OK;
}

// Nothing else ever writes what this VFS reads, so locks always succeed and hold nothing.
int fileLock(sqlite3_file *, int)
{
    return SQLITE_OK;
}

int fileCheckReservedLock(sqlite3_file *, int *reserved)
{
    *reserved = 0;
    return SQLITE_OK;
}

int fileControl(sqlite3_file *, int, void *)
{
    return SQLITE_NOTFOUND;
}

int fileSectorSize(sqlite3_file *)
{
    return 4096;
}

int fileDeviceCharacteristics(sqlite3_file *)
{
    return 0;
}

// Version 1: no shared-memory methods, so SQLite keeps a write-ahead log's index in its own
// memory and refuses a log unless the connection holds the database exclusively.
const sqlite3_io_methods fileMethods = {
    1,
    fileClose,
    fileRead,
    fileWrite,
    fileTruncate,
    fileSync,
    fileSize,
    fileLock,
    fileLock,
    fileCheckReservedLock,
    fileControl,
    fileSectorSize,
    fileDeviceCharacteristics,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

sqlite3_vfs *systemVfs()
{
    static sqlite3_vfs *const vfs = sqlite3_vfs_find(nullptr);
    return vfs;
}

int vfsOpen(sqlite3_vfs *, const char *name, sqlite3_file *file, int flags, int *outFlags)
{
    auto *open = reinterpret_cast<OpenFile *>(file);
    open->base.pMethods = nullptr; // SQLite calls no method of a file whose open failed
    open->reader = nullptr;
    const Lookup found = lookUp(name);
    const bool wantsLog = (flags & SQLITE_OPEN_WAL) != 0;
    const bool wantsDatabase = (flags & SQLITE_OPEN_MAIN_DB) != 0;
    if (!found.files || found.isLog != wantsLog || (!wantsLog && !wantsDatabase)) {
        ++refusedOpens;
        return SQLITE_CANTOPEN;
    }

    std::unique_ptr<common::ReadOnlyFile> reader;
    if (!found.isLog) {
        auto opened = found.files->database();
        if (!opened)
            return SQLITE_CANTOPEN;
        reader = std::move(*opened);
    } else if (found.files->log) {
        auto opened = (*found.files->log)();
        if (!opened)
            return SQLITE_CANTOPEN;
        reader = std::move(*opened);
    } else {
        reader = std::make_unique<EmptyFile>();
    }
    open->reader = reader.release();
    open->base.pMethods = &fileMethods;
    ++servedOpens;
    if (outFlags != nullptr)
        *outFlags = (flags & ~(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) | SQLITE_OPEN_READONLY;
    return SQLITE_OK;
}

// SQLite asks to delete a log only when the database has no pages, and such a database reads as
// empty whatever its log holds: the log is left where it is and the request is granted.
int vfsDelete(sqlite3_vfs *, const char *name, int)
{
    const Lookup found = lookUp(name);
    return found.files && found.isLog ? SQLITE_OK : SQLITE_IOERR_DELETE;
}

int vfsAccess(sqlite3_vfs *, const char *name, int flags, int *result)
{
    const Lookup found = lookUp(name);
    const bool exists = found.files && (!found.isLog || found.files->log.has_value());
    *result = exists && flags != SQLITE_ACCESS_READWRITE ? 1 : 0;
    return SQLITE_OK;
}

int vfsFullPathname(sqlite3_vfs *, const char *name, int size, char *out)
{
    if (static_cast<int>(std::strlen(name)) >= size)
        return SQLITE_CANTOPEN;
    sqlite3_snprintf(size, out, "%s", name);
    return SQLITE_OK;
}

void *vfsDlOpen(sqlite3_vfs *, const char *)
{
    return nullptr;
}

void vfsDlError(sqlite3_vfs *, int size, char *out)
{
    sqlite3_snprintf(size, out, "%s", "no extensions through this VFS");
}

void (*vfsDlSym(sqlite3_vfs *, void *, const char *))(void)
{
    return nullptr;
}

void vfsDlClose(sqlite3_vfs *, void *)
{
}

int vfsRandomness(sqlite3_vfs *, int size, char *out)
{
    return systemVfs()->xRandomness(systemVfs(), size, out);
}

int vfsSleep(sqlite3_vfs *, int microseconds)
{
    return systemVfs()->xSleep(systemVfs(), microseconds);
}

int vfsCurrentTime(sqlite3_vfs *, double *now)
{
    return systemVfs()->xCurrentTime(systemVfs(), now);
}

int vfsGetLastError(sqlite3_vfs *, int, char *)
{
    return 0;
}

} // namespace

FileOpener plainFileOpener(std::filesystem::path path)
{
    return [path = std::move(path)]() -> common::Result<std::unique_ptr<common::ReadOnlyFile>> {
        auto file = common::PlainFile::open(path);
        RETURN_IF_FAILED(file);
        return std::unique_ptr<common::ReadOnlyFile>(std::move(*file));
    };
}

VfsOpenCounts vfsOpenCounts()
{
    return {servedOpens.load(), refusedOpens.load()};
}

const char *readOnlyVfs()
{
    static std::once_flag once;
    std::call_once(once, [] {
        static sqlite3_vfs vfs{};
        sqlite3_initialize();
        vfs.iVersion = 1;
        vfs.szOsFile = sizeof(OpenFile);
        vfs.mxPathname = 512;
        vfs.zName = vfsName;
        vfs.xOpen = vfsOpen;
        vfs.xDelete = vfsDelete;
        vfs.xAccess = vfsAccess;
        vfs.xFullPathname = vfsFullPathname;
        vfs.xDlOpen = vfsDlOpen;
        vfs.xDlError = vfsDlError;
        vfs.xDlSym = vfsDlSym;
        vfs.xDlClose = vfsDlClose;
        vfs.xRandomness = vfsRandomness;
        vfs.xSleep = vfsSleep;
        vfs.xCurrentTime = vfsCurrentTime;
        vfs.xGetLastError = vfsGetLastError;
        sqlite3_vfs_register(&vfs, 0);
    });
    return vfsName;
}

std::shared_ptr<const VfsRegistration> VfsRegistration::add(VfsDatabase files)
{
    return std::shared_ptr<const VfsRegistration>(new VfsRegistration(registry().add(std::move(files))));
}

VfsRegistration::~VfsRegistration()
{
    registry().remove(m_name);
}

} // namespace store
