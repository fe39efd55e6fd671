#include "common/terminal_text.h"

#include "common/utf8.h"

#include <unicode/uchar.h>

#include <cstdint>

namespace common
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
    forEachScalar(text, [&](std::int32_t c, std::size_t start, std::size_t end) {
        if (c < 0) {
            // Each byte of an ill-formed sequence on its own: a lone 0x9B is a control to some terminals.
            for (std::size_t i = start; i < end; ++i) {
                const auto byte = static_cast<unsigned char>(text[i]);
                out += "\\x";
                out += hex[byte >> 4];
                out += hex[byte & 0x0F];
            }
        } else if (!isTerminalControl(static_cast<char32_t>(c))) {
            out.append(text.substr(start, end - start));
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
    });
    return out;
}

} // namespace common
