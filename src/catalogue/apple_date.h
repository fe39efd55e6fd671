#pragma once

#include "common/instant.h"

#include <cstdint>
#include <optional>

namespace catalogue
{

// Seconds from the Unix epoch to the Messages reference date, 2001-01-01 00:00:00 UTC.
inline constexpr double appleReferenceUnixSeconds = 978307200.0;

// The instant of a stored message date. Below 1 there is no date; up to and including ten
// billion the value counts seconds, above it nanoseconds (databases since 2017 store those,
// and migrated ones hold both). The division happens in double precision, so nanosecond values
// keep about a microsecond of precision.
[[nodiscard]] inline std::optional<common::Instant> appleDate(std::int64_t raw)
{
    if (raw < 1)
        return std::nullopt;
    const double units = static_cast<double>(raw);
    const double seconds = raw > 10'000'000'000LL ? units / 1'000'000'000.0 : units;
    return common::instantFromUnixSeconds(seconds + appleReferenceUnixSeconds);
}

} // namespace catalogue
