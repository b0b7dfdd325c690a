// Pitch: the phase-step table, the playing rates it gives and the
// interpolated values.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "tests/support/test_song.h"

namespace tamboro {
namespace {

using test::installSample;
using test::quietSong;
using test::renderValues;
using test::sound;

TEST(PitchTable, MatchesReferenceSteps) {
    SongState song;
    const int32_t up[] = {243, 501, 774, 1064, 1371, 1696, 2041, 2405, 2792, 3202, 3636, 4095};
    for (int n = 1; n <= 12; ++n) {
        EXPECT_EQ(song.pitchTable[pitchTableIndex(n)], up[n - 1]) << "+" << n;
        EXPECT_EQ(song.pitchTable[pitchTableIndex(-n)], up[n - 1] - 1) << "-" << n;
    }
}

// Source values a voice moves through in one half (8,192 frames).
uint32_t valuesReadInOneHalf(int pitch, bool stereo) {
    auto song = quietSong();
    installSample(*song, 0, std::vector<int16_t>(40000, 100), stereo);
    song->pitch[0] = static_cast<int16_t>(pitch);
    sound(*song, 0);
    renderValues(*song);
    return song->voices[0].position / (stereo ? 2 : 1);
}

TEST(Pitch, PlaysAtTheRatesOfItsTable) {
    const int32_t up[] = {243, 501, 774, 1064, 1371, 1696, 2041, 2405, 2792, 3202, 3636, 4095};
    for (int n = 1; n <= 12; ++n) {
        // Upward: (4096 + up(n)) / 4096 values per frame.
        const double upRate = (4096.0 + up[n - 1]) / 4096.0;
        EXPECT_NEAR(valuesReadInOneHalf(n, false), 8192 * upRate, 2.0) << "+" << n;
        // Downward: the position holds once every q + 1 frames.
        const int q = 4096 / (up[n - 1] - 1);
        const double downRate = q / (q + 1.0);
        EXPECT_NEAR(valuesReadInOneHalf(-n, false), 8192 * downRate, 2.0) << "-" << n;
    }
    // Pitch 0 copies, and stereo moves by whole frames at the same rates.
    EXPECT_EQ(valuesReadInOneHalf(0, false), 8192u);
    EXPECT_EQ(valuesReadInOneHalf(0, true), 8192u);
    EXPECT_EQ(valuesReadInOneHalf(12, true), valuesReadInOneHalf(12, false));
}

TEST(Pitch, OctaveUpSkipsAllButOneFrameIn4096AndLowPitchesHalve) {
    EXPECT_EQ(valuesReadInOneHalf(12, false), 2u * 8192 - 2);
    EXPECT_EQ(valuesReadInOneHalf(-12, false), 4096u);
    EXPECT_EQ(valuesReadInOneHalf(-9, false), valuesReadInOneHalf(-12, false));
    EXPECT_EQ(valuesReadInOneHalf(-8, false), 4096u);
}

TEST(Pitch, InterpolatesAlongTheParabola) {
    // A ramp is its own parabola: pitch +12 reads it at fractions 0, 4095,
    // 4094, ... of a value step.
    std::vector<int16_t> ramp(120);
    for (int i = 0; i < 120; ++i)
        ramp[i] = static_cast<int16_t>(256 * i);
    auto song = quietSong();
    installSample(*song, 0, ramp);
    song->pitch[0] = 12;
    sound(*song, 0);
    auto out = renderValues(*song);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[2], (256 + 255) / 4);  // position 1 at 4095/4096
    EXPECT_EQ(out[4], (768 + 255) / 4);  // position 3 at 4094/4096

    // Pitch -1 starts every call at a whole value: the first frame is s[1].
    auto down = quietSong();
    installSample(*down, 0, {0, 1000, 4000, 9000, 16000});
    down->pitch[0] = -1;
    sound(*down, 0);
    out = renderValues(*down);
    EXPECT_EQ(out[0], 250);
    // Next at 3854/4096 between 1 and 2 on the parabola 1000 * x^2 (about
    // 3,550 by the formula's truncations), then a quarter.
    EXPECT_NEAR(out[2], 1000.0 * std::pow(1.0 + 3854 / 4096.0, 2) / 4, 2.0);
}

TEST(Pitch, ChangesTakeEffectAtTheNextCall) {
    auto song = quietSong();
    installSample(*song, 0, std::vector<int16_t>(60000, 100));
    sound(*song, 0);
    renderValues(*song);
    EXPECT_EQ(song->voices[0].position, 8192u);
    song->pitch[0] = -12;
    renderValues(*song);
    EXPECT_EQ(song->voices[0].position, 8192u + 4096u);
}

}  // namespace
}  // namespace tamboro
