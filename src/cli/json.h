#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace cli
{

// A JSON string literal for UTF-8 text: quotes and backslashes escaped, and C0, DEL, C1, the
// line and paragraph separators and the bidirectional controls written as \uXXXX, so that the
// values stay exact and a terminal showing them stays safe; an ill-formed UTF-8 sequence becomes
// \ufffd. Everything else passes through.
[[nodiscard]] std::string jsonString(std::string_view text);

// The shortest plain decimal form (no exponent) that reads back as the same double; "null" for
// no value.
[[nodiscard]] std::string jsonNumber(std::optional<double> value);

} // namespace cli
