#include "common/home.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace common
{

namespace
{

std::optional<std::string> passwdHomeFolder()
{
    const long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(static_cast<std::size_t>(size > 0 ? size : 16384));
    passwd entry{};
    passwd *found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr
        && found->pw_dir != nullptr)
        return std::string(found->pw_dir);
    return std::nullopt;
}

bool isAbsolute(std::optional<std::string_view> path)
{
    return path && !path->empty() && path->front() == '/';
}

} // namespace

std::optional<std::string> environmentValue(const char *name)
{
    const char *value = std::getenv(name);
    if (value == nullptr)
        return std::nullopt;
    return std::string(value);
}

std::filesystem::path homeFolderFrom(std::optional<std::string_view> home, std::optional<std::string_view> passwdHome)
{
    if (isAbsolute(home))
        return std::filesystem::path(*home);
    if (isAbsolute(passwdHome))
        return std::filesystem::path(*passwdHome);
    return {};
}

std::filesystem::path homeFolder()
{
    const auto home = environmentValue("HOME");
    if (isAbsolute(home))
        return std::filesystem::path(*home);
    // The passwd entry is only looked up when HOME does not answer.
    return homeFolderFrom(std::nullopt, passwdHomeFolder());
}

std::filesystem::path messagesDatabaseIn(const std::filesystem::path &home)
{
    return std::filesystem::path(home.native() + "/Library/Messages/chat.db");
}

std::filesystem::path defaultMessagesDatabase()
{
    return messagesDatabaseIn(homeFolder());
}

} // namespace common
