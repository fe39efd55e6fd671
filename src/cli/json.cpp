#include "cli/json.h"

#include "common/terminal_text.h"
#include "common/utf8.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>

namespace cli
{

std::string jsonString(std::string_view text)
{
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    common::forEachScalar(text, [&](std::int32_t c, std::size_t start, std::size_t end) {
        if (c < 0) {
            out += "\\ufffd"; // JSON is UTF-8: an ill-formed sequence cannot be kept
        } else if (c == '"') {
            out += "\\\"";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (common::isTerminalControl(static_cast<char32_t>(c))) {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += hex[(c >> shift) & 0x0F];
        } else {
            out.append(text.substr(start, end - start));
        }
    });
    out += '"';
    return out;
}

std::string jsonNumber(std::optional<double> value)
{
    if (!value || !std::isfinite(*value))
        return "null";
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, *value, std::chars_format::fixed);
    if (result.ec != std::errc())
        return "null";
    return std::string(buffer, result.ptr);
}

} // namespace cli
