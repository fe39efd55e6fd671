#pragma once

#include "common/result.h"

#include <filesystem>

#include <sys/types.h>

namespace store
{

// Makes sure that what lies at `path` can be handed to SQLite without waiting for ever: opening
// a FIFO blocks until a writer appears, and a device or socket is no database either. Fails with
// an error naming the path and what is there (a folder, a FIFO, a socket, a character or block
// device). A regular file, a link to one, and a path where nothing can be found pass: opening
// those reports its own, clear failure at once.
// What a file of type `mode` (st_mode) is called in an error ("a folder", "a FIFO (named pipe)",
// "a socket", "a character device", ...), or nullptr for a regular file.
[[nodiscard]] const char *nonFileKind(mode_t mode);

[[nodiscard]] common::Result<void> checkDatabaseFile(const std::filesystem::path &path);

} // namespace store
