#pragma once
// A song for playback tests whose every half sounds and differs from the
// others, and the halves it renders offline from step 0, to compare with
// what a device played.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/mixer.h"
#include "engine/step_clock.h"
#include "tests/support/test_song.h"

namespace tamboro::test {

inline constexpr uint32_t HalfFrames = HalfBytes / 4;

// 16 steps at tempo 120 with shuffle: 10.75 halves a pass of the song.
inline std::unique_ptr<SongState> playbackSong() {
    auto song = quietSong();
    std::vector<int16_t> ramp(12000);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<int16_t>(1000 + (i * 7) % 20000);
    installSample(*song, 0, ramp);
    installSample(*song, 1, std::vector<int16_t>(3000, -5000));
    for (int step = 0; step < 16; ++step)
        song->stepGrid[step * ChannelCount + 0] = 1;
    for (int step : {0, 5, 9})
        song->stepGrid[step * ChannelCount + 1] = 1;
    song->shuffle = 20;
    return song;
}

// The first `halves` halves of playbackSong from step 0, back to back.
inline std::vector<int16_t> referenceHalves(int halves) {
    auto song = playbackSong();
    resetVoices(*song);
    std::vector<int16_t> out(size_t(halves) * HalfFrames * 2);
    for (int h = 0; h < halves; ++h)
        renderHalf(*song, out.data() + size_t(h) * HalfFrames * 2);
    return out;
}

// One half (frames h*8192 ..) of a run of values.
inline std::vector<int16_t> halfOf(const std::vector<int16_t>& values, size_t h) {
    const auto begin = values.begin() + static_cast<std::ptrdiff_t>(h * HalfFrames * 2);
    return std::vector<int16_t>(begin, begin + HalfFrames * 2);
}

inline bool silent(const std::vector<int16_t>& values) {
    for (int16_t v : values)
        if (v != 0)
            return false;
    return true;
}

}  // namespace tamboro::test
