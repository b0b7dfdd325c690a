#include "bench/bench_songs.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "commands/file_texts.h"
#include "engine/mixer.h"
#include "engine/song_ops.h"
#include "files/sample_reload.h"

namespace tamboro::bench {

std::unique_ptr<SongState> newSongWithKit() {
    auto song = std::make_unique<SongState>();
    newSong(*song);
    reloadSamples(*song, std::filesystem::path(TAMBORO_SOURCE_DIR) / "data/Samples",
                  [](const SampleLoadFailure& failure) {
                      std::fprintf(stderr, "benchmark needs the default kit: %.*s: %s\n",
                                   static_cast<int>(failure.name.size()), failure.name.data(),
                                   sampleProblemText(failure.problem));
                      std::exit(1);
                  });
    return song;
}

std::unique_ptr<SongState> worstCaseSong(int16_t songLength, int16_t tempo) {
    auto song = std::make_unique<SongState>();
    newSong(*song);
    song->songLength = songLength;
    song->tempo = tempo;
    const int16_t pitches[ChannelCount] = {-12, -7, -3, -1, 1, 5, 9, 12};
    uint32_t noise = 12345;
    for (int c = 0; c < ChannelCount; ++c) {
        // Ten seconds of stereo noise: longer than any step, so no voice rests.
        const uint32_t values = 2 * 441000;
        SampleData data(new int16_t[values + SampleTailBytes / 2]());
        for (uint32_t i = 0; i < values; ++i) {
            noise = noise * 1664525u + 1013904223u;
            data[i] = static_cast<int16_t>(noise >> 16);
        }
        auto format = std::make_unique<WaveFormat>(outputWaveFormat());
        registerSample(*song, values * 2, std::move(format), std::move(data), c);
        song->pitch[c] = pitches[c];
        song->volume[c] = 64;
        song->distortion[c] = 64;
        updateDistortionCurve(*song, c);
        song->overdrive[c] = 64;
        song->voices[c].level = 64;
    }
    for (int i = 0; i < GridCells; ++i)
        song->stepGrid[i] = 1;
    return song;
}

}  // namespace tamboro::bench
