#pragma once

#include "common/result.h"
#include "common/usage_error.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace app
{

// What the `tovik` command line asks for. Read before anything needs a display, so that
// "--help" and "--version" work on a machine without one.
struct LaunchOptions {
    enum class Action {
        OpenWindow,
        PrintHelp,
        PrintVersion,
    };
    Action action = Action::OpenWindow;
    // The Messages database to open instead of the usual one, made absolute; none when the
    // command line names no source.
    std::optional<std::filesystem::path> source;
};

// Reads the arguments after the program name, from left to right:
//   --db PATH, --db=PATH, PATH   the source to open (one at most; a bare PATH means --db PATH)
//   -h, --help, --version        print and stop; whatever follows is not read
//   --                           every later argument is a PATH, even one starting with "-"
// Any other argument starting with "-", a missing or empty PATH and a second source are usage
// errors.
[[nodiscard]] common::Result<LaunchOptions, common::UsageError>
parseLaunchOptions(const std::vector<std::string> &arguments);

// The text of "tovik --help", and the line of "tovik --version".
[[nodiscard]] std::string launchUsageText();
[[nodiscard]] std::string launchVersionText();

} // namespace app
