#include "export/attributed_body.h"

#include "common/utf8.h"
#include "export/typedstream_decoder.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace exporter
{

namespace
{

constexpr std::string_view stringClassName = "NSString";
// How far after the class name the '+' type marker may be: the class version and the superclass
// reference, and the type encoding's own NEW tag and length, fit in far less.
constexpr std::size_t markerWindow = 16;
constexpr char stringTypeMarker = 0x2B;

std::uint64_t byteAt(std::string_view bytes, std::size_t index)
{
    return static_cast<std::uint8_t>(bytes[index]);
}

} // namespace

std::optional<std::string> scanAttributedBody(std::string_view bytes)
{
    const std::size_t n = bytes.size();
    const std::size_t found = bytes.find(stringClassName);
    if (found == std::string_view::npos)
        return std::nullopt;
    const std::size_t p = found + stringClassName.size();
    const std::size_t windowEnd = std::min(p + markerWindow, n);
    if (p >= windowEnd)
        return std::nullopt;
    // Only the first marker counts: a later 0x2B in the window is never tried.
    const std::size_t inWindow = bytes.substr(p, windowEnd - p).find(stringTypeMarker);
    if (inWindow == std::string_view::npos)
        return std::nullopt;
    const std::size_t i = p + inWindow;
    if (i + 1 >= n)
        return std::nullopt;

    const std::uint64_t t = byteAt(bytes, i + 1);
    std::uint64_t length = 0;
    std::size_t start = 0;
    if (t == 0x81) {
        if (i + 4 > n)
            return std::nullopt;
        length = byteAt(bytes, i + 2) | byteAt(bytes, i + 3) << 8;
        start = i + 4;
    } else if (t == 0x82) {
        if (i + 6 > n)
            return std::nullopt;
        length =
            byteAt(bytes, i + 2) | byteAt(bytes, i + 3) << 8 | byteAt(bytes, i + 4) << 16 | byteAt(bytes, i + 5) << 24;
        start = i + 6;
    } else {
        // Every other byte, the tags 0x80 and 0x83 to 0x91 included, is the length itself.
        length = t;
        start = i + 2;
    }
    // start <= n holds in every branch, so the subtraction cannot wrap.
    if (length > n - start)
        return std::nullopt;
    const std::string_view text = bytes.substr(start, static_cast<std::size_t>(length));
    if (!common::isValidUtf8(text))
        return std::nullopt;
    return std::string(text);
}

std::optional<std::string> textFromAttributedBody(std::string_view bytes)
{
    if (auto scanned = scanAttributedBody(bytes))
        return scanned;
    return decodeAttributedString(bytes);
}

} // namespace exporter
