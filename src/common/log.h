#pragma once

#include <functional>
#include <string_view>

namespace common
{

// Diagnostics on request: one category per subsystem, silent unless the user turns it on. The
// switch is the environment variable TOVIK_LOG, a comma-separated list of category names (or
// "all"), read once. Nothing that is logged may hold message text or a secret: paths, counts,
// outcomes and SQLite's own error texts only.
enum class LogCategory {
    Store,
    Sources,
    Crypto,
    Contacts,
    Catalogue,
    Export,
    App,
};

[[nodiscard]] std::string_view logCategoryName(LogCategory category);

// True when `category` is turned on, by TOVIK_LOG or by the sink set below.
[[nodiscard]] bool logEnabled(LogCategory category);

// Writes `message` when its category is on: by default one line on standard error,
// "tovik[sources]: message", with control characters escaped. Safe from any thread.
void log(LogCategory category, std::string_view message);

// Where messages go instead of standard error, and what else turns a category on (the window
// routes both through its logging categories). Set once, before any other thread logs.
struct LogSink {
    std::function<bool(LogCategory)> enabled;
    std::function<void(LogCategory, std::string_view)> write;
};
void setLogSink(LogSink sink);

// The default way out: the line above, on standard error.
void writeToStandardError(LogCategory category, std::string_view message);

} // namespace common
