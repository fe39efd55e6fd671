#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace exporter
{

// Decodes a NeXT/Apple typedstream archive (little-endian "streamtyped", version 4, as
// NSArchiver writes it) and returns the plain string of its root object when that root is an
// NSAttributedString or NSMutableAttributedString holding an NSString or NSMutableString.
// nullopt for any other root, and for an archive that is truncated, malformed (bad tag, bad
// reference, length past the end, unknown type code, attribute runs that do not cover the string
// in UTF-16 units) or whose string is not valid UTF-8. Bytes after the root object are ignored.
// Reads only inside `bytes`, nests at most 64 objects deep, and allocates in proportion to the
// input.
[[nodiscard]] std::optional<std::string> decodeAttributedString(std::string_view bytes);

} // namespace exporter
