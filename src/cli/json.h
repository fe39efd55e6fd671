#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace cli
{

// A JSON string literal for UTF-8 text: quotes, backslashes and control characters escaped,
// everything else passed through.
[[nodiscard]] std::string jsonString(std::string_view text);

// The shortest plain decimal form (no exponent) that reads back as the same double; "null" for
// no value.
[[nodiscard]] std::string jsonNumber(std::optional<double> value);

} // namespace cli
