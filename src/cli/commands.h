#pragma once

#include "cli/arguments.h"

#include <ostream>

namespace cli
{

// Exit statuses, part of the command line's contract: scripts branch on them.
enum ExitStatus : int {
    Success = 0,
    Failed = 1, // the database or a file could not be read or written
    Usage = 2, // bad arguments, or a conversation that does not exist
};

// Runs one command, writing results to `out` and messages to `err`; returns the exit status.
[[nodiscard]] int run(const Command &command, std::ostream &out, std::ostream &err);

// The same from the raw arguments after the program name.
[[nodiscard]] int run(const std::vector<std::string> &arguments, std::ostream &out, std::ostream &err);

} // namespace cli
