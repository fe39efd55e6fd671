#pragma once

#include "common/read_only_file.h"
#include "common/result.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace store
{

// Gives a fresh reader of one stored file each time it is called. Called from whichever thread
// opens a connection; each reader it returns is used by that one connection only.
using FileOpener = std::function<common::Result<std::unique_ptr<common::ReadOnlyFile>>()>;

// Reads the file at `path` as it is on disk.
[[nodiscard]] FileOpener plainFileOpener(std::filesystem::path path);

// The files SQLite sees as one database: the database itself and, when there is one, its
// write-ahead log. Without a log SQLite sees an empty one.
struct VfsDatabase {
    FileOpener database;
    std::optional<FileOpener> log;
};

// The name of this program's read-only SQLite VFS, registered with SQLite on first use (never as
// the default). Through it SQLite reads only databases made visible by a VfsRegistration, and
// it opens, creates, writes and deletes nothing else: no journal, no -shm, no temporary file. A
// connection must hold the database exclusively (PRAGMA locking_mode=EXCLUSIVE before its first
// read) so that a write-ahead log is indexed in memory.
[[nodiscard]] const char *readOnlyVfs();

// How many opens the read-only VFS has been asked for in this process: those it served (a
// registered database or its log) and those it refused (anything else: journals, temporary files,
// unknown names).
struct VfsOpenCounts {
    std::uint64_t served = 0;
    std::uint64_t refused = 0;
};
[[nodiscard]] VfsOpenCounts vfsOpenCounts();

// One database made visible to the read-only VFS under a private name, for as long as this
// object lives. Connections already open keep working after it goes, except that they could no
// longer open a log they had not opened yet; keep it alive as long as any connection is open.
class VfsRegistration
{
public:
    [[nodiscard]] static std::shared_ptr<const VfsRegistration> add(VfsDatabase files);

    ~VfsRegistration();
    VfsRegistration(const VfsRegistration &) = delete;
    VfsRegistration &operator=(const VfsRegistration &) = delete;

    // The file name to open through readOnlyVfs().
    [[nodiscard]] const std::string &name() const { return m_name; }

private:
    explicit VfsRegistration(std::string name)
        : m_name(std::move(name))
    {
    }

    std::string m_name;
};

} // namespace store
