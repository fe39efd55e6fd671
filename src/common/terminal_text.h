#pragma once

#include <string>
#include <string_view>

namespace common
{

// Text from any input (a name, a title, a path, a message that quotes one) as it may be printed
// to a terminal or a log: control characters (C0, DEL, C1), the line and paragraph separators and
// the bidirectional controls are written as \xNN or \u{XXXX}, and so is every byte that is not
// part of well-formed UTF-8, so that nothing can move the cursor, reorder the line or send
// terminal commands. Everything else passes unchanged.
[[nodiscard]] std::string terminalText(std::string_view text);

// True for the code points terminalText and the JSON writer escape.
[[nodiscard]] bool isTerminalControl(char32_t c);

} // namespace common
