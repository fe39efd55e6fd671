#include "cli/terminal_text.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <climits>
#include <cstdint>

namespace cli
{

bool isTerminalControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029
        || u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_BIDI_CONTROL);
}

std::string terminalText(std::string_view text)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    const auto length = static_cast<int32_t>(std::min<std::size_t>(text.size(), INT32_MAX));
    int32_t at = 0;
    while (at < length) {
        const int32_t start = at;
        UChar32 c = 0;
        U8_NEXT(text.data(), at, length, c);
        if (c < 0) {
            // Each byte of an ill-formed sequence on its own: a lone 0x9B is a control to some terminals.
            for (int32_t i = start; i < at; ++i) {
                const auto byte = static_cast<unsigned char>(text[static_cast<std::size_t>(i)]);
                out += "\\x";
                out += hex[byte >> 4];
                out += hex[byte & 0x0F];
            }
        } else if (!isTerminalControl(static_cast<char32_t>(c))) {
            out.append(text.data() + start, static_cast<std::size_t>(at - start));
        } else if (c < 0x80) {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 0x0F];
        } else {
            out += "\\u{";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += hex[(c >> shift) & 0x0F];
            out += '}';
        }
    }
    // Past 2 GiB nothing is printed as it is.
    if (text.size() > static_cast<std::size_t>(length))
        out += "...";
    return out;
}

} // namespace cli
