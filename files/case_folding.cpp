#include "files/case_folding.h"

#include "files/utf8.h"

namespace tamboro {

namespace {

// Where the capital of a pair is the even code point and its small letter
// the next one.
char32_t evenCapital(char32_t c) {
    return (c % 2 == 0) ? c + 1 : c;
}

char32_t oddCapital(char32_t c) {
    return (c % 2 == 1) ? c + 1 : c;
}

char32_t foldLatin(char32_t c) {
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + 0x20 : c;
    if (c == 0xB5)
        return 0x3BC;  // micro sign to mu
    if (c < 0x100)
        return (c >= 0xC0 && c <= 0xDE && c != 0xD7) ? c + 0x20 : c;
    // Latin Extended-A. U+0130, U+0131, U+0138 and U+0149 have no simple folding.
    if (c <= 0x012F || (c >= 0x0132 && c <= 0x0137) || (c >= 0x014A && c <= 0x0177))
        return evenCapital(c);
    if ((c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E))
        return oddCapital(c);
    if (c == 0x0178)
        return 0x00FF;
    if (c == 0x017F)
        return 's';
    return c;
}

char32_t foldGreek(char32_t c) {
    if ((c >= 0x0391 && c <= 0x03A1) || (c >= 0x03A3 && c <= 0x03AB))
        return c + 0x20;
    if (c >= 0x0388 && c <= 0x038A)
        return c + 0x25;
    if (c == 0x038E || c == 0x038F)
        return c + 0x3F;
    if (c >= 0x03D8 && c <= 0x03EF)
        return evenCapital(c);
    if (c >= 0x03FD && c <= 0x03FF)
        return c - 0x82;
    switch (c) {
    case 0x0345: return 0x03B9;
    case 0x0370: case 0x0372: case 0x0376: return c + 1;
    case 0x037F: return 0x03F3;
    case 0x0386: return 0x03AC;
    case 0x038C: return 0x03CC;
    case 0x03C2: return 0x03C3;  // final sigma
    case 0x03CF: return 0x03D7;
    case 0x03D0: return 0x03B2;
    case 0x03D1: return 0x03B8;
    case 0x03D5: return 0x03C6;
    case 0x03D6: return 0x03C0;
    case 0x03F0: return 0x03BA;
    case 0x03F1: return 0x03C1;
    case 0x03F4: return 0x03B8;
    case 0x03F5: return 0x03B5;
    case 0x03F7: return 0x03F8;
    case 0x03F9: return 0x03F2;
    case 0x03FA: return 0x03FB;
    default: return c;
    }
}

char32_t foldCyrillic(char32_t c) {
    if (c <= 0x040F)
        return c + 0x50;
    if (c <= 0x042F)
        return c + 0x20;
    if ((c >= 0x0460 && c <= 0x0481) || (c >= 0x048A && c <= 0x04BF) || c >= 0x04D0)
        return evenCapital(c);
    if (c == 0x04C0)
        return 0x04CF;
    if (c >= 0x04C1 && c <= 0x04CE)
        return oddCapital(c);
    return c;
}

}  // namespace

char32_t foldCase(char32_t c) {
    if (c < 0x0180)
        return foldLatin(c);
    if (c >= 0x0345 && c < 0x0400)
        return foldGreek(c);
    if (c >= 0x0400 && c < 0x0530)
        return foldCyrillic(c);
    return c;
}

std::u32string foldedName(std::string_view name) {
    // Beyond the last code point of Unicode, so no character equals it.
    constexpr char32_t InvalidByteBase = 0x110000;
    std::u32string folded;
    folded.reserve(name.size());
    while (!name.empty()) {
        const Utf8Char c = decodeUtf8(name);
        folded.push_back(c.valid ? foldCase(c.codePoint)
                                 : InvalidByteBase + static_cast<uint8_t>(name[0]));
        name.remove_prefix(c.bytes);
    }
    return folded;
}

}  // namespace tamboro
