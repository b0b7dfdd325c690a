#include "files/stream_to_disk.h"

#include <cerrno>

#include "engine/mixer.h"
#include "engine/step_clock.h"
#include "files/wave_writer.h"

namespace tamboro {

namespace {

int renderSongInto(SongState& song, int16_t* mixBuffer, WaveWriter& writer,
                   const std::filesystem::path& path) {
    if (createWaveFile(writer, path, outputWaveFormat()) != 0 || beginWaveData(writer) != 0) {
        abandonWaveFile(writer);
        return 0;
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(mixBuffer);
    while (song.endReached == 0) {
        const uint32_t rendered = renderHalf(song, mixBuffer);
        if (writeWaveData(writer, rendered, bytes) != 0) {
            abandonWaveFile(writer);
            return 0;
        }
    }
    return closeWaveFile(writer, StreamFactValue) == 0 ? 1 : 0;
}

}  // namespace

int streamToDisk(SongState& song, int16_t* mixBuffer, const std::filesystem::path& path,
                 int* systemError) {
    if (systemError)
        *systemError = 0;
    if (!mixBuffer) {
        if (systemError)
            *systemError = ENOMEM;
        return 0;
    }
    song.endReached = 0;
    song.stopAtEnd = 1;
    resetVoices(song);
    WaveWriter writer;
    const int result = renderSongInto(song, mixBuffer, writer, path);
    song.stopAtEnd = 0;
    if (result == 0 && systemError)
        *systemError = writer.systemError();
    return result;
}

}  // namespace tamboro
