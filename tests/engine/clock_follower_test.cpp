// The estimate of a master's clock from the frames its clocks came at, and
// the step clock that places steps on it: synthetic clock streams with
// jitter, tempo changes, gaps and floods; step plans against known
// timelines.

#include <gtest/gtest.h>

#include <cmath>

#include "engine/clock_follower.h"
#include "engine/follow_steps.h"
#include "engine/mixer.h"
#include "tests/support/test_song.h"

namespace tamboro {
namespace {

// Feeds `count` clocks of `period` frames from `frame`, with a jitter of
// ±`jitter` frames from a fixed sequence; returns the frame after them.
double feed(ClockFollower& follower, double frame, double period, int count, double jitter = 0,
            uint32_t seed = 1) {
    for (int i = 0; i < count; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double noise = ((seed >> 8) / double(1u << 24) * 2 - 1) * jitter;
        follower.addClock(std::llround(frame + noise));
        frame += period;
    }
    return frame;
}

TEST(ClockFollower, ExactClocksGiveTheirPeriodAndPhase) {
    ClockFollower follower;
    follower.restart(framesPerClockAt(120));
    const double period = framesPerClockAt(137);
    const double next = feed(follower, 1000, period, 200);
    EXPECT_NEAR(follower.framesPerClock(), period, 0.01);
    EXPECT_NEAR(follower.frameOf(static_cast<double>(follower.lastIndex() + 1)), next, 1.0);
    EXPECT_NEAR(follower.tempo(), 137, 0.002);
    EXPECT_EQ(follower.lastIndex(), 199);
}

// With ±2 ms of jitter the line predicts a beat ahead within a fraction of
// a millisecond; the first clocks lean on the period assumed.
TEST(ClockFollower, JitterIsAveragedAwayAndTheAssumedPeriodHoldsTheFirstClocks) {
    for (double tempo : {120.0, 200.0}) {
        ClockFollower follower;
        const double period = framesPerClockAt(tempo);
        follower.restart(period);
        double frame = feed(follower, 0, period, 3, 88, 9);
        EXPECT_NEAR(follower.framesPerClock(), period, period * 0.02);   // three clocks say little
        frame = feed(follower, frame, period, 200, 88, 9);
        const double beatAhead = frame + 24 * period;
        EXPECT_NEAR(follower.frameOf(static_cast<double>(follower.lastIndex() + 25)), beatAhead, 20);
        EXPECT_EQ(follower.changes(), 0) << "jitter is no change of tempo";
    }
}

// Three clocks that disagree with the period assumed far beyond their
// jitter let it go at once (held on to, it would pull the estimate to
// some 112 bpm); a master a few percent off it is blended with it until
// the clocks outweigh it.
TEST(ClockFollower, AWrongAssumedPeriodIsLetGoAtOnce) {
    ClockFollower follower;
    follower.restart(framesPerClockAt(120));
    feed(follower, 0, framesPerClockAt(90), 3);
    EXPECT_NEAR(follower.tempo(), 90, 0.5);
    follower.restart(framesPerClockAt(120));
    feed(follower, 0, framesPerClockAt(123), 48);
    EXPECT_NEAR(follower.tempo(), 123, 0.02);
}

// A change of tempo is taken from the clock before it on: the estimate is
// the new tempo a beat after, not a blend of both.
TEST(ClockFollower, ATempoChangeIsFollowedFromTheChangeOn) {
    ClockFollower follower;
    follower.restart(framesPerClockAt(120));
    double frame = feed(follower, 0, framesPerClockAt(120), 96, 88);
    frame = feed(follower, frame, framesPerClockAt(126), 24, 88, 4);
    EXPECT_EQ(follower.changes(), 1);
    EXPECT_NEAR(follower.tempo(), 126, 0.3);
    EXPECT_LT(follower.fitted(), 30);
    EXPECT_NEAR(follower.frameOf(static_cast<double>(follower.lastIndex() + 1)), frame, 60);
}

// A gap holds the line; the clocks after it take the indices the line
// expects there (the master's clocks went on meanwhile), and a single lost
// clock does not shift the phase.
TEST(ClockFollower, GapsAndLostClocksKeepTheCount) {
    ClockFollower follower;
    const double period = framesPerClockAt(120);
    follower.restart(period);
    double frame = feed(follower, 0, period, 48);
    const double held = follower.framesPerClock();
    frame += 70 * period;   // nearly three beats without clock
    follower.addClock(std::llround(frame));
    EXPECT_EQ(follower.lastIndex(), 48 + 70);
    EXPECT_NEAR(follower.framesPerClock(), held, 0.01);
    frame = feed(follower, frame + period, period, 10);
    frame += period;   // one clock lost
    follower.addClock(std::llround(frame));
    EXPECT_EQ(follower.lastIndex(), 48 + 70 + 12);
    EXPECT_EQ(follower.changes(), 0);
}

// A clock handed on late (the thread that reads the input was held up)
// comes after what looks like a gap and the next one too soon after it: it
// is counted one by one, not taken for lost clocks, and the late frames do
// not bend the line. A single clock most of a period late, then a burst of
// the three clocks that came during a hold-up of 2.6 periods.
TEST(ClockFollower, ClocksHandedOnLateAreNotTakenForLostClocks) {
    for (double tempo : {120.0, 200.0}) {
        ClockFollower follower;
        const double period = framesPerClockAt(tempo);
        follower.restart(period);
        double frame = feed(follower, 0, period, 48, 20);
        follower.addClock(std::llround(frame + 0.8 * period));
        frame = feed(follower, frame + period, period, 20, 20, 3);
        EXPECT_EQ(follower.lastIndex(), 48 + 20) << tempo;
        EXPECT_NEAR(follower.frameOf(static_cast<double>(follower.lastIndex() + 1)), frame, 10) << tempo;

        const auto heldUntil = std::llround(frame + 2.6 * period);
        for (int i = 0; i < 3; ++i)
            follower.addClock(heldUntil);
        frame = feed(follower, frame + 3 * period, period, 20, 20, 5);
        EXPECT_EQ(follower.lastIndex(), 48 + 20 + 3 + 20) << tempo;
        EXPECT_NEAR(follower.frameOf(static_cast<double>(follower.lastIndex() + 1)), frame, 10) << tempo;
        EXPECT_NEAR(follower.framesPerClock(), period, 0.5) << tempo;
        EXPECT_EQ(follower.changes(), 0) << tempo;
    }
}

// A master that drops to less than two thirds of its tempo at once sends
// clocks with gaps of two periods: after three of them they are its
// clocks, not lost ones.
TEST(ClockFollower, AMasterThatHalvesItsTempoIsNotTakenForLostClocks) {
    ClockFollower follower;
    follower.restart(framesPerClockAt(120));
    double frame = feed(follower, 0, framesPerClockAt(120), 48);
    feed(follower, frame, framesPerClockAt(60), 24);
    EXPECT_NEAR(follower.tempo(), 60, 0.5);
    EXPECT_EQ(follower.lastIndex(), 48 + 23);
}

// Ten thousand clocks a second, some at the same frame: the period stays
// inside its limits, and a sane clock after it is followed again.
TEST(ClockFollower, AFloodStaysInsideTheLimitsAndPassesOver) {
    ClockFollower follower;
    follower.restart(framesPerClockAt(120));
    for (int i = 0; i < 10000; ++i)
        follower.addClock(i * 441 / 100);
    EXPECT_GE(follower.tempo(), ClockFollower::MinTempo);
    EXPECT_LE(follower.tempo(), ClockFollower::MaxTempo + 1e-9);
    feed(follower, 44100, framesPerClockAt(120), 48);
    EXPECT_NEAR(follower.tempo(), 120, 0.5);
}

// --- The step clock on a timeline ---

StepTimeline timelineOf(double originFrame, int64_t originStep, double framesPerStep) {
    StepTimeline t;
    t.originFrame = originFrame;
    t.originStep = originStep;
    t.framesPerStep = framesPerStep;
    return t;
}

// Runs the clock Block by Block up to `frames`; returns the frames at which steps began.
std::vector<int64_t> stepStarts(SongState& song, FollowClock& clock, const StepTimeline& t, int64_t frames) {
    std::vector<int64_t> starts;
    planNextStep(clock, t);
    while (clock.frame < frames) {
        const int64_t step = clock.step;
        followClockAfterBlock(song, clock, t);
        if (clock.step != step)
            starts.push_back(clock.frame);
    }
    return starts;
}

TEST(FollowSteps, StepsBeginAtTheBlockNearestToTheMastersSixteenths) {
    auto song = test::quietSong();
    const StepTimeline t = timelineOf(0, 0, 5512.5);
    FollowClock clock;
    startFollowing(*song, clock, 0, t);
    const auto starts = stepStarts(*song, clock, t, 100000);
    ASSERT_EQ(starts.size(), 18u);
    for (size_t i = 0; i < starts.size(); ++i)
        EXPECT_LE(std::abs(static_cast<double>(starts[i]) - 5512.5 * double(i + 1)), 32.0) << i;
    EXPECT_EQ(clock.step, 18);
    EXPECT_EQ(song->stepCounter, 2u);   // 18 modulo 16
}

// A prediction moved by a quarter step is caught up an eighth of a step
// per step; one more than a step ahead of the clock makes it jump there;
// one more than a step behind makes the step wait.
TEST(FollowSteps, CorrectionsAreSpreadAndOnlyAWholeStepJumpsOrWaits) {
    auto song = test::quietSong();
    FollowClock clock;
    startFollowing(*song, clock, 0, timelineOf(0, 0, 4000));
    stepStarts(*song, clock, timelineOf(0, 0, 4000), 4000 * 4 + 64);   // into step 4
    ASSERT_EQ(clock.step, 4);

    const auto early = stepStarts(*song, clock, timelineOf(-1000, 0, 4000), 4000 * 9);
    ASSERT_GE(early.size(), 3u);
    EXPECT_NEAR(static_cast<double>(early[0]), 20000 - 500, 32);   // an eighth, 500 frames, at once
    EXPECT_NEAR(static_cast<double>(early[1]), 24000 - 1000, 32);  // then on the new grid
    EXPECT_NEAR(static_cast<double>(early[2]), 28000 - 1000, 32);

    const int64_t behind = clock.step;
    const int64_t at = clock.frame;
    stepStarts(*song, clock, timelineOf(-20000, 0, 4000), at + 64);   // the master is five steps on
    EXPECT_EQ(clock.step, behind + 5);

    const int64_t ahead = clock.step;
    const double due = 12000 + 4000.0 * static_cast<double>(ahead + 1);   // the master, 3 steps back
    const auto waited = stepStarts(*song, clock, timelineOf(12000, 0, 4000), static_cast<int64_t>(due) + 64);
    ASSERT_EQ(waited.size(), 1u);   // no step repeated: the next one waits for the master
    EXPECT_EQ(clock.step, ahead + 1);
    EXPECT_NEAR(static_cast<double>(waited[0]), due, 32);
}

// A relocation jumps at the next Block, forwards or backwards, to the
// master's step there; a step the master began well before the jump is
// entered without its sounds, one that begins at the jump sounds.
TEST(FollowSteps, ARelocationJumpsAtTheNextBlockEitherWay) {
    auto song = test::quietSong();
    test::installSample(*song, 0, std::vector<int16_t>(100000, 1000));
    for (int step = 0; step < 16; ++step)
        song->stepGrid[step * ChannelCount] = 1;
    FollowClock clock;
    StepTimeline t = timelineOf(0, 0, 5512.5);
    startFollowing(*song, clock, 0, t);
    stepStarts(*song, clock, t, 20000);
    struct Jump {
        int64_t step;
        double beganBefore;   // frames the master's step began before the jump
        bool sounds;
    };
    for (const Jump j : {Jump{40, 164, false}, Jump{3, 164, false}, Jump{21, 0, true}, Jump{9, 100, true}}) {
        t.relocation += 1;
        t.originStep = j.step;
        t.originFrame = static_cast<double>(clock.frame + 64) - j.beganBefore;
        const int64_t before = clock.frame;
        song->voices[0] = Voice{123, 0};   // sounding nothing just before
        const auto starts = stepStarts(*song, clock, t, before + 64);
        ASSERT_EQ(starts.size(), 1u);
        EXPECT_EQ(starts[0], before + 64);
        EXPECT_EQ(clock.step, j.step);
        EXPECT_EQ(song->stepCounter, static_cast<uint32_t>(j.step % 16));
        EXPECT_EQ(song->voices[0].level == song->volume[0], j.sounds) << j.step;
    }
}

// The shuffle delays the step after steps 3, 11, ... by its draw (whole
// Blocks, at most half a step) and leaves every other step on the grid.
TEST(FollowSteps, TheShuffleDelaysOnlyItsStepsAndAddsNothingUp) {
    auto song = test::quietSong();
    song->shuffle = 129;
    const StepTimeline t = timelineOf(0, 0, 5512.5);
    FollowClock clock;
    startFollowing(*song, clock, 0, t);
    const auto starts = stepStarts(*song, clock, t, 5512.5 * 32);
    ASSERT_GE(starts.size(), 31u);
    bool delayed = false;
    for (size_t i = 0; i < starts.size(); ++i) {
        const int64_t step = static_cast<int64_t>(i) + 1;
        const double error = static_cast<double>(starts[i]) - 5512.5 * double(step);
        if (step % 8 == 4) {
            EXPECT_GE(error, -32) << step;
            EXPECT_LE(error, 5512.5 / 2 + 32) << step;
            delayed = delayed || error > 64;
        } else {
            EXPECT_LE(std::abs(error), 32.0) << step;
        }
    }
    EXPECT_TRUE(delayed);
}

TEST(FollowSteps, SongStepsWrapTheMastersPositionBothWays) {
    auto song = test::quietSong();
    song->songLength = 32;
    EXPECT_EQ(songStepOf(*song, 0), 0u);
    EXPECT_EQ(songStepOf(*song, 33), 1u);
    EXPECT_EQ(songStepOf(*song, 16383), 31u);
    EXPECT_EQ(songStepOf(*song, -1), 31u);
}

// Priming at a song position starts the voices of that step, not step 0's.
TEST(FollowSteps, PrimingAtAStepSoundsThatStep) {
    auto song = test::quietSong();
    test::installSample(*song, 2, std::vector<int16_t>(1000, 3000));
    song->stepGrid[5 * ChannelCount + 2] = 1;
    FollowClock clock;
    startFollowing(*song, clock, 21, timelineOf(0, 21, 5512.5));
    EXPECT_EQ(song->stepCounter, 5u);
    EXPECT_EQ(song->voices[2].level, song->volume[2]);
    std::vector<int16_t> half(HalfBytes / 2);
    renderHalfFollowing(*song, half.data(), clock, timelineOf(0, 21, 5512.5));
    EXPECT_NE(half[0], 0);
    EXPECT_EQ(clock.frame, 8192);
    EXPECT_EQ(clock.step, 22);
}

}  // namespace
}  // namespace tamboro
