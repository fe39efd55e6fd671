#include "export/clean_text.h"

#include "common/text.h"
#include "common/unicode_string.h"
#include "common/utf8.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace exporter
{

namespace
{

constexpr std::string_view objectReplacement = "\xEF\xBF\xBC"; // U+FFFC
constexpr unsigned char lineSeparatorLead = 0xE2; // U+2028 is E2 80 A8
constexpr unsigned char objectReplacementLead = 0xEF; // U+FFFC is EF BF BC

bool isAsciiDigit(unsigned char byte)
{
    return byte >= '0' && byte <= '9';
}

// Code point classes of the pattern. ICU's \d is General_Category Nd; its \s is the White_Space
// property, which for ASCII is tab, LF, VT, FF, CR and space.
bool isPatternDigit(UChar32 c)
{
    if (c < 0x80)
        return c >= '0' && c <= '9';
    return u_charType(c) == U_DECIMAL_DIGIT_NUMBER;
}

bool isPatternSpace(UChar32 c)
{
    if (c < 0x80)
        return c == ' ' || (c >= 0x09 && c <= 0x0D);
    return u_isUWhiteSpace(c);
}

bool takeByte(std::string_view line, std::size_t &pos, char expected)
{
    if (pos >= line.size() || line[pos] != expected)
        return false;
    ++pos;
    return true;
}

bool takeDigit(std::string_view line, std::size_t &pos)
{
    if (pos >= line.size())
        return false;
    const auto byte = static_cast<unsigned char>(line[pos]);
    if (byte < 0x80) {
        if (!isAsciiDigit(byte))
            return false;
        ++pos;
        return true;
    }
    std::size_t next = pos;
    if (!isPatternDigit(common::nextScalar(line, next)))
        return false;
    pos = next;
    return true;
}

// \d{1,2} followed by `terminator`. The digit classes and the terminator are disjoint, so the greedy
// reading is the only one and no backtracking is needed.
bool takeOneOrTwoDigitsThen(std::string_view line, std::size_t &pos, char terminator)
{
    if (!takeDigit(line, pos))
        return false;
    takeDigit(line, pos);
    return takeByte(line, pos, terminator);
}

bool takeSpaceRun(std::string_view line, std::size_t &pos)
{
    std::size_t count = 0;
    while (pos < line.size()) {
        std::size_t next = pos;
        if (!isPatternSpace(common::nextScalar(line, next)))
            break;
        pos = next;
        ++count;
    }
    return count > 0;
}

std::string withoutObjectReplacements(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    std::size_t pos = 0;
    for (;;) {
        const std::size_t found = text.find(objectReplacement, pos);
        if (found == std::string_view::npos)
            break;
        result.append(text, pos, found - pos);
        pos = found + objectReplacement.size();
    }
    result.append(text, pos);
    return result;
}

icu::RegexPattern *compileTimestampLinePattern()
{
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError{};
    const auto source = icu::UnicodeString::fromUTF8(R"(^[A-Z][a-z]{2} \d{1,2}, \d{4}\s+\d{1,2}:\d{2}:\d{2} [AP]M)");
    std::unique_ptr<icu::RegexPattern> pattern(icu::RegexPattern::compile(source, 0, parseError, status));
    // The pattern is a constant; failing to compile it means ICU itself is unusable.
    if (U_FAILURE(status) || !pattern)
        std::abort();
    return pattern.release();
}

} // namespace

const icu::RegexPattern &timestampLinePattern()
{
    // Deliberately never freed: other threads may still match with it while the process exits.
    static const icu::RegexPattern *const pattern = compileTimestampLinePattern();
    return *pattern;
}

bool matchesTimestampLine(std::string_view line)
{
    // The shortest possible match, "Jan 1, 2024 1:00:00 AM", is 22 bytes.
    if (line.size() < 22)
        return false;
    const auto byteAt = [&](std::size_t i) {
        return static_cast<unsigned char>(line[i]);
    };
    if (byteAt(0) < 'A' || byteAt(0) > 'Z' || byteAt(1) < 'a' || byteAt(1) > 'z' || byteAt(2) < 'a' || byteAt(2) > 'z'
        || byteAt(3) != ' ')
        return false;
    std::size_t pos = 4;
    if (!takeOneOrTwoDigitsThen(line, pos, ',') || !takeByte(line, pos, ' '))
        return false;
    for (int i = 0; i < 4; ++i) {
        if (!takeDigit(line, pos))
            return false;
    }
    if (!takeSpaceRun(line, pos) || !takeOneOrTwoDigitsThen(line, pos, ':'))
        return false;
    if (!takeDigit(line, pos) || !takeDigit(line, pos) || !takeByte(line, pos, ':'))
        return false;
    if (!takeDigit(line, pos) || !takeDigit(line, pos) || !takeByte(line, pos, ' '))
        return false;
    if (pos >= line.size() || (line[pos] != 'A' && line[pos] != 'P'))
        return false;
    ++pos;
    return takeByte(line, pos, 'M');
}

bool matchesTimestampLineWithIcu(std::string_view line)
{
    UErrorCode status = U_ZERO_ERROR;
    const auto input = common::unicodeFrom(line);
    const std::unique_ptr<icu::RegexMatcher> matcher(timestampLinePattern().matcher(input, status));
    if (U_FAILURE(status) || !matcher)
        return false;
    const bool found = matcher->find(status);
    return U_SUCCESS(status) && found;
}

bool appendCleanMessageText(std::string &out, std::string_view text)
{
    const std::size_t start = out.size();
    const auto appendLine = [&](std::string_view rawLine) {
        const std::string_view line = common::trimSpaceSeparators(rawLine);
        if (line.empty())
            return;
        if (out.size() > start)
            out += '\n';
        if (matchesTimestampLine(line))
            out += "> ";
        out += line;
    };

    // CR LF, CR, LF and U+2028 all end a line. CR LF counting as two breaks would only add an empty
    // line, and empty lines are dropped, so each of the four simply splits.
    const auto *bytes = reinterpret_cast<const unsigned char *>(text.data());
    const std::size_t size = text.size();
    std::size_t lineStart = 0;
    std::size_t pos = 0;
    while (pos < size) {
        const unsigned char byte = bytes[pos];
        if (byte != '\n' && byte != '\r' && byte != lineSeparatorLead && byte != objectReplacementLead) {
            ++pos;
            continue;
        }
        if (byte == '\n' || byte == '\r') {
            appendLine(text.substr(lineStart, pos - lineStart));
            lineStart = ++pos;
        } else if (pos + 2 < size && bytes[pos + 1] == 0x80 && bytes[pos + 2] == 0xA8 && byte == lineSeparatorLead) {
            appendLine(text.substr(lineStart, pos - lineStart));
            pos += 3;
            lineStart = pos;
        } else if (pos + 2 < size && bytes[pos + 1] == 0xBF && bytes[pos + 2] == 0xBC
                   && byte == objectReplacementLead) {
            // U+FFFC goes before anything else, so that it can neither shield white space from the
            // trim nor keep a line from looking like a timestamp. Rare: start again without it.
            out.resize(start);
            return appendCleanMessageText(out, withoutObjectReplacements(text));
        } else {
            ++pos;
        }
    }
    appendLine(text.substr(lineStart));
    return out.size() > start;
}

std::string cleanMessageText(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    appendCleanMessageText(out, text);
    return out;
}

} // namespace exporter
