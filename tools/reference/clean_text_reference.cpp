#include "reference/clean_text_reference.h"

#include "common/unicode_string.h"
#include "export/clean_text.h"

#include <unicode/uchar.h>

namespace reference
{

IcuTimestampLine::IcuTimestampLine()
{
    UErrorCode status = U_ZERO_ERROR;
    m_matcher.reset(exporter::timestampLinePattern().matcher(status));
    m_failed = U_FAILURE(status) || !m_matcher;
}

bool IcuTimestampLine::matches(std::string_view line)
{
    if (!m_matcher)
        return false;
    UErrorCode status = U_ZERO_ERROR;
    m_input = common::unicodeFrom(line);
    m_matcher->reset(m_input);
    const bool found = m_matcher->find(status);
    m_failed = m_failed || U_FAILURE(status);
    return found;
}

std::string cleanWithIcu(std::string_view text)
{
    icu::UnicodeString s = common::unicodeFrom(text);
    s.findAndReplace(icu::UnicodeString(static_cast<UChar32>(0xFFFC)), icu::UnicodeString());
    s.findAndReplace(u"\r\n", u"\n");
    s.findAndReplace(u"\r", u"\n");
    s.findAndReplace(icu::UnicodeString(static_cast<UChar32>(0x2028)), u"\n");
    const auto isTrim = [](UChar32 c) {
        return c == u'\t' || u_charType(c) == U_SPACE_SEPARATOR;
    };
    IcuTimestampLine pattern;
    std::string joined;
    bool first = true;
    int32_t start = 0;
    while (start <= s.length()) {
        int32_t end = s.indexOf(u'\n', start);
        if (end < 0)
            end = s.length();
        int32_t a = start;
        int32_t b = end;
        while (a < b && isTrim(s.char32At(a)))
            a = s.moveIndex32(a, 1);
        while (b > a && isTrim(s.char32At(b - 1)))
            b = s.moveIndex32(b, -1);
        if (a < b) {
            const std::string line = common::utf8From(icu::UnicodeString(s, a, b - a));
            if (!first)
                joined += '\n';
            first = false;
            if (pattern.matches(line))
                joined += "> ";
            joined += line;
        }
        start = end + 1;
    }
    return joined;
}

} // namespace reference
