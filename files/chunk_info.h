#pragma once
// The record of one RIFF chunk being read or written.

#include <array>
#include <cstdint>

namespace tamboro {

using FourCC = std::array<char, 4>;

constexpr FourCC fourCC(const char (&text)[5]) {
    return {text[0], text[1], text[2], text[3]};
}

struct ChunkInfo {
    FourCC id{};          // "RIFF", "fmt ", "data", ...
    uint32_t size = 0;    // data size from the header, without header or pad byte
    FourCC formType{};    // for "RIFF" and "LIST": the 4 characters at the start of the data
    uint32_t dataOffset = 0;  // file offset of the data (for RIFF/LIST: of the form type)
    bool sizeDirty = false;   // writer only: rewrite the header's size on leaving
};

}  // namespace tamboro
