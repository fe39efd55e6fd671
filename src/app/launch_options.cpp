#include "launch_options.h"

#include "common/version.h"

#include <string_view>
#include <system_error>
#include <utility>

namespace app
{

namespace
{

constexpr std::string_view dbOption = "--db";
constexpr std::string_view dbOptionWithValue = "--db=";

// Made absolute now, so that the file stays the same whatever folder a relaunch starts in. When
// the working folder cannot be read the path stays as given.
std::filesystem::path absoluteSource(const std::string &text)
{
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(text, error);
    return error ? std::filesystem::path(text) : absolute;
}

} // namespace

common::Result<LaunchOptions, common::UsageError> parseLaunchOptions(const std::vector<std::string> &arguments)
{
    LaunchOptions options;
    const auto takeSource = [&options](const std::string &path,
                                       std::string_view named) -> std::optional<common::UsageError> {
        if (path.empty())
            return common::UsageError{std::string(named) + " needs a path"};
        if (options.source)
            return common::UsageError{"only one source can be opened, but two were given: '" + options.source->string()
                                      + "' and '" + path + "'"};
        options.source = absoluteSource(path);
        return std::nullopt;
    };

    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string &argument = arguments[i];
        std::optional<common::UsageError> error;
        if (optionsEnded || argument.empty() || argument.front() != '-') {
            error = takeSource(argument, "a source");
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "-h" || argument == "--help") {
            options.action = LaunchOptions::Action::PrintHelp;
            return options;
        } else if (argument == "--version") {
            options.action = LaunchOptions::Action::PrintVersion;
            return options;
        } else if (argument == dbOption) {
            if (i + 1 >= arguments.size())
                return common::failure(common::UsageError{"--db needs a path"});
            error = takeSource(arguments[++i], dbOption);
        } else if (argument.starts_with(dbOptionWithValue)) {
            error = takeSource(argument.substr(dbOptionWithValue.size()), dbOption);
        } else {
            error = common::UsageError{"unknown option: " + argument};
        }
        if (error)
            return common::failure(std::move(*error));
    }
    return options;
}

std::string launchUsageText()
{
    return "Usage: tovik [--db PATH | PATH]\n"
           "  or:  tovik --help | --version\n"
           "\n"
           "Opens the Tovik window on a Messages history: the database chat.db, read strictly\n"
           "read-only. Pick one conversation and it is written as one text file into Downloads,\n"
           "never replacing a file there. Without a PATH the window reads\n"
           "~/Library/Messages/chat.db.\n"
           "\n"
           "Options:\n"
           "  --db PATH       read the Messages database at PATH\n"
           "  PATH            the same as --db PATH\n"
           "  -h, --help      print this help and exit\n"
           "  --version       print the version and exit\n"
           "\n"
           "Exit status: 0 when the window was closed or the help or version printed,\n"
           "2 usage error or no display to open the window on.\n"
           "\n"
           "tovik-export exports a conversation without the window.\n";
}

std::string launchVersionText()
{
    return "tovik " + std::string(common::programVersion) + "\n";
}

} // namespace app
