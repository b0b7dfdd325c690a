#include "commands/terminal_text.h"

#include "files/utf8.h"

namespace tamboro {

namespace {

bool isUnsafe(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) ||  // C0, DEL, C1
           c == 0x2028 || c == 0x2029 ||              // line and paragraph separators
           (c >= 0x202A && c <= 0x202E) ||            // bidirectional embeddings and overrides
           (c >= 0x2066 && c <= 0x2069);              // bidirectional isolates
}

void appendEscaped(std::string& out, std::string_view bytes) {
    constexpr char Hex[] = "0123456789abcdef";
    for (char ch : bytes) {
        const auto byte = static_cast<uint8_t>(ch);
        out += "\\x";
        out += Hex[byte >> 4];
        out += Hex[byte & 0x0F];
    }
}

}  // namespace

std::string escapeForTerminal(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const Utf8Char c = decodeUtf8(text);
        const std::string_view bytes = text.substr(0, c.bytes);
        if (!c.valid || isUnsafe(c.codePoint))
            appendEscaped(out, bytes);
        else
            out += bytes;
        text.remove_prefix(c.bytes);
    }
    return out;
}

}  // namespace tamboro
