// Operations on the whole song: the start-up state and New Song, installing
// samples and the Pattern commands.

#include <gtest/gtest.h>

#include <cstring>

#include "engine/step_clock.h"
#include "tests/support/test_song.h"

namespace tamboro {
namespace {

int cellsSetOutsideSteps0To15(const SongState& song) {
    int count = 0;
    for (int i = PatternCells; i < GridCells; ++i)
        count += song.stepGrid[i] != 0;
    return count;
}

// What New Song sets on every channel, with the tables that follow from it.
struct ChannelSettings {
    std::array<int16_t, ChannelCount> volume, distortion, overdrive, panLeft, panRight;
    std::array<int32_t, ChannelCount> dstQuadratic, dstLinear;
    std::array<int32_t, 2 * MaxPitch> pitchTable;
    explicit ChannelSettings(const SongState& s)
        : volume(s.volume), distortion(s.distortion), overdrive(s.overdrive), panLeft(s.panLeft),
          panRight(s.panRight), dstQuadratic(s.dstQuadratic), dstLinear(s.dstLinear),
          pitchTable(s.pitchTable) {}
    bool operator==(const ChannelSettings&) const = default;
};

TEST(SongOps, StartUpHasNewSongsChannelsWithTablesThatFitThem) {
    SongState fresh;
    EXPECT_TRUE(ChannelSettings(fresh) == ChannelSettings(*test::newSongState()));
    // The DST curves and the pitch table agree with the settings from the
    // first moment: building them again changes nothing.
    SongState rebuilt;
    for (int c = 0; c < ChannelCount; ++c)
        updateDistortionCurve(rebuilt, c);
    buildPitchTable(rebuilt);
    EXPECT_TRUE(ChannelSettings(rebuilt) == ChannelSettings(fresh));
}

TEST(SongOps, NewSongAfterEditsIsAFreshNewSongButKeepsSongSettings) {
    SongState song;
    song.tempo = 200;
    song.songLength = 64;
    song.pitch[1] = 5;
    song.volume[2] = 7;
    song.distortion[0] = 3;
    song.distortion[5] = 60;
    updateDistortionCurve(song, 5);
    song.overdrive[4] = 30;
    song.panLeft[6] = 3;
    song.panRight[7] = 0;
    song.stepGrid[100 * 8 + 7] = 1;
    song.stepGrid[0] = 0;
    std::strcpy(song.sampleName[5].data(), "X.WAV");
    test::installSample(song, 2, {1, 2, 3});
    song.patternClipboard[9] = 1;

    newSong(song);
    EXPECT_EQ(song.tempo, 200);
    EXPECT_EQ(song.songLength, 64);
    EXPECT_EQ(song.pitch[1], 5);
    EXPECT_STREQ(song.sampleName[5].data(), "X.WAV");
    EXPECT_EQ(song.patternClipboard[9], 1);

    const auto fresh = test::newSongState();
    EXPECT_TRUE(ChannelSettings(song) == ChannelSettings(*fresh));
    EXPECT_TRUE(song.stepGrid == fresh->stepGrid);
    EXPECT_EQ(cellsSetOutsideSteps0To15(song), 0);
    for (int c = 0; c < ChannelCount; ++c) {
        EXPECT_FALSE(song.slots[c].sampleData);
        EXPECT_EQ(song.slots[c].sampleLength, 0);
    }

    // The default Pattern, channel by channel.
    const char* rows[] = {"x...x...x...x...", "....x.......x..x", "x.x.x.x.x.x.x.x.",
                          "..x...x...x...x.", "................"};
    for (int c = 0; c < 5; ++c)
        for (int s = 0; s < 16; ++s)
            EXPECT_EQ(song.stepGrid[s * 8 + c] != 0, rows[c][s] == 'x') << c << "/" << s;

    // Every channel is empty, so playback is silent.
    resetVoices(song);
    const auto out = test::renderValues(song);
    for (int16_t v : out)
        ASSERT_EQ(v, 0);
}

TEST(SongOps, RegisterSampleSetsStereoFromTheChannelCount) {
    SongState song;
    test::installSample(song, 1, {5, 6});
    EXPECT_EQ(song.slots[1].stereo, 0);
    EXPECT_EQ(song.slots[1].sampleLength, 4);
    test::installSample(song, 1, {5, 6, 7, 8}, true);
    EXPECT_EQ(song.slots[1].stereo, 1);

    auto quad = std::make_unique<WaveFormat>();
    quad->channels = 4;
    song.voices[1].level = 40;
    song.voices[1].position = 99;
    registerSample(song, 8, std::move(quad), SampleData(new int16_t[132]()), 1);
    EXPECT_EQ(song.slots[1].stereo, 1);
    EXPECT_EQ(song.voices[1].position, 0u);
    EXPECT_EQ(song.voices[1].level, 40);  // the level is kept

    registerSample(song, 0, nullptr, nullptr, 1);
    EXPECT_FALSE(song.slots[1].sampleData);
    EXPECT_FALSE(song.slots[1].sampleFormat);
    EXPECT_EQ(song.slots[1].sampleLength, 0);
}

TEST(SongOps, PatternCommandsActOnTheCurrentPatternOnly) {
    SongState song;
    for (int i = 0; i < GridCells; ++i)
        song.stepGrid[i] = static_cast<uint8_t>(i % 3);
    const auto before = song.stepGrid;

    // Paste before any Copy clears, like Clear.
    song.currentPattern = 1;
    pastePattern(song);
    for (int j = 0; j < PatternCells; ++j)
        ASSERT_EQ(song.stepGrid[128 + j], 0);

    song.currentPattern = 2;
    copyPattern(song);
    song.currentPattern = 5;
    pastePattern(song);
    for (int j = 0; j < PatternCells; ++j)
        ASSERT_EQ(song.stepGrid[5 * 128 + j], before[2 * 128 + j]);
    for (int p : {0, 2, 3, 4, 6, 7})
        for (int j = 0; j < PatternCells; ++j)
            ASSERT_EQ(song.stepGrid[p * 128 + j], before[p * 128 + j]) << "pattern " << p;

    song.currentPattern = 7;
    clearPattern(song);
    for (int j = 0; j < PatternCells; ++j)
        ASSERT_EQ(song.stepGrid[7 * 128 + j], 0);
    EXPECT_EQ(song.stepGrid[6 * 128 + 127], before[6 * 128 + 127]);
}

TEST(SongOps, ResetVoicesAppliesStepZero) {
    SongState song;
    newSong(song);
    song.voices[4].level = 50;
    song.stepCounter = 9;
    song.blockCounter = 3;
    song.secondHalfDue = 0;
    resetVoices(song);
    EXPECT_EQ(song.voices[0].level, 64);  // kick on step 0
    EXPECT_EQ(song.voices[1].level, 0);
    EXPECT_EQ(song.voices[2].level, 32);  // closed hat at its volume
    EXPECT_EQ(song.voices[4].level, 0);
    EXPECT_EQ(song.stepCounter, 0u);
    EXPECT_EQ(song.blockCounter, 0u);
    EXPECT_EQ(song.secondHalfDue, 1);
}

}  // namespace
}  // namespace tamboro
