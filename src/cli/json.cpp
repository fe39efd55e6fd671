#include "cli/json.h"

#include <charconv>
#include <cmath>

namespace cli
{

std::string jsonString(std::string_view text)
{
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out += hex[c >> 4];
                out += hex[c & 0x0F];
            } else {
                out += ch;
            }
        }
    }
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
