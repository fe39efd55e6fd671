#pragma once

#include "cli/commands.h"

#include <sstream>
#include <string>
#include <vector>

namespace clitest
{

// What one in-process run of tovik-export gave: exit status, standard output and error.
struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

inline Outcome runCli(const std::vector<std::string> &arguments)
{
    std::ostringstream out;
    std::ostringstream err;
    Outcome outcome;
    outcome.status = cli::run(arguments, out, err);
    outcome.out = out.str();
    outcome.err = err.str();
    return outcome;
}

// How often `what` occurs in `text`, overlapping occurrences included.
inline int occurrences(const std::string &text, const std::string &what)
{
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

} // namespace clitest
