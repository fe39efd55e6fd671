#pragma once

#include <QString>

#include <filesystem>
#include <optional>

namespace app
{

// Why the file at `path` cannot serve as the user's contacts, naming it, in the user's language:
// not there, not to be read, too large, or without a single card Tovik can read (random bytes, an
// empty file). None for a vCard file with at least one card. Reads the whole file, so it is called
// off the main thread.
[[nodiscard]] std::optional<QString> contactsFileRefusal(const std::filesystem::path &path);

} // namespace app
