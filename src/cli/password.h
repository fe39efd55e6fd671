#pragma once

#include "common/result.h"
#include "crypto/secure_bytes.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace cli
{

struct PasswordProblem {
    enum class Kind {
        NotGiven, // no file, and standard input is not a terminal to ask on
        Unreadable, // the file cannot be read, or is too long to be a password
    };
    Kind kind = Kind::NotGiven;
    std::string detail; // English, for the message
};

// The longest password read, in bytes.
inline constexpr std::size_t maxPasswordBytes = 1024;

// A backup's password: the contents of `file` ("-" is standard input) less one trailing line end,
// or without a file, typed on the terminal after `prompt` (written to `err`) without being shown.
// It is never taken from an argument and lives only in wiped memory.
[[nodiscard]] common::Result<crypto::SecureBytes, PasswordProblem>
readPassword(const std::optional<std::filesystem::path> &file, std::string_view prompt, std::ostream &err);

} // namespace cli
