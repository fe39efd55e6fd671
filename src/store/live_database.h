#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>

#include <sys/types.h>

namespace store
{

// One file as the file system describes it. Two equal stamps of a file mean that nothing wrote to
// it in between, as far as its size and modification time (to the nanosecond) tell.
struct FileStamp {
    bool exists = false;
    mode_t mode = 0;
    dev_t device = 0;
    ino_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;

    bool operator==(const FileStamp &) const = default;
};

// The stamps of a database and of its write-ahead log ("-wal" beside it).
struct DatabaseStamp {
    FileStamp database;
    FileStamp log;

    bool operator==(const DatabaseStamp &) const = default;
};

[[nodiscard]] FileStamp stampOf(const std::filesystem::path &file);
[[nodiscard]] DatabaseStamp databaseStampOf(const std::filesystem::path &database);

// True when a connection other than a private read of this program has the database open, so that
// its files may change while they are read. A SQLite connection that writes, or that has a
// write-ahead-log database open at all, holds POSIX locks that an open-file-description probe
// (F_OFD_GETLK, which also sees this process's own locks) finds:
//   - on the database file's bytes 0x40000000-0x400001FF (the pending, reserved and shared
//     locks; a writer in exclusive locking mode keeps 0x40000000);
//   - on the -shm file's bytes 120-128 (a writer holds 120; every open connection of a
//     write-ahead-log database holds a read lock on 128).
// A -shm that no connection holds (left over by a crash, or copied along) shows no locks and is
// not live. A connection this process opened through SQLite's shared path (see SharedUse) counts
// as live without a probe.
//
// The probe opens and closes both files. Closing any descriptor of a file drops every POSIX lock
// this process holds on it, including those of its own SQLite connections; so the probe never runs
// while a SharedUse of the same file is held, and a SharedUse waits for a probe in progress.
// Connections of this process to the database by other means are not allowed for.
[[nodiscard]] bool hasLiveConnection(const std::filesystem::path &database);

// Held by a connection of this process that reads the database through SQLite's shared path, for
// as long as it is open: until then the database counts as live and is never probed.
[[nodiscard]] std::shared_ptr<const void> holdSharedUse(const std::filesystem::path &database);

} // namespace store
