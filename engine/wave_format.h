#pragma once
// The format record of a WAV file as kept in memory: the 16 bytes of the
// "fmt " chunk, the count of extra format bytes and those bytes.

#include <cstdint>
#include <vector>

namespace tamboro {

struct WaveFormat {
    uint16_t formatTag = 0;       // 1 is PCM
    uint16_t channels = 0;        // the only field the engine looks at
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t extraSize = 0;       // always 0 for PCM
    std::vector<uint8_t> extra;   // extraSize bytes
};

// The fixed format of everything Tamboro plays and writes:
// 44,100 Hz, 2 channels, 16-bit PCM.
WaveFormat outputWaveFormat();

}  // namespace tamboro
