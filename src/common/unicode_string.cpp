#include "common/unicode_string.h"

#include <unicode/stringpiece.h>

#include <algorithm>
#include <climits>
#include <cstdint>

namespace common
{

icu::UnicodeString unicodeFrom(std::string_view utf8)
{
    const auto length = static_cast<int32_t>(std::min<std::size_t>(utf8.size(), INT32_MAX));
    return icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), length));
}

std::string utf8From(const icu::UnicodeString &text)
{
    std::string utf8;
    text.toUTF8String(utf8);
    return utf8;
}

} // namespace common
