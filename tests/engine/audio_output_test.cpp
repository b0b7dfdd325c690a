// Live playback through a fake device whose position the test advances:
// priming, the refill once per pass, Stop and Play, the next Play's device,
// failures and shutdown order.

#include <gtest/gtest.h>

#include "engine/audio_output.h"
#include "tests/support/playback_rig.h"

namespace tamboro {
namespace {

using test::HalfFrames;
using test::PlaybackRig;

TEST(AudioOutput, PlayRendersFirstHalfBeforeTheStartAndTheSecondOnTheFirstTick) {
    PlaybackRig rig;
    const auto reference = test::referenceHalves(2);
    ASSERT_TRUE(startPlayback(rig.out, *rig.song).ok());
    EXPECT_EQ(rig.song->playing, 1);
    EXPECT_TRUE(rig.wave.started);
    EXPECT_EQ(rig.bufferHalf(0), test::halfOf(reference, 0));
    EXPECT_TRUE(test::silent(rig.bufferHalf(1)));
    EXPECT_EQ(rig.song->secondHalfDue, 1);

    rig.tick();
    EXPECT_EQ(rig.bufferHalf(1), test::halfOf(reference, 1));
    EXPECT_EQ(rig.song->secondHalfDue, 0);
    EXPECT_EQ(rig.ticks.playingChanges, 0);   // playing did not change behind the panel's back
}

// Any extra, missing or out-of-order render would shift the song against
// the offline reference; the second start position crosses the 32-bit wrap
// of the byte counter after two passes.
TEST(AudioOutput, EveryHalfIsRenderedOncePerPassInOrderAcrossThePositionWrap) {
    for (uint32_t start : {0u, 0xFFFE0000u}) {
        PlaybackRig rig(start);
        ASSERT_TRUE(startPlayback(rig.out, *rig.song).ok());
        const auto played = rig.playTicking(12 * HalfFrames);
        EXPECT_TRUE(played == test::referenceHalves(12)) << "start position " << start;
        EXPECT_EQ(rig.out.loop.view().position, start + 12u * 32768u);
    }
}

TEST(AudioOutput, ALateRefillPlaysSilenceThenTheSongGoesOn) {
    PlaybackRig rig;
    const auto reference = test::referenceHalves(3);
    ASSERT_TRUE(startPlayback(rig.out, *rig.song).ok());
    rig.tick();
    const auto stalled = rig.wave.play(3 * HalfFrames);   // the main thread is stuck
    EXPECT_EQ(test::halfOf(stalled, 0), test::halfOf(reference, 0));
    EXPECT_EQ(test::halfOf(stalled, 1), test::halfOf(reference, 1));
    EXPECT_TRUE(test::silent(test::halfOf(stalled, 2)));   // not the first half again

    rig.tick();
    const auto after = rig.wave.play(2 * HalfFrames);
    EXPECT_TRUE(test::silent(test::halfOf(after, 0)));
    EXPECT_EQ(test::halfOf(after, 1), test::halfOf(reference, 2));
}

TEST(AudioOutput, StopThenPlayStartsAgainAtStepZero) {
    PlaybackRig rig;
    ASSERT_TRUE(startPlayback(rig.out, *rig.song).ok());
    rig.playTicking(3 * HalfFrames + 1000);
    stopPlayback(rig.out, *rig.song);
    EXPECT_EQ(rig.song->playing, 0);
    EXPECT_FALSE(rig.wave.isOpen());

    ASSERT_TRUE(startPlayback(rig.out, *rig.song).ok());
    EXPECT_TRUE(rig.playTicking(2 * HalfFrames) == test::referenceHalves(2));
    EXPECT_EQ(rig.wave.opens, 2);
}

TEST(AudioOutput, AnotherDeviceIsUsedFromTheNextPlay) {
    PlaybackRig rig;
    ASSERT_TRUE(startPlayback(rig.out, *rig.song).ok());
    std::string name;
    EXPECT_TRUE(getOutputDeviceName(rig.out, *rig.song, 1, name));
    EXPECT_EQ(name, rig.wave.names[1]);
    EXPECT_FALSE(getOutputDeviceName(rig.out, *rig.song, 2, name));
    EXPECT_EQ(rig.song->outputDeviceCount, 2);
    rig.song->outputDevice = 1;

    // The sound stays where it is until the next Play.
    EXPECT_EQ(rig.wave.openedIndex, 0);
    EXPECT_EQ(rig.wave.opens, 1);
    EXPECT_FALSE(test::silent(rig.playTicking(HalfFrames)));
    stopPlayback(rig.out, *rig.song);
    ASSERT_TRUE(startPlayback(rig.out, *rig.song).ok());
    EXPECT_EQ(rig.wave.openedIndex, 1);
}

TEST(AudioOutput, FailuresSayWhyAndLeaveNothingOpenOrPlaying) {
    {   // The device refuses: the library's own text.
        PlaybackRig rig;
        rig.wave.openError = "the requested sample rate is not supported";
        const OutputResult result = startPlayback(rig.out, *rig.song);
        EXPECT_EQ(result.problem, OutputProblem::DeviceFailed);
        EXPECT_EQ(result.systemText, rig.wave.openError);
        EXPECT_EQ(rig.song->playing, 0);
        EXPECT_FALSE(rig.out.outputOpen);
    }
    {   // A period that would span the refill's margin.
        PlaybackRig rig;
        rig.wave.period = MaxPeriodFrames + 1;
        const OutputResult result = startPlayback(rig.out, *rig.song);
        EXPECT_EQ(result.problem, OutputProblem::PeriodTooLong);
        EXPECT_EQ(result.periodFrames, MaxPeriodFrames + 1);
        EXPECT_FALSE(rig.wave.isOpen());
        EXPECT_EQ(rig.song->playing, 0);
    }
    {   // No MixBuffer: nothing is rendered into it.
        PlaybackRig rig;
        freeMixBuffer(rig.out);
        EXPECT_EQ(startPlayback(rig.out, *rig.song).problem, OutputProblem::NoMixBuffer);
        EXPECT_EQ(rig.wave.opens, 0);
        EXPECT_EQ(rig.song->playing, 0);
    }
}

TEST(AudioOutput, AStreamThatEndsOnItsOwnIsNoticedOnce) {
    PlaybackRig rig;
    ASSERT_TRUE(startPlayback(rig.out, *rig.song).ok());
    rig.playTicking(HalfFrames);
    rig.wave.alive = false;   // e.g. the JACK server dropped the client
    rig.tick();
    rig.tick();
    EXPECT_EQ(rig.song->playing, 0);
    EXPECT_EQ(rig.ticks.playingChanges, 1);
    EXPECT_EQ(rig.ticks.outputsLost, 1);
    EXPECT_FALSE(rig.wave.isOpen());
}

// The end of tamboro --play: no jump from the music to zero.
TEST(AudioOutput, AFadeOutRampsThePlaybackDownToSilenceAndNothingBeginsAfterIt) {
    PlaybackRig rig;
    const auto reference = test::referenceHalves(1);
    ASSERT_TRUE(startPlayback(rig.out, *rig.song).ok());
    rig.playTicking(1000);
    rig.out.loop.requestFadeOut();
    EXPECT_FALSE(rig.out.loop.fadedOut());
    rig.wave.period = 100;   // the fade spans several periods
    const auto faded = rig.wave.play(400);
    constexpr int32_t Fade = LoopBuffer::FadeFrames;
    for (size_t f = 0; f < 400; ++f) {
        const int32_t gain = f < Fade ? Fade - 1 - static_cast<int32_t>(f) : 0;
        for (size_t c = 0; c < 2; ++c)
            ASSERT_EQ(faded[f * 2 + c], reference[(1000 + f) * 2 + c] * gain / Fade) << "frame " << f;
    }
    EXPECT_TRUE(rig.out.loop.fadedOut());
    EXPECT_FALSE(rig.out.loop.view().active);
    // A Start after the fade begins nothing.
    rig.out.loop.requestStop();
    rig.out.loop.requestStart();
    rig.tick();
    EXPECT_TRUE(test::silent(rig.wave.play(1000)));

    // Nothing playing: faded at the next period; a new stream forgets it.
    PlaybackRig idle;
    ASSERT_TRUE(openOutput(idle.out, *idle.song, 0).ok());
    idle.out.loop.requestFadeOut();
    idle.wave.play(idle.wave.period);
    EXPECT_TRUE(idle.out.loop.fadedOut());
    closeOutputs(idle.out);
    EXPECT_FALSE(idle.out.loop.fadedOut());
    ASSERT_TRUE(startPlayback(idle.out, *idle.song).ok());
    EXPECT_EQ(idle.wave.play(HalfFrames), test::halfOf(reference, 0));
}

TEST(AudioOutput, ShutdownClosesTheOutputBeforeSamplesAndBufferAndTheMidiInputLast) {
    PlaybackRig rig;
    ASSERT_TRUE(startPlayback(rig.out, *rig.song).ok());
    std::string reason;
    ASSERT_TRUE(rig.midi.open(0, [](void*, uint32_t) {}, nullptr, reason));
    rig.out.midiInOpen = true;
    bool samplesAtClose = false;
    bool bufferAtClose = false;
    bool midiAtClose = false;
    rig.wave.onClose = [&] {
        samplesAtClose = rig.song->slots[0].sampleData != nullptr;
        bufferAtClose = rig.out.loop.allocated();
        midiAtClose = rig.midi.openIndex >= 0;
    };
    shutdownOutput(rig.out, *rig.song);
    EXPECT_TRUE(samplesAtClose && bufferAtClose && midiAtClose);
    EXPECT_EQ(rig.song->slots[0].sampleData, nullptr);
    EXPECT_FALSE(rig.out.loop.allocated());
    EXPECT_EQ(rig.midi.openIndex, -1);
}

}  // namespace
}  // namespace tamboro
