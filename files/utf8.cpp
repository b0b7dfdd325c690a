#include "files/utf8.h"

namespace tamboro {

namespace {

// Windows-1252 bytes 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr char16_t Windows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool isContinuation(uint8_t byte) {
    return (byte & 0xC0) == 0x80;
}

}  // namespace

Utf8Char decodeUtf8(std::string_view text) {
    const auto lead = static_cast<uint8_t>(text[0]);
    if (lead < 0x80)
        return {lead, 1, true};
    uint32_t length = 0;
    char32_t codePoint = 0;
    // The range the second byte must lie in rules out overlong forms,
    // surrogates and code points past U+10FFFF.
    uint8_t low = 0x80;
    uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return {};
    }
    if (text.size() < length)
        return {};
    const auto second = static_cast<uint8_t>(text[1]);
    if (second < low || second > high)
        return {};
    for (uint32_t i = 1; i < length; ++i) {
        const auto byte = static_cast<uint8_t>(text[i]);
        if (!isContinuation(byte))
            return {};
        codePoint = (codePoint << 6) | (byte & 0x3F);
    }
    return {codePoint, length, true};
}

bool isValidUtf8(std::string_view text) {
    while (!text.empty()) {
        const Utf8Char c = decodeUtf8(text);
        if (!c.valid)
            return false;
        text.remove_prefix(c.bytes);
    }
    return true;
}

void appendUtf8(std::string& out, char32_t codePoint) {
    const auto put = [&out](uint32_t value) { out.push_back(static_cast<char>(value)); };
    const auto c = static_cast<uint32_t>(codePoint);
    if (c < 0x80) {
        put(c);
    } else if (c < 0x800) {
        put(0xC0 | (c >> 6));
        put(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        put(0xE0 | (c >> 12));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    } else {
        put(0xF0 | (c >> 18));
        put(0x80 | ((c >> 12) & 0x3F));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    }
}

std::string windows1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (char ch : text) {
        const auto byte = static_cast<uint8_t>(ch);
        appendUtf8(out, byte >= 0x80 && byte < 0xA0 ? char32_t{Windows1252High[byte - 0x80]}
                                                    : char32_t{byte});
    }
    return out;
}

}  // namespace tamboro
