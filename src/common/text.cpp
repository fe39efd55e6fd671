#include "text.h"

#include "unicode_string.h"
#include "utf8.h"

#include <unicode/brkiter.h>
#include <unicode/bytestream.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/uscript.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

namespace common
{

namespace
{

bool isAscii(std::string_view text) noexcept
{
    return std::all_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x80;
    });
}

// Byte order of well-formed UTF-8 is the order of its scalar values, so comparing bytes as
// unsigned values compares scalars.
int compareBytes(std::string_view a, std::string_view b) noexcept
{
    const std::size_t common = std::min(a.size(), b.size());
    if (common > 0) {
        const int r = std::memcmp(a.data(), b.data(), common);
        if (r != 0)
            return r < 0 ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool isAsciiWhiteSpace(unsigned char c) noexcept
{
    return c == ' ' || (c >= 0x09 && c <= 0x0D);
}

bool isWhiteSpace(UChar32 c) noexcept
{
    return u_hasBinaryProperty(c, UCHAR_WHITE_SPACE) != 0;
}

// The scalar starting at `at` in well-formed UTF-8; `at` moves past it.
UChar32 decodeForward(std::string_view text, std::size_t &at) noexcept
{
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80)
        return lead;
    const int trail = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    UChar32 c = lead & (0x3F >> trail);
    for (int k = 0; k < trail && at < text.size(); ++k)
        c = (c << 6) | (static_cast<unsigned char>(text[at++]) & 0x3F);
    return c;
}

// The scalar ending just before `at` in well-formed UTF-8; `at` moves to its first byte.
UChar32 decodeBackward(std::string_view text, std::size_t &at) noexcept
{
    std::size_t start = at - 1;
    while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
        --start;
    std::size_t cursor = start;
    const UChar32 c = decodeForward(text, cursor);
    at = start;
    return c;
}

// NFC of text that is already well-formed UTF-8. ICU only fails here on allocation or an
// input longer than it can index; the text is then returned uncomposed rather than lost.
std::string composeWellFormed(std::string text)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2 *nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status) || nfc == nullptr || text.size() > static_cast<std::size_t>(INT32_MAX))
        return text;
    const icu::StringPiece piece(text.data(), static_cast<int32_t>(text.size()));
    if (nfc->isNormalizedUTF8(piece, status) && U_SUCCESS(status))
        return text;
    status = U_ZERO_ERROR;
    std::string composed;
    composed.reserve(text.size());
    icu::StringByteSink<std::string> sink(&composed);
    nfc->normalizeUTF8(0, piece, sink, nullptr, status);
    if (U_FAILURE(status))
        return text;
    return composed;
}

// True when `text` is well-formed UTF-8 already in NFC, so that it can be compared as it is.
bool isComposedAsIs(std::string_view text)
{
    if (!isValidUtf8(text) || text.size() > static_cast<std::size_t>(INT32_MAX))
        return false;
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2 *nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status) || nfc == nullptr)
        return false;
    const bool composed =
        nfc->isNormalizedUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())), status);
    return U_SUCCESS(status) && composed;
}

// Tab and the space separators (Zs); line breaks are not among them.
bool isSpaceSeparator(UChar32 c) noexcept
{
    if (c < 0x80)
        return c == ' ' || c == '\t';
    return u_charType(c) == U_SPACE_SEPARATOR;
}

} // namespace

std::string toNFC(std::string_view text)
{
    if (isAscii(text))
        return std::string(text);
    return composeWellFormed(repairUtf8(text));
}

bool canonicallyEqual(std::string_view a, std::string_view b)
{
    if (a == b)
        return true;
    if ((isAscii(a) && isAscii(b)) || (isComposedAsIs(a) && isComposedAsIs(b)))
        return false;
    return toNFC(a) == toNFC(b);
}

int compareScalars(std::string_view a, std::string_view b)
{
    // A combining mark can change the composition of the character before it, so the fast path
    // needs both texts to be all ASCII, not only their common prefix.
    if ((isAscii(a) && isAscii(b)) || (isComposedAsIs(a) && isComposedAsIs(b)))
        return compareBytes(a, b);
    return compareBytes(toNFC(a), toNFC(b));
}

std::string lowercased(std::string_view text)
{
    if (isAscii(text)) {
        std::string lower(text);
        for (char &c : lower) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        return lower;
    }
    if (text.size() > static_cast<std::size_t>(INT32_MAX))
        return repairUtf8(text);
    // fromUTF8 reads each ill-formed sequence as U+FFFD. The root locale selects the default
    // mapping: no Turkish dotless i, no Lithuanian dot rules; Final_Sigma still applies.
    icu::UnicodeString unicode = unicodeFrom(text);
    unicode.toLower(icu::Locale::getRoot());
    return utf8From(unicode);
}

std::string lowercasedComposed(std::string_view text)
{
    std::string lower = lowercased(text);
    if (isAscii(lower))
        return lower;
    // The lower-cased text is well-formed UTF-8: ill-formed input was read as U+FFFD.
    return composeWellFormed(std::move(lower));
}

std::string trimWhiteSpaceAndNewlines(std::string_view text)
{
    if (isAscii(text)) {
        std::size_t begin = 0;
        std::size_t end = text.size();
        while (begin < end && isAsciiWhiteSpace(static_cast<unsigned char>(text[begin])))
            ++begin;
        while (end > begin && isAsciiWhiteSpace(static_cast<unsigned char>(text[end - 1])))
            --end;
        return std::string(text.substr(begin, end - begin));
    }
    const std::string repaired = repairUtf8(text);
    std::size_t begin = 0;
    while (begin < repaired.size()) {
        std::size_t next = begin;
        if (!isWhiteSpace(decodeForward(repaired, next)))
            break;
        begin = next;
    }
    std::size_t end = repaired.size();
    while (end > begin) {
        std::size_t previous = end;
        if (!isWhiteSpace(decodeBackward(repaired, previous)))
            break;
        end = previous;
    }
    return repaired.substr(begin, end - begin);
}

std::string_view trimSpaceSeparators(std::string_view line)
{
    const auto *bytes = reinterpret_cast<const uint8_t *>(line.data());
    auto begin = int32_t{0};
    auto end = static_cast<int32_t>(line.size());
    while (begin < end) {
        if (bytes[begin] < 0x80) {
            if (bytes[begin] != ' ' && bytes[begin] != '\t')
                break;
            ++begin;
            continue;
        }
        int32_t next = begin;
        UChar32 c = 0;
        U8_NEXT(bytes, next, end, c);
        if (c < 0 || !isSpaceSeparator(c))
            break;
        begin = next;
    }
    while (end > begin) {
        if (bytes[end - 1] < 0x80) {
            if (bytes[end - 1] != ' ' && bytes[end - 1] != '\t')
                break;
            --end;
            continue;
        }
        int32_t previous = end;
        UChar32 c = 0;
        U8_PREV(bytes, begin, previous, c);
        if (c < 0 || !isSpaceSeparator(c))
            break;
        end = previous;
    }
    return line.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin));
}

std::string uppercased(std::string_view text)
{
    icu::UnicodeString unicode = unicodeFrom(repairUtf8(text));
    unicode.toUpper(icu::Locale::getRoot());
    return utf8From(unicode);
}

std::string numericCharacters(std::string_view text)
{
    const std::string repaired = repairUtf8(text);
    std::string digits;
    forEachScalar(repaired, [&](std::int32_t c, std::size_t start, std::size_t stop) {
        if (u_getIntPropertyValue(c, UCHAR_NUMERIC_TYPE) != U_NT_NONE)
            digits.append(repaired, start, stop - start);
    });
    return digits;
}

bool isWrittenInEastAsianScripts(std::string_view text)
{
    static constexpr UScriptCode scripts[] = {USCRIPT_HAN, USCRIPT_HIRAGANA, USCRIPT_KATAKANA, USCRIPT_HANGUL};
    bool letters = false;
    bool others = false;
    const std::string repaired = repairUtf8(text);
    forEachScalar(repaired, [&](std::int32_t c, std::size_t, std::size_t) {
        // Script extensions: the prolonged sound mark and the katakana middle dot belong to
        // Hiragana and Katakana, the ideographic punctuation to Han as well.
        const bool eastAsian = std::any_of(std::begin(scripts), std::end(scripts), [c](UScriptCode script) {
            return uscript_hasScript(c, script);
        });
        UErrorCode status = U_ZERO_ERROR;
        const UScriptCode own = uscript_getScript(c, &status);
        if (eastAsian)
            letters = letters || u_hasBinaryProperty(c, UCHAR_ALPHABETIC);
        else if (own != USCRIPT_INHERITED && !u_isUWhiteSpace(c) && c != 0x00B7 && c != 0x2027)
            others = true;
    });
    return letters && !others;
}

std::string firstCharacter(std::string_view text)
{
    if (text.empty())
        return {};
    const icu::UnicodeString unicode = unicodeFrom(repairUtf8(text));
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<icu::BreakIterator> characters(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    int32_t end = U16_LENGTH(unicode.char32At(0));
    if (U_SUCCESS(status) && characters) {
        characters->setText(unicode);
        const int32_t next = characters->following(0);
        if (next != icu::BreakIterator::DONE)
            end = next;
    }
    return utf8From(icu::UnicodeString(unicode, 0, end));
}

} // namespace common
