// Names and paths as they may be printed to a terminal.

#include <gtest/gtest.h>

#include <string>

#include "commands/terminal_text.h"
#include "files/utf8.h"

namespace tamboro {
namespace {

TEST(TerminalText, EscapesWhatCouldControlTheTerminal) {
    EXPECT_EQ(escapeForTerminal("Kit\\Snare 01.wav"), "Kit\\Snare 01.wav");
    EXPECT_EQ(escapeForTerminal("Caf\xC3\xA9 \xD0\x96.wav"), "Caf\xC3\xA9 \xD0\x96.wav");
    EXPECT_EQ(escapeForTerminal("\x1B[2J\x1B]0;title\x07"), "\\x1b[2J\\x1b]0;title\\x07");
    EXPECT_EQ(escapeForTerminal("a\nb\rc\td\x7F"), "a\\x0ab\\x0dc\\x09d\\x7f");
    EXPECT_EQ(escapeForTerminal(std::string_view("a\0b", 3)), "a\\x00b");
    EXPECT_EQ(escapeForTerminal("\xC2\x9B""31m"), "\\xc2\\x9b31m");          // C1 CSI
    EXPECT_EQ(escapeForTerminal("evil\xE2\x80\xAEvaw.exe"), "evil\\xe2\\x80\\xaevaw.exe");  // RLO
    EXPECT_EQ(escapeForTerminal("Caf\xE9\x9B"), "Caf\\xe9\\x9b");            // not UTF-8
    // Whatever goes in, nothing below 0x20 and no DEL comes out.
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all += static_cast<char>(byte);
    const std::string escaped = escapeForTerminal(all);
    EXPECT_TRUE(isValidUtf8(escaped));
    for (char ch : escaped)
        EXPECT_FALSE(static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F);
}

}  // namespace
}  // namespace tamboro
