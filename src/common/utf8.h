#pragma once

#include <string>
#include <string_view>

namespace common {

// True when the bytes are well-formed UTF-8: no overlong forms, no surrogates, nothing above
// U+10FFFF, no truncated sequence.
[[nodiscard]] bool isValidUtf8(std::string_view bytes) noexcept;

// The bytes with every maximal ill-formed subsequence replaced by U+FFFD (the W3C/Unicode
// "substitution of maximal subparts" practice). Well-formed input comes back unchanged.
[[nodiscard]] std::string repairUtf8(std::string_view bytes);

} // namespace common
