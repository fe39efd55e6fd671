#pragma once

#include "common/result.h"
#include "common/usage_error.h"

#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace cli
{

struct ListCommand {
    std::optional<std::filesystem::path> db;
    std::optional<std::filesystem::path> contacts;
    std::optional<std::filesystem::path> passwordFile; // an encrypted backup's password; "-" is standard input
    bool json = false;
};

struct ExportCommand {
    std::optional<std::string> id;
    std::optional<std::string> title;
    std::optional<std::filesystem::path> db;
    std::optional<std::filesystem::path> contacts;
    std::optional<std::filesystem::path> passwordFile;
    std::optional<std::filesystem::path> out;
    bool json = false;
};

// Lists the iPhone backups in a folder.
struct BackupsCommand {
    std::optional<std::filesystem::path> dir;
    bool json = false;
};

struct HelpCommand {};
struct VersionCommand {};

using Command = std::variant<ListCommand, ExportCommand, HelpCommand, VersionCommand, BackupsCommand>;

using UsageError = common::UsageError;

// Reads the arguments after the program name. Every option takes its value as the next
// argument or after "="; unknown options, missing values and repeated options are usage errors.
[[nodiscard]] common::Result<Command, UsageError> parseArguments(const std::vector<std::string> &arguments);

[[nodiscard]] std::string usageText();

} // namespace cli
