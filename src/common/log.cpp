#include "common/log.h"

#include "common/home.h"
#include "common/terminal_text.h"

#include <array>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>

namespace common
{

namespace
{

constexpr std::array<std::string_view, 7> names{"store", "sources", "crypto", "contacts", "catalogue", "export", "app"};

std::size_t indexOf(LogCategory category)
{
    return static_cast<std::size_t>(category);
}

// The categories TOVIK_LOG turns on, read on first use.
const std::array<bool, names.size()> &switchedOn()
{
    static const std::array<bool, names.size()> on = [] {
        std::array<bool, names.size()> result{};
        const std::optional<std::string> value = environmentValue("TOVIK_LOG");
        if (!value)
            return result;
        std::string_view rest = *value;
        while (!rest.empty()) {
            const std::size_t comma = rest.find(',');
            const std::string_view name = rest.substr(0, comma);
            for (std::size_t i = 0; i < names.size(); ++i)
                result[i] = result[i] || name == names[i] || name == "all";
            rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        }
        return result;
    }();
    return on;
}

LogSink &sink()
{
    static LogSink current;
    return current;
}

std::mutex &writing()
{
    static std::mutex mutex;
    return mutex;
}

std::string escapedLine(LogCategory category, std::string_view message)
{
    return "tovik[" + std::string(logCategoryName(category)) + "]: " + terminalText(message) + "\n";
}

} // namespace

std::string_view logCategoryName(LogCategory category)
{
    return names.at(indexOf(category));
}

bool logEnabled(LogCategory category)
{
    if (switchedOn().at(indexOf(category)))
        return true;
    const LogSink &current = sink();
    return current.enabled && current.enabled(category);
}

void log(LogCategory category, std::string_view message)
{
    if (!logEnabled(category))
        return;
    const LogSink &current = sink();
    if (current.write) {
        current.write(category, message);
        return;
    }
    writeToStandardError(category, message);
}

void writeToStandardError(LogCategory category, std::string_view message)
{
    const std::string line = escapedLine(category, message);
    const std::lock_guard lock(writing());
    std::fwrite(line.data(), 1, line.size(), stderr);
}

void setLogSink(LogSink next)
{
    sink() = std::move(next);
}

} // namespace common
