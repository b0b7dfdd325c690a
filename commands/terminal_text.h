#pragma once
// Names and paths made safe to print to a terminal or a log: a song file
// chooses its sample names, and they must not move the cursor, clear the
// screen or forge lines of output. Any thread.

#include <string>
#include <string_view>

namespace tamboro {

// `text` with every C0 control character, DEL, C1 control character,
// line and paragraph separator, bidirectional override or isolate, and
// every byte that is not part of valid UTF-8 written as \xNN, one for each
// of its bytes (an escape sequence ESC [ 2 J becomes \x1b[2J). Everything
// else, the backslash included, is kept as it is.
std::string escapeForTerminal(std::string_view text);

}  // namespace tamboro
