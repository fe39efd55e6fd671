#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace exporter
{

// The text of a `message.attributedBody` blob: the byte scan first, and only when it finds
// nothing, the full typedstream decoder. An empty text is a result (the row's text becomes
// empty); nullopt means neither way found a text, and the row keeps its `text` column.
[[nodiscard]] std::optional<std::string> textFromAttributedBody(std::string_view bytes);

// The stored string found by pattern, without decoding the archive: the first "NSString", the
// first 0x2B within the 16 bytes after it, a length (one byte taken as is, or 0x81 + 16-bit, or
// 0x82 + 32-bit little-endian) and that many bytes of valid UTF-8. nullopt when any of it is
// missing, out of bounds or not UTF-8; never reads outside `bytes`.
[[nodiscard]] std::optional<std::string> scanAttributedBody(std::string_view bytes);

} // namespace exporter
