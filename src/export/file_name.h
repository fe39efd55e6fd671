#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace exporter
{

// The title as the name part of an export file: each of / \ : ? % * | " < >, every control
// character (C0 including LF, CR, tab and NUL; DEL; C1) and the line and paragraph separators
// become one space; the bidirectional controls (Bidi_Control) are removed; tab and Zs spaces are
// trimmed from both ends; at most the first 60 grapheme clusters are kept, untrimmed; "iMessage"
// when nothing is left. Never empty and never holds a path separator. Ill-formed UTF-8 comes
// back with U+FFFD in its place.
[[nodiscard]] std::string safeFileName(std::string_view title);

// "Tovik - " + name + ".txt" for number 1, "Tovik - " + name + " N.txt" from 2 on. When that is more
// than `maxBytes` bytes, the name is cut to its longest prefix of whole grapheme clusters that fits;
// when not even one cluster fits, "iMessage" stands in. Names that fit are unchanged.
[[nodiscard]] std::string exportFileName(std::string_view safeName, unsigned number, std::size_t maxBytes = 255);

} // namespace exporter
