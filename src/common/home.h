#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Where things live on this machine for this process: its environment, the home folder and the
// Messages database in it. Every part of the program asks here, so that they all agree.
namespace common
{

// The value of the environment variable `name`; none when it is unset. An empty value is a value.
[[nodiscard]] std::optional<std::string> environmentValue(const char *name);

// The home folder from a HOME value and the folder of the user's passwd entry: HOME when it is an
// absolute path, else the passwd entry's folder, else the empty path. A relative or empty HOME
// would make the answer depend on the folder the process happens to start in.
[[nodiscard]] std::filesystem::path homeFolderFrom(std::optional<std::string_view> home,
                                                   std::optional<std::string_view> passwdHome);

// homeFolderFrom over this process's HOME and the passwd entry of its user.
[[nodiscard]] std::filesystem::path homeFolder();

// `home` + "/Library/Messages/chat.db", joined as text: no separator is added or removed.
[[nodiscard]] std::filesystem::path messagesDatabaseIn(const std::filesystem::path &home);

// The Messages database of this process's user: messagesDatabaseIn(homeFolder()).
[[nodiscard]] std::filesystem::path defaultMessagesDatabase();

} // namespace common
