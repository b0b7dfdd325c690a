// The mixer's arithmetic: tables, levels, the waveshaper, overdrive,
// clipping and the handling of mono and stereo data.

#include <gtest/gtest.h>

#include "tests/support/test_song.h"

namespace tamboro {
namespace {

using test::installSample;
using test::quietSong;
using test::renderValues;
using test::sound;

TEST(DistortionCurve, MatchesReferenceCoefficients) {
    auto song = quietSong();
    const struct { int16_t v; int32_t quadratic, linear; } expected[] = {
        {0, 0, 4096},         {1, -218, 3877},       {16, -3661, 434},
        {32, -8546, -4450},   {48, -17760, -13664},  {64, -51434, -47338},
    };
    for (const auto& e : expected) {
        song->distortion[5] = e.v;
        updateDistortionCurve(*song, 5);
        EXPECT_EQ(song->dstQuadratic[5], e.quadratic) << "DST " << e.v;
        EXPECT_EQ(song->dstLinear[5], e.linear) << "DST " << e.v;
    }
}

TEST(DistortionCurve, ShapeMatchesReferenceOutputs) {
    // DST 48
    EXPECT_EQ(shape(0, -17760, -13664), 0);
    EXPECT_EQ(shape(16, -17760, -13664), 40);
    EXPECT_EQ(shape(4096, -17760, -13664), 10368);
    EXPECT_EQ(shape(32767, -17760, -13664), 51888);
    EXPECT_EQ(shape(-1, -17760, -13664), -40);
    EXPECT_EQ(shape(-4096, -17760, -13664), -10368);
    EXPECT_EQ(shape(-32768, -17760, -13664), -51904);
    // DST 1 roughly halves small values and lifts zero to a small constant.
    EXPECT_EQ(shape(0, -218, 3877), 8);
    EXPECT_EQ(shape(4096, -218, 3877), 2152);
    EXPECT_EQ(shape(-1, -218, 3877), -16);
}

TEST(Mixer, MonoVoiceAtPitchZeroComesOutAtAQuarter) {
    auto song = quietSong();
    installSample(*song, 0, {1000, -1000, 3, -1});
    sound(*song, 0);
    const auto out = renderValues(*song);
    const int16_t expected[] = {250, 250, -250, -250, 0, 0, -1, -1, 0, 0};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(out[i], expected[i]) << "value " << i;
}

TEST(Mixer, LevelAndPanScaleTheVoice) {
    auto song = quietSong();
    installSample(*song, 0, std::vector<int16_t>(200, 16000));
    song->volume[0] = 32;
    song->panRight[0] = 16;
    sound(*song, 0);
    const auto out = renderValues(*song);
    EXPECT_EQ(out[0], 16000 * 32 / 256);            // gain 32
    EXPECT_EQ(out[1], 16000 * (32 * 16 / 64) / 256); // gain 8
}

TEST(Mixer, SilentAndEmptyChannelsAddNothing) {
    auto song = quietSong();
    installSample(*song, 0, std::vector<int16_t>(100, 30000));
    song->voices[0].level = 0;  // loaded but silent
    const auto out = renderValues(*song);
    for (int16_t v : out)
        ASSERT_EQ(v, 0);
    // The silent voice still runs through its data and is released at its end.
    EXPECT_EQ(song->voices[0].position, 0u);
}

TEST(Mixer, OverdriveMultipliesBeforeTheClip) {
    auto song = quietSong();
    installSample(*song, 0, {10000, 100, -10000});
    song->overdrive[0] = 64;  // factor 160 / 32 = 5
    sound(*song, 0);
    const auto out = renderValues(*song);
    EXPECT_EQ(out[0], 8191);  // 50,000 clipped to 32,767, then a quarter
    EXPECT_EQ(out[2], 125);   // 500 / 4
    EXPECT_EQ(out[4], -8192); // -32,767 * 64 >> 14 rounds down
}

TEST(Mixer, EightFullVoicesClipAtThe16BitLimits) {
    for (int16_t full : {int16_t{32767}, int16_t{-32768}}) {
        auto song = quietSong();
        for (int c = 0; c < ChannelCount; ++c) {
            installSample(*song, c, std::vector<int16_t>(64, full));
            sound(*song, c);
        }
        const auto out = renderValues(*song);
        const int16_t limit = full > 0 ? 32767 : -32767;  // never -32768
        EXPECT_EQ(out[0], limit);
        EXPECT_EQ(out[1], limit);
        EXPECT_EQ(out[126], limit);
    }
}

TEST(Mixer, StereoKeepsSidesApartThroughDistortionAndOverdrive) {
    auto song = quietSong();
    installSample(*song, 0, {4096, -4096, 1000, 2000}, true);
    song->distortion[0] = 48;
    updateDistortionCurve(*song, 0);
    song->overdrive[0] = 16;  // factor 64 / 32 = 2
    sound(*song, 0);
    const auto out = renderValues(*song);
    EXPECT_EQ(out[0], 10368 * 2 / 4);
    EXPECT_EQ(out[1], -10368 * 2 / 4);
    EXPECT_NE(out[2], out[3]);

    // A mono sample gives identical sides, with the shaped value on both.
    auto mono = quietSong();
    installSample(*mono, 0, {4096, -4096});
    mono->distortion[0] = 48;
    updateDistortionCurve(*mono, 0);
    sound(*mono, 0);
    const auto monoOut = renderValues(*mono);
    EXPECT_EQ(monoOut[0], 10368 / 4);
    EXPECT_EQ(monoOut[1], 10368 / 4);
    EXPECT_EQ(monoOut[2], -10368 / 4);
    EXPECT_EQ(monoOut[3], -10368 / 4);
}

TEST(Mixer, VoiceReadsZerosPastItsDataUntilTheBlockEnds) {
    auto song = quietSong();
    installSample(*song, 0, std::vector<int16_t>(10, 8000));
    song->distortion[0] = 1;  // shape(0) = 8, so the zeros stay audible
    updateDistortionCurve(*song, 0);
    sound(*song, 0);
    const auto out = renderValues(*song);
    EXPECT_EQ(out[2 * 9], shape(8000, song->dstQuadratic[0], song->dstLinear[0]) / 4);
    for (int f = 10; f < BlockFrames; ++f)
        ASSERT_EQ(out[2 * f], 2) << "frame " << f;  // 8 * 64 >> 8
    // Released after its Block: silent from the next Block on.
    for (int f = BlockFrames; f < 2 * BlockFrames; ++f)
        ASSERT_EQ(out[2 * f], 0) << "frame " << f;
    EXPECT_EQ(song->voices[0].level, 0);
}

TEST(Mixer, StereoVoiceNearTheEndReadsZerosNotPastTheBlock) {
    // Pitch +12 on a stereo voice reads furthest ahead; the last Block of its
    // data must read zeros, not memory behind the block (ASan watches this).
    auto song = quietSong();
    installSample(*song, 3, std::vector<int16_t>(300, 1200), true);
    song->pitch[3] = 12;
    sound(*song, 3);
    const auto out = renderValues(*song);
    EXPECT_EQ(out[0], 300);
    EXPECT_EQ(out[2 * 200], 0);  // long past the 150 frames of data
}

}  // namespace
}  // namespace tamboro
