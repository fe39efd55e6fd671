#pragma once

#include <string>
#include <string_view>

// The text rules every part of the core shares, so that the catalogue, the contacts index, the
// export and the list screen compare, order and lower-case texts alike. All strings are UTF-8;
// ill-formed input is read with U+FFFD in place of each bad sequence.
namespace common
{

// Canonical composition (NFC).
[[nodiscard]] std::string toNFC(std::string_view text);

// True when the two texts are canonically equivalent Unicode text.
[[nodiscard]] bool canonicallyEqual(std::string_view a, std::string_view b);

// Ascending order: the Unicode scalar values of the NFC forms, compared lexicographically; no
// locale, no case folding (ASCII: digits < upper case < lower case).
[[nodiscard]] int compareScalars(std::string_view a, std::string_view b);
[[nodiscard]] inline bool scalarLess(std::string_view a, std::string_view b)
{
    return compareScalars(a, b) < 0;
}

// The locale-independent Unicode default lower-case mapping (full mapping, so "İ" gives "i̇").
[[nodiscard]] std::string lowercased(std::string_view text);

// The locale-independent Unicode default upper-case mapping (full mapping, so "ß" gives "SS").
[[nodiscard]] std::string uppercased(std::string_view text);

// The form under which handles, addresses and search texts are compared: lower-cased with the
// default mapping, then composed (NFC). Canonically equivalent spellings give the same result;
// pure ASCII is only lower-cased.
[[nodiscard]] std::string lowercasedComposed(std::string_view text);

// Removes Unicode white space and line breaks (White_Space property) from both ends.
[[nodiscard]] std::string trimWhiteSpaceAndNewlines(std::string_view text);

// The text without tab and Zs space separators at either end; line and paragraph separators,
// NEL and zero-width characters stay. Ill-formed bytes are never trimmed.
[[nodiscard]] std::string_view trimSpaceSeparators(std::string_view text);

// The characters of `text` that are numbers (decimal digits and every other character with a
// numeric value), in order.
[[nodiscard]] std::string numericCharacters(std::string_view text);

// True when `text` holds letters of Han, Hiragana, Katakana or Hangul and nothing else but the
// marks written with them: combining marks, white space (the ideographic space among it), the
// middle dots, the prolonged sound mark and the other characters those scripts share.
[[nodiscard]] bool isWrittenInEastAsianScripts(std::string_view text);

// The first user-perceived character (extended grapheme cluster) of `text`, so that a letter
// keeps its combining marks; empty for an empty text.
[[nodiscard]] std::string firstCharacter(std::string_view text);

} // namespace common
