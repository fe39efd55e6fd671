#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace testsupport
{

// Sets or clears one environment variable for one test and puts the old value back.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char *name, std::optional<std::string> value)
        : m_name(name)
    {
        if (const char *old = std::getenv(name))
            m_saved = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnvironment()
    {
        if (m_saved)
            ::setenv(m_name, m_saved->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

private:
    const char *m_name;
    std::optional<std::string> m_saved;
};

} // namespace testsupport
