#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The byte rules of vCard text shared by its readers. Property names, parameters and the line
// structure are ASCII; values are bytes in some charset until they are turned into UTF-8.
namespace contacts::vcard
{

[[nodiscard]] inline char upperAscii(char c) noexcept
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

[[nodiscard]] inline std::string upperAscii(std::string_view text)
{
    std::string upper(text);
    for (char &c : upper)
        c = upperAscii(c);
    return upper;
}

[[nodiscard]] inline bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) noexcept
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upperAscii(a[i]) != upperAscii(b[i]))
            return false;
    }
    return true;
}

[[nodiscard]] inline bool startsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) noexcept
{
    return text.size() >= prefix.size() && equalsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

[[nodiscard]] inline bool isBlank(char c) noexcept
{
    return c == ' ' || c == '\t';
}

[[nodiscard]] inline std::string_view trimBlanks(std::string_view text) noexcept
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

[[nodiscard]] inline int hexValue(char c) noexcept
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

[[nodiscard]] inline int base64Value(char c) noexcept
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

// A byte of a 2.1 base64 block that was written without folding white space.
[[nodiscard]] inline bool isBase64LineByte(char c) noexcept
{
    return base64Value(c) >= 0 || c == '=' || isBlank(c);
}

// 64-bit FNV-1a: simple, and the same on every platform and every run. Bytes may be added in
// pieces: the value depends only on the bytes and their order.
class Fnv1a
{
public:
    void reset() noexcept { m_hash = offsetBasis; }
    void add(std::string_view bytes) noexcept
    {
        for (const char c : bytes) {
            m_hash ^= static_cast<unsigned char>(c);
            m_hash *= prime;
        }
    }
    [[nodiscard]] std::uint64_t value() const noexcept { return m_hash; }

private:
    static constexpr std::uint64_t offsetBasis = 0xcbf29ce484222325ULL;
    static constexpr std::uint64_t prime = 0x100000001b3ULL;
    std::uint64_t m_hash = offsetBasis;
};

// The longest text kept of one line: longer physical lines are passed over in pieces, and a
// property value longer than this (no name, number or address is) is dropped like a photo.
inline constexpr std::size_t maxKeptBytes = std::size_t{1} << 20;

} // namespace contacts::vcard
