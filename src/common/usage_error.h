#pragma once

#include <string>

namespace common
{

// Arguments a program cannot run with: what is wrong, in English, for the usage message.
struct UsageError {
    std::string message;
};

} // namespace common
