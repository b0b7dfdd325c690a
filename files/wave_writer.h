#pragma once
// Writes a 16-bit WAV file in one pass: RIFF header, "fmt " and "fact"
// chunks, then a "data" chunk appended through a buffer, and the sizes fixed
// when the file is closed. The file is written beside its target and takes
// the target's place only when it was closed complete (file_replacement.h):
// a failure, or a file given up, leaves an existing target as it was and no
// partial file behind. Main thread.

#include <cstdint>
#include <filesystem>
#include <memory>

#include "engine/wave_format.h"

namespace tamboro {

class RiffFile;

// The state of one file being written: the open file, the RIFF chunk and the
// current sub-chunk, the buffer position and the count of the last append.
class WaveWriter {
public:
    WaveWriter();
    ~WaveWriter();               // abandons an open file
    WaveWriter(const WaveWriter&) = delete;
    WaveWriter& operator=(const WaveWriter&) = delete;

    bool isOpen() const;
    uint32_t lastWritten() const { return lastWritten_; }
    // The errno behind the last failure, 0 when the system gave none.
    int systemError() const;

private:
    friend uint32_t createWaveFile(WaveWriter&, const std::filesystem::path&, const WaveFormat&);
    friend uint32_t beginWaveData(WaveWriter&);
    friend uint32_t writeWaveData(WaveWriter&, uint32_t, const uint8_t*);
    friend uint32_t closeWaveFile(WaveWriter&, uint32_t);
    friend void abandonWaveFile(WaveWriter&);
    struct State;
    std::unique_ptr<State> state_;
    uint32_t lastWritten_ = 0;
};

// Creates the file (to replace one of that name) with its RIFF header, "fmt "
// and "fact" (FF FF FF FF) chunks. On a failure after the file was created
// the file stays open and the caller abandons it.
uint32_t createWaveFile(WaveWriter& writer, const std::filesystem::path& path,
                        const WaveFormat& format);

// Creates the "data" chunk and begins buffered appending.
uint32_t beginWaveData(WaveWriter& writer);

// Appends count bytes to the data chunk; writer.lastWritten() tells how many
// went in before a failure.
uint32_t writeWaveData(WaveWriter& writer, uint32_t count, const uint8_t* bytes);

// Flushes, fixes the "data" and RIFF sizes, writes factValue into the "fact"
// chunk and closes the file, whatever happens on the way; only when all of
// that succeeded does the file replace its target. Returns 0 at once when no
// file is open.
uint32_t closeWaveFile(WaveWriter& writer, uint32_t factValue);

// Gives the file up: it is closed and removed, and the target stays as it was.
void abandonWaveFile(WaveWriter& writer);

}  // namespace tamboro
