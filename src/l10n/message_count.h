#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The counted text "1 message" / "1,234 messages": the words follow the language of the user
// interface, the digit grouping follows the user's number locale, which may differ from it.
namespace l10n
{

// The POSIX locale that governs number formatting: LC_ALL, else LC_NUMERIC, else LANG (null and empty
// count as unset), without its encoding or modifier ("de_DE.UTF-8@euro" → "de_DE"); "C" when none is
// set. Unlike ICU's own default locale, this ignores the language variables.
[[nodiscard]] std::string numberRegionFromEnvironment(const char *lcAll, const char *lcNumeric, const char *lang);

// The counted text for `language` (one of languageCodes; anything else reads as "en"), with n's
// digits grouped as `numberRegion` groups them: a POSIX locale name or ICU locale identifier, with or
// without encoding. "C", "POSIX" and an empty region group nothing (1234).
[[nodiscard]] std::string messageCountText(std::int64_t n, std::string_view language, std::string_view numberRegion);

// The counted text in currentLanguage(), grouped for the number locale of the process environment,
// which is read once.
[[nodiscard]] std::string messageCountText(std::int64_t n);

// n alone, its digits grouped as in messageCountText(n).
[[nodiscard]] std::string groupedNumber(std::int64_t n);

} // namespace l10n
