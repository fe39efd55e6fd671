#include "recent_sources.h"

#include "paths.h"

#include <QStringList>

#include <algorithm>
#include <utility>

namespace app
{

RecentSources::RecentSources(DesktopServices &services, QString key, std::size_t capacity)
    : m_services(services)
    , m_key(std::move(key))
    , m_capacity(capacity)
{
    const QStringList kept =
        m_services.textSetting(m_key).value_or(QString()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &path : kept) {
        if (m_paths.size() < m_capacity)
            m_paths.push_back(pathFrom(path));
    }
}

void RecentSources::remember(const std::filesystem::path &path)
{
    std::erase(m_paths, path);
    m_paths.insert(m_paths.begin(), path);
    if (m_paths.size() > m_capacity)
        m_paths.resize(m_capacity);
    save();
}

void RecentSources::forget(const std::filesystem::path &path)
{
    std::erase(m_paths, path);
    save();
}

void RecentSources::save()
{
    QStringList paths;
    for (const auto &path : m_paths) {
        // A path with a line break in it cannot be kept in this list.
        if (!displayPath(path).contains(QLatin1Char('\n')))
            paths.append(displayPath(path));
    }
    m_services.setTextSetting(m_key, paths.join(QLatin1Char('\n')));
}

} // namespace app
