#pragma once
// Result codes of the RIFF/WAV reader and writer. 0 is success; callers
// treat any other value as failure.

#include <cstdint>

namespace tamboro {

enum WaveResult : uint32_t {
    WaveOk = 0,
    WaveNoMemory = 0xE000,     // allocating a block failed
    WaveOpenFailed = 0xE100,   // opening the file failed
    WaveNotRiffWave = 0xE101,  // not RIFF/WAVE, "fmt " under 16 bytes, extra bytes missing
    WaveReadFailed = 0xE102,   // the 16 format bytes or the extra count are missing
    WaveTruncated = 0xE103,    // the file ends inside the data chunk
    WaveWriteFailed = 0xE104,  // writing the file failed
    WaveTooLarge = 0xE105,     // the data chunk is larger than any sample may be
    WaveNotAFile = 0xE106,     // the path is a folder, a device, a named pipe or a socket

    // Errors of the chunk access itself, passed on unchanged by the reader.
    RiffChunkNotFound = 0xE201,  // no chunk of that id inside the parent
    RiffReadError = 0xE202,      // a chunk header could not be read
    RiffWriteError = 0xE203,     // a chunk header or pad byte could not be written
    RiffSeekError = 0xE204,      // positioning the file failed
};

}  // namespace tamboro
