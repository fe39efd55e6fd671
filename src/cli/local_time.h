#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace cli
{

// A moment in the machine's time zone, in `format` (strftime's), or "?" when there is none or it
// lies beyond what the calendar can show.
[[nodiscard]] std::string localTimeText(std::optional<std::int64_t> unixSeconds, const char *format);

} // namespace cli
