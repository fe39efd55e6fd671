#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace common
{

// True when the bytes are well-formed UTF-8: no overlong forms, no surrogates, nothing above
// U+10FFFF, no truncated sequence.
[[nodiscard]] bool isValidUtf8(std::string_view bytes) noexcept;

// The bytes with every maximal ill-formed subsequence replaced by U+FFFD (the W3C/Unicode
// "substitution of maximal subparts" practice). Well-formed input comes back unchanged.
[[nodiscard]] std::string repairUtf8(std::string_view bytes);

// The code point that starts at byte `pos` of `text` (which must be before its end), with `pos`
// moved past it. An ill-formed sequence gives -1 and moves `pos` past its maximal ill-formed part,
// at least one byte: the same parts repairUtf8 replaces.
[[nodiscard]] std::int32_t nextScalar(std::string_view text, std::size_t &pos) noexcept;

// Calls `visit(c, start, end)` for each code point of `text` with its byte range, in order; c is
// -1 for each maximal ill-formed part.
template<typename Visit>
void forEachScalar(std::string_view text, Visit visit)
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = pos;
        const std::int32_t c = nextScalar(text, pos);
        visit(c, start, pos);
    }
}

} // namespace common
