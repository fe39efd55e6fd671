#include "utf8.h"

#include <cstdint>

namespace common
{

namespace
{

// Length of the well-formed sequence starting at `i`, or the length of its maximal ill-formed
// prefix as a negative number (at least 1 byte is always consumed).
int sequenceAt(std::string_view s, std::size_t i) noexcept
{
    const auto byte = [&](std::size_t k) {
        return static_cast<std::uint8_t>(s[k]);
    };
    const std::uint8_t b0 = byte(i);
    if (b0 < 0x80)
        return 1;
    int length = 0;
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        if (b0 == 0xE0)
            low = 0xA0;
        else if (b0 == 0xED)
            high = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        if (b0 == 0xF0)
            low = 0x90;
        else if (b0 == 0xF4)
            high = 0x8F;
    } else {
        return -1;
    }
    for (int k = 1; k < length; ++k) {
        if (i + static_cast<std::size_t>(k) >= s.size())
            return -k;
        const std::uint8_t b = byte(i + static_cast<std::size_t>(k));
        const std::uint8_t lo = k == 1 ? low : 0x80;
        const std::uint8_t hi = k == 1 ? high : 0xBF;
        if (b < lo || b > hi)
            return -k;
    }
    return length;
}

} // namespace

bool isValidUtf8(std::string_view bytes) noexcept
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        // ASCII runs are the common case; skip them eight at a time would be premature here.
        if (static_cast<std::uint8_t>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        const int n = sequenceAt(bytes, i);
        if (n < 0)
            return false;
        i += static_cast<std::size_t>(n);
    }
    return true;
}

std::string repairUtf8(std::string_view bytes)
{
    if (isValidUtf8(bytes))
        return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + 8);
    std::size_t i = 0;
    while (i < bytes.size()) {
        const int n = sequenceAt(bytes, i);
        if (n > 0) {
            out.append(bytes.substr(i, static_cast<std::size_t>(n)));
            i += static_cast<std::size_t>(n);
        } else {
            out.append("\xEF\xBF\xBD");
            i += static_cast<std::size_t>(-n);
        }
    }
    return out;
}

std::int32_t nextScalar(std::string_view text, std::size_t &pos) noexcept
{
    const auto lead = static_cast<std::uint8_t>(text[pos]);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    const int n = sequenceAt(text, pos);
    if (n < 0) {
        pos += static_cast<std::size_t>(-n);
        return -1;
    }
    // The lead byte's payload bits: 5, 4 or 3 of them for sequences of 2, 3 or 4 bytes.
    std::int32_t c = lead & (0x7F >> n);
    for (int k = 1; k < n; ++k)
        c = (c << 6) | (static_cast<std::uint8_t>(text[pos + static_cast<std::size_t>(k)]) & 0x3F);
    pos += static_cast<std::size_t>(n);
    return c;
}

} // namespace common
