// Feeds arbitrary bytes, as a song file's sample name may hold, to the text
// handling around names: strict UTF-8 decoding, the Windows-1252 fallback,
// the name as shown, case folding and escaping for the terminal.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "commands/terminal_text.h"
#include "files/case_folding.h"
#include "files/stored_names.h"
#include "files/utf8.h"

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

// Decoding a valid text and encoding it again gives the same bytes.
void checkRoundTrip(std::string_view text) {
    std::string again;
    std::string_view rest = text;
    while (!rest.empty()) {
        const tamboro::Utf8Char c = tamboro::decodeUtf8(rest);
        check(c.valid && c.bytes >= 1 && c.bytes <= 4 && c.bytes <= rest.size());
        tamboro::appendUtf8(again, c.codePoint);
        rest.remove_prefix(c.bytes);
    }
    check(again == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (tamboro::isValidUtf8(text)) checkRoundTrip(text);

    const std::string converted = tamboro::windows1252ToUtf8(text);
    check(tamboro::isValidUtf8(converted));

    // The name as shown is always UTF-8, and a UTF-8 name is shown unchanged.
    const std::string shownName = tamboro::shownSampleName(text);
    check(tamboro::isValidUtf8(shownName));
    check(shownName == (tamboro::isValidUtf8(text) ? std::string(text) : converted));

    const std::u32string folded = tamboro::foldedName(text);
    check(folded.size() <= size);
    // A folded letter folds to itself.
    for (char32_t c : folded) check(c >= 0x110000 || tamboro::foldCase(c) == c);

    const std::string shown = tamboro::escapeForTerminal(text);
    check(tamboro::isValidUtf8(shown));
    for (char ch : shown) {
        const auto byte = static_cast<unsigned char>(ch);
        check(byte >= 0x20 && byte != 0x7F);
    }
    return 0;
}
