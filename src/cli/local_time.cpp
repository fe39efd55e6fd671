#include "cli/local_time.h"

#include <array>
#include <ctime>

namespace cli
{

std::string localTimeText(std::optional<std::int64_t> unixSeconds, const char *format)
{
    if (!unixSeconds)
        return "?";
    const auto time = static_cast<std::time_t>(*unixSeconds);
    std::tm local{};
    if (localtime_r(&time, &local) == nullptr)
        return "?";
    std::array<char, 64> buffer{};
    const std::size_t length = std::strftime(buffer.data(), buffer.size(), format, &local);
    return length == 0 ? "?" : std::string(buffer.data(), length);
}

} // namespace cli
