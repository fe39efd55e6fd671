#pragma once

#include "common/result.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <utility>

namespace store
{

// A private folder holding a copy of a database that could not be read where it is, together
// with whatever SQLite adds next to that copy. Removed with everything in it when the object
// goes; a moved-from object removes nothing.
class SnapshotFolder
{
public:
    explicit SnapshotFolder(std::filesystem::path path)
        : m_path(std::move(path))
    {
    }
    ~SnapshotFolder();
    SnapshotFolder(SnapshotFolder &&other) noexcept
        : m_path(std::exchange(other.m_path, {}))
    {
    }
    SnapshotFolder &operator=(SnapshotFolder &&other) noexcept;
    SnapshotFolder(const SnapshotFolder &) = delete;
    SnapshotFolder &operator=(const SnapshotFolder &) = delete;

    [[nodiscard]] const std::filesystem::path &path() const { return m_path; }
    // The copy of the database inside the folder.
    [[nodiscard]] std::filesystem::path database() const;

private:
    std::filesystem::path m_path;
};

// True when a first read that failed with `extendedCode` means that SQLite cannot use the
// write-ahead log where the database lies, so that a private snapshot can be read instead:
// SQLITE_READONLY_DIRECTORY, _CANTINIT, _RECOVERY and _CANTLOCK always; SQLITE_CANTOPEN (any
// extended form) and SQLITE_IOERR_SHMOPEN, _SHMSIZE and _SHMMAP only when `walInUse`. Every other
// code (corruption, not a database, busy, no permission to read) is not cured by a copy.
[[nodiscard]] bool needsPrivateSnapshot(int extendedCode, bool walInUse);

// True when the database at `path` uses a write-ahead log: its header says so (bytes 18 and 19,
// the format versions, equal to 2), or a "-wal" file lies next to it. Never fails; an unreadable
// file reads as false unless its -wal exists.
[[nodiscard]] bool usesWriteAheadLog(const std::filesystem::path &path);

// Copies the database at `path` and its -wal into a fresh private folder (mode 0700) under
// $TMPDIR (when absolute, else /tmp), trying again while the original keeps changing under the
// copy, for at most `patience`. The original files are only ever opened for reading. Fails with
// the reason in English; then nothing is left behind.
[[nodiscard]] common::Result<SnapshotFolder, std::string> takeSnapshot(const std::filesystem::path &path,
                                                                       std::chrono::milliseconds patience);

} // namespace store
