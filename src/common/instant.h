#pragma once

#include <chrono>

namespace common
{

// A point in time as seconds since the Unix epoch, kept in double precision as the Messages
// database's dates are (see catalogue::appleDate).
using Instant = std::chrono::time_point<std::chrono::system_clock, std::chrono::duration<double>>;

[[nodiscard]] inline double unixSeconds(Instant instant)
{
    return instant.time_since_epoch().count();
}

[[nodiscard]] inline Instant instantFromUnixSeconds(double seconds)
{
    return Instant(std::chrono::duration<double>(seconds));
}

} // namespace common
