#pragma once

#include "desktop_services.h"

#include <cstddef>
#include <filesystem>
#include <vector>

namespace app
{

// The sources opened last, most recent first, at most `capacity`: kept in one text setting, one
// path a line, paths only. A path with a line break in it is offered this session but not kept.
class RecentSources
{
public:
    // Reads the list kept under `key`.
    RecentSources(DesktopServices &services, QString key, std::size_t capacity);

    const std::vector<std::filesystem::path> &paths() const { return m_paths; }
    // Puts `path` first, once, and keeps the list.
    void remember(const std::filesystem::path &path);
    // Takes `path` off the list and keeps it.
    void forget(const std::filesystem::path &path);

private:
    void save();

    DesktopServices &m_services;
    const QString m_key;
    const std::size_t m_capacity;
    std::vector<std::filesystem::path> m_paths;
};

} // namespace app
