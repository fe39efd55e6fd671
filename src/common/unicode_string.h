#pragma once

#include <unicode/unistr.h>

#include <string>
#include <string_view>

// The one crossing between the core's UTF-8 strings and ICU's UTF-16 strings.
namespace common
{

// `utf8` as ICU's string; each ill-formed sequence becomes U+FFFD. Text past 2 GiB is cut there.
[[nodiscard]] icu::UnicodeString unicodeFrom(std::string_view utf8);

// `text` as UTF-8; a lone surrogate becomes U+FFFD.
[[nodiscard]] std::string utf8From(const icu::UnicodeString &text);

} // namespace common
