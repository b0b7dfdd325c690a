// The step clock: step lengths, triggers, the wrap, the shuffle's draws and
// the end of a song rendered with stopAtEnd.

#include <gtest/gtest.h>

#include "engine/step_clock.h"
#include "tests/support/test_song.h"

namespace tamboro {
namespace {

using test::installSample;
using test::quietSong;
using test::renderValues;

TEST(StepClock, BlocksPerStepFollowTheTempo) {
    EXPECT_EQ(blocksPerStepFor(60), 172u);
    EXPECT_EQ(blocksPerStepFor(120), 86u);
    EXPECT_EQ(blocksPerStepFor(200), 51u);
    EXPECT_EQ(blocksPerStepFor(318), 32u);
}

TEST(StepClock, StepsStartAfter86BlocksAtTempo120) {
    auto song = quietSong();
    installSample(*song, 0, std::vector<int16_t>(30000, 4000));
    song->stepGrid[1 * 8 + 0] = 1;  // channel 0 on step 1 only
    song->stepGrid[2 * 8 + 1] = 1;  // channel 1 on step 2: no sample, nothing heard
    resetVoices(*song);
    EXPECT_EQ(song->voices[0].level, 0);

    auto out = renderValues(*song);
    EXPECT_EQ(out[2 * (86 * 64 - 1)], 0);  // last frame of step 0
    EXPECT_EQ(out[2 * 86 * 64], 1000);     // first frame of step 1
    EXPECT_EQ(song->stepCounter, 1u);
    EXPECT_EQ(song->blockCounter, 128u - 86u);

    renderValues(*song);
    EXPECT_EQ(song->stepCounter, 2u);      // step 2 began after 172 Blocks
    EXPECT_EQ(song->blockCounter, 256u - 172u);
}

TEST(StepClock, TriggersRestartTheSampleAndLatchTheVolume) {
    auto song = quietSong();
    installSample(*song, 0, std::vector<int16_t>(20000, 4000));
    for (int s = 0; s < 16; ++s)
        song->stepGrid[s * 8] = 1;
    song->tempo = 200;  // 51 Blocks a step
    resetVoices(*song);
    song->volume[0] = 32;  // heard from the next trigger on
    auto out = renderValues(*song);
    EXPECT_EQ(out[0], 1000);
    EXPECT_EQ(out[2 * (51 * 64 - 1)], 1000);
    EXPECT_EQ(out[2 * 51 * 64], 500);
    EXPECT_EQ(song->voices[0].position, (128u - 102u) * 64);  // restarted at step 2
}

TEST(StepClock, WrapsAtTheSongLengthAndFlagsTheEnd) {
    auto song = quietSong();
    song->tempo = 318;  // 16 steps x 32 Blocks = 4 halves exactly
    resetVoices(*song);
    for (int call = 0; call < 3; ++call)
        renderValues(*song);
    EXPECT_EQ(song->endReached, 0);
    EXPECT_EQ(song->stepCounter, 12u);
    renderValues(*song);
    EXPECT_EQ(song->endReached, 1);
    EXPECT_EQ(song->stepCounter, 0u);

    // A song shortened below the running step wraps at the next advance.
    song->stepCounter = 20;
    song->endReached = 0;
    song->blockCounter = 31;
    std::vector<int16_t> buffer(HalfBytes / 2);
    renderHalf(*song, buffer.data());
    EXPECT_EQ(song->endReached, 1);
}

TEST(StepClock, StopAtEndReturnsTheBytesUpToTheLastBlock) {
    auto song = quietSong();
    song->stopAtEnd = 1;
    resetVoices(*song);
    std::vector<int16_t> buffer(HalfBytes / 2);
    uint32_t total = 0;
    int calls = 0;
    uint32_t last = 0;
    while (song->endReached == 0) {
        last = renderHalf(*song, buffer.data());
        total += last;
        ++calls;
    }
    EXPECT_EQ(calls, 11);
    EXPECT_EQ(last, 96u * 256);
    EXPECT_EQ(total, 352256u);  // 1,376 Blocks

    // A length that is a whole number of halves ends with a full call.
    auto exact = quietSong();
    exact->tempo = 318;
    exact->stopAtEnd = 1;
    resetVoices(*exact);
    for (int call = 0; call < 4; ++call) {
        EXPECT_EQ(exact->endReached, 0);
        EXPECT_EQ(renderHalf(*exact, buffer.data()), 32768u);
    }
    EXPECT_EQ(exact->endReached, 1);
}

// The generator as musicians' renders rely on: seed 1, never reseeded, so
// every run draws this sequence.
TEST(Shuffle, GeneratorDrawsTheFixedSequence) {
    ShuffleRandom random;
    const int32_t expected[] = {41, 18467, 6334, 26500, 19169};
    for (int32_t e : expected)
        EXPECT_EQ(random.next(), e);
    for (int draw = 6; draw < 32; ++draw)
        random.next();
    EXPECT_EQ(random.next(), 21726);  // the 32nd
    EXPECT_EQ(random.next(), 14771);
}

TEST(Shuffle, DrawsOnlyAfterBlocksOfSteps3And11) {
    auto song = quietSong();
    song->tempo = 318;
    song->songLength = 128;
    resetVoices(*song);
    renderValues(*song);  // shuffle 0: steps 0..3, no draws
    EXPECT_EQ(song->random.state, 1u);

    auto shuffled = quietSong();
    shuffled->tempo = 318;
    shuffled->songLength = 128;
    shuffled->shuffle = 129;
    resetVoices(*shuffled);
    renderValues(*shuffled);
    // Steps 0..2 take Blocks 1..96 without a draw; Blocks 97..128 end while
    // step 3 sounds (it lasts at least 32 Blocks), one draw each: the next
    // draw is the sequence's 33rd.
    EXPECT_EQ(shuffled->random.next(), 14771);
}

TEST(Shuffle, LengthensTheSongReproducibly) {
    auto render = [](int16_t shuffle) {
        auto song = quietSong();
        song->shuffle = shuffle;
        song->songLength = 32;
        song->stopAtEnd = 1;
        resetVoices(*song);
        std::vector<int16_t> buffer(HalfBytes / 2);
        uint32_t total = 0;
        while (song->endReached == 0)
            total += renderHalf(*song, buffer.data());
        return total;
    };
    const uint32_t plain = render(0);
    EXPECT_EQ(plain, 32u * 86 * 256);
    const uint32_t shuffled = render(100);
    EXPECT_GT(shuffled, plain);
    EXPECT_LE(shuffled, plain + 4u * 100 * 256 * 8);  // bounded by the drawn extra
    EXPECT_EQ(render(100), shuffled);
}

}  // namespace
}  // namespace tamboro
