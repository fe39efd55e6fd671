#pragma once

#include <unicode/regex.h>

#include <string>
#include <string_view>

namespace exporter
{

// The body of one message as written to the export: U+FFFC removed; CR LF, CR and U+2028 turned
// into line breaks; tab and space separators (Zs) trimmed from both ends of every line; empty lines
// dropped; "> " put before every line that looks like a timestamp line; lines joined with LF.
// A text of nothing but white space, U+FFFC and line breaks gives the empty string. Input is UTF-8;
// ill-formed bytes are kept as they are and never count as white space, digits or letters.
[[nodiscard]] std::string cleanMessageText(std::string_view text);

// Appends the cleaned text to `out` and returns whether anything was appended, so that a caller
// building a large export avoids one temporary string per message.
bool appendCleanMessageText(std::string &out, std::string_view text);

// "^[A-Z][a-z]{2} \d{1,2}, \d{4}\s+\d{1,2}:\d{2}:\d{2} [AP]M" with ICU semantics and no flags,
// compiled once per process on first use (thread-safe) and never released. Matching through a
// RegexMatcher of one's own does not modify it.
[[nodiscard]] const icu::RegexPattern &timestampLinePattern();

// True when timestampLinePattern finds a match in `line` (one line, matched as its own text).
// Gives exactly the answer of ICU's matcher without running it: ASCII is decided by table, other
// code points by their Unicode properties (\d is Nd, \s is White_Space).
[[nodiscard]] bool matchesTimestampLine(std::string_view line);

// The same question answered by ICU's RegexMatcher over timestampLinePattern; the reference that
// matchesTimestampLine is checked against, and slow.
[[nodiscard]] bool matchesTimestampLineWithIcu(std::string_view line);

} // namespace exporter
