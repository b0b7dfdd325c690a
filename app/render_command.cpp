#include "app/render_command.h"

#include <new>
#include <ostream>

#include "engine/song_ops.h"
#include "engine/song_state.h"
#include "files/sample_reload.h"
#include "files/song_file.h"
#include "files/stream_to_disk.h"

namespace tamboro {

int runRenderCommand(const CommandLine& line, std::ostream& errors) {
    // The state the program starts in: New Song defaults, every pitch 0.
    auto song = std::make_unique<SongState>();
    newSong(*song);
    song->pitch = line.pitch;

    const SongLoadResult loaded = loadSong(*song, line.song);
    if (loaded != SongLoadResult::Loaded) {
        errors << "tamboro: " << line.song.string() << ": " << songLoadMessage(loaded) << "\n";
        return 1;
    }
    reloadSamples(*song, line.samples, [&](const std::string& name) {
        errors << "tamboro: warning: sample not found: " << name << " (in "
               << line.samples.string() << "); its channel stays silent\n";
    });
    std::unique_ptr<int16_t[]> mixBuffer(new (std::nothrow) int16_t[MixBufferValues]);
    if (!mixBuffer) {
        errors << "tamboro: not enough memory for the mixing buffer\n";
        return 1;
    }
    if (streamToDisk(*song, mixBuffer.get(), line.output) != 1) {
        errors << "tamboro: " << line.output.string() << ": the WAV file could not be written\n";
        return 1;
    }
    return 0;
}

}  // namespace tamboro
