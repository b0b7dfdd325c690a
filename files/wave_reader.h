#pragma once
// Reads a whole WAV file into memory: its format record and the raw bytes of
// its data chunk. Nothing is converted. Main thread.

#include <cstdint>
#include <filesystem>
#include <memory>

#include "engine/sample_data.h"
#include "engine/wave_format.h"

namespace tamboro {

struct LoadedWave {
    std::unique_ptr<WaveFormat> format;
    SampleData data;          // length bytes, then a 256-byte zeroed tail
    uint32_t length = 0;      // bytes of sample data
};

// Returns 0 and fills `out`, or a nonzero WaveResult (or chunk-access error)
// and leaves `out` empty; a path that is no regular file is refused at once
// (WaveNotAFile). Nothing stays open or allocated on failure. When a
// system call failed, its errno goes to `systemError` (else 0 does).
uint32_t loadWaveFile(const std::filesystem::path& path, LoadedWave& out,
                      int* systemError = nullptr);

}  // namespace tamboro
