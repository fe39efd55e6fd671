#pragma once

#include <filesystem>
#include <string>

namespace app
{

// How the Messages database looks from this process, without opening it as a database.
enum class AccessProbe {
    Readable, // the file exists and its first 16 bytes could be read
    Denied, // the file or its folder cannot be read: Full Disk Access is missing
    Missing, // the folder can be listed but holds no database file
};

// Classifies the file at `path` through the file system only. Never fails: every error reads as
// Denied. Reads at most 16 bytes and keeps nothing open.
[[nodiscard]] AccessProbe probeAccess(const std::filesystem::path &path);

// The Messages database of this process: common::defaultMessagesDatabase(),
// unless setDatabasePath() chose another file first. Decided on the first call and never changed
// afterwards; the reference stays valid until the process ends.
[[nodiscard]] const std::filesystem::path &databasePath();

// Chooses the database file for the whole process. The first decision wins: returns false and
// changes nothing when databasePath() was already decided (by an earlier call to either).
bool setDatabasePath(std::filesystem::path path);

} // namespace app
