#pragma once

#include "common/result.h"

#include <filesystem>

namespace store {

// Makes sure that what lies at `path` can be handed to SQLite without waiting for ever: opening
// a FIFO blocks until a writer appears, and a device or socket is no database either. Fails with
// an error naming the path and what is there (a folder, a FIFO, a socket, a character or block
// device). A regular file, a link to one, and a path where nothing can be found pass: opening
// those reports its own, clear failure at once.
[[nodiscard]] common::Result<void> checkDatabaseFile(const std::filesystem::path &path);

} // namespace store
