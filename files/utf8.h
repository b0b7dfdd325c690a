#pragma once
// Strict UTF-8 decoding, and Windows-1252 text converted to UTF-8, for the
// sample names of song files made on other systems. Any thread.

#include <cstdint>
#include <string>
#include <string_view>

namespace tamboro {

struct Utf8Char {
    char32_t codePoint = 0;  // valid only when `valid`
    uint32_t bytes = 1;      // bytes taken from the text; 1 for an invalid byte
    bool valid = false;
};

// Decodes the character at the start of `text` (which is not empty).
// Overlong forms, surrogates, code points above U+10FFFF and cut-off
// sequences are invalid; each of their bytes counts as one invalid byte.
Utf8Char decodeUtf8(std::string_view text);

bool isValidUtf8(std::string_view text);

void appendUtf8(std::string& out, char32_t codePoint);

// Every byte as its Windows-1252 character, encoded in UTF-8. The five bytes
// that code page leaves unassigned (81, 8D, 8F, 90, 9D) become the C1
// characters of the same value, as Windows itself converts them.
std::string windows1252ToUtf8(std::string_view text);

}  // namespace tamboro
