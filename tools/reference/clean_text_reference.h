#pragma once

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <memory>
#include <string>
#include <string_view>

namespace reference
{

// The timestamp-line expression through ICU's own matcher, one matcher reused for every line.
class IcuTimestampLine
{
public:
    IcuTimestampLine();

    // False also when ICU fails; `failed()` tells the two apart.
    bool matches(std::string_view line);
    [[nodiscard]] bool failed() const { return m_failed; }

private:
    icu::UnicodeString m_input;
    std::unique_ptr<icu::RegexMatcher> m_matcher;
    bool m_failed = false;
};

// The message-text cleaning steps done the plain way: UTF-16, search and replace, trimming each
// line, ICU's matcher for the timestamp lines. Valid UTF-8 input only.
[[nodiscard]] std::string cleanWithIcu(std::string_view text);

} // namespace reference
