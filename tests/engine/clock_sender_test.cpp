// MIDI clock from a sender thread of its own, looked at with a fake clock
// and a fake sounding position: every message goes when its frame sounds,
// never before, in order; Stop after the last clock that sounded; a clock
// of an earlier priming is dropped, one of a later priming waits for it.

#include <gtest/gtest.h>

#include <vector>

#include "engine/clock_sender.h"

namespace tamboro {
namespace {

constexpr uint32_t Start = 0xFFFF0000u;   // near 2^32: positions wrap during a playback

struct Sent {
    uint8_t status;
    int64_t frame;   // the playback frame sounding when it went
};

struct SenderRig {
    ClockOutput clocks{Start};
    ClockSender sender{clocks};
    LoopBuffer::View view{};
    int64_t frame = -1000;      // the playback frame sounding now
    uint32_t micros = 0;
    std::vector<Sent> sent;

    SenderRig() { clocks.setSending(true); }
    uint32_t look() {
        const uint32_t position = Start + static_cast<uint32_t>(frame * 4);
        return sender.poll(view, position, micros, [&](uint8_t status) { sent.push_back({status, frame}); });
    }
    void begin(uint32_t epoch) {
        view = {true, epoch, Start};
        frame = 0;
    }
    // Plays on to `to` in steps of `step` frames, looking after each; the
    // view runs a little ahead while active, as the callback's does.
    void playTo(int64_t to, int64_t step = 7) {
        while (frame < to) {
            frame = std::min(frame + step, to);
            if (view.active)
                view.position = Start + static_cast<uint32_t>((frame + 300) * 4);
            micros += static_cast<uint32_t>(step * 1000000 / 44100);
            look();
        }
    }
    void end(int64_t at) {
        view.active = false;
        view.position = Start + static_cast<uint32_t>(at * 4);
    }
    std::vector<uint8_t> statuses() const {
        std::vector<uint8_t> s;
        for (const Sent& m : sent)
            s.push_back(m.status);
        return s;
    }
};

std::vector<uint8_t> expected(int clocks, bool start = true, bool stop = true) {
    std::vector<uint8_t> s;
    if (start)
        s.push_back(MidiStartStatus);
    s.insert(s.end(), clocks, MidiClockStatus);
    if (stop)
        s.push_back(MidiStopStatus);
    return s;
}

TEST(ClockSender, EachMessageWhenItsFrameSoundsNeverBeforeInOrder) {
    SenderRig rig;
    for (uint32_t f = 0; f < 6000; f += 1000)
        rig.clocks.queue({1, f});
    rig.look();   // primed, not begun
    rig.view = {true, 1, Start + 1200};
    rig.frame = -900;   // begun, its first frame not yet sounding (the server's buffer)
    const uint32_t wait = rig.look();
    EXPECT_TRUE(rig.sent.empty());
    EXPECT_LE(wait, ClockSender::LongestWait);
    rig.frame = -1;
    rig.look();
    EXPECT_TRUE(rig.sent.empty());
    rig.frame = 0;
    rig.look();
    ASSERT_EQ(rig.statuses(), expected(1, true, false));
    const uint32_t toNext = rig.look();
    EXPECT_LE(toNext, ClockSender::LongestWait);
    EXPECT_GE(toNext, 20u);
    rig.playTo(5500);
    rig.end(5500);
    rig.playTo(5600);
    ASSERT_EQ(rig.statuses(), expected(6));
    for (size_t i = 1; i + 1 < rig.sent.size(); ++i) {
        EXPECT_GE(rig.sent[i].frame, int64_t{1000} * static_cast<int64_t>(i - 1)) << "clock " << i << " early";
        EXPECT_LT(rig.sent[i].frame, int64_t{1000} * static_cast<int64_t>(i - 1) + 7) << "clock " << i << " late";
    }
    EXPECT_GE(rig.sent.back().frame, 5500);
}

TEST(ClockSender, WaitsForTheFrameNearerThanAMillisecond) {
    SenderRig rig;
    rig.clocks.queue({1, 0});
    rig.clocks.queue({1, 22});
    rig.begin(1);
    const uint32_t wait = rig.look();   // Start and the first clock; the next is 22 frames (~0.5 ms) on
    EXPECT_EQ(rig.sent.size(), 2u);
    EXPECT_NEAR(wait, 22 * 1000000 / 44100, 30);
}

TEST(ClockSender, StopWaitsForTheEndToSoundAndClocksPastTheEndAreDropped) {
    SenderRig rig;
    for (uint32_t f = 0; f < 12000; f += 1000)
        rig.clocks.queue({1, f});
    rig.begin(1);
    rig.playTo(3500);
    rig.end(5000);   // the callback has ended it; 1500 frames still to sound
    rig.look();
    EXPECT_EQ(rig.statuses(), expected(4, true, false));
    rig.playTo(4999);
    EXPECT_EQ(rig.statuses(), expected(5, true, false)) << "the clock at 4000 sounds, Stop not yet";
    rig.playTo(5300);
    EXPECT_EQ(rig.statuses(), expected(5));
    EXPECT_GE(rig.sent.back().frame, 5000);
}

TEST(ClockSender, StopGoesAfterAWhileWhenThePositionStandsStill) {
    SenderRig rig;
    rig.begin(1);
    rig.playTo(2000);
    rig.end(3000);
    rig.look();
    rig.micros += ClockSender::StopWait - 1000;
    rig.look();
    EXPECT_EQ(rig.statuses(), expected(0, true, false));
    rig.micros += 2000;
    rig.look();
    EXPECT_EQ(rig.statuses(), expected(0));
}

TEST(ClockSender, ClocksOfAnEarlierPrimingAreDroppedAndALaterOnesWait) {
    SenderRig rig;
    for (uint32_t f = 0; f < 4000; f += 1000)
        rig.clocks.queue({1, f});   // a priming that never played (primed again)
    for (uint32_t f = 0; f < 3000; f += 1000)
        rig.clocks.queue({2, f});
    rig.begin(2);
    rig.playTo(2500);
    rig.clocks.queue({3, 0});   // the next priming, rendered while this plays
    rig.clocks.queue({3, 1000});
    rig.playTo(3500);
    rig.end(3500);
    rig.look();
    EXPECT_EQ(rig.statuses(), expected(3));
    rig.sent.clear();
    rig.look();   // the ended playback is not begun again
    EXPECT_TRUE(rig.sent.empty());
    rig.begin(3);
    rig.playTo(1500);
    EXPECT_EQ(rig.statuses(), expected(2, true, false));
}

TEST(ClockSender, APlaybackThatGivesWayAtOnceIsStoppedBeforeTheNextStarts) {
    SenderRig rig;
    rig.clocks.queue({1, 0});
    rig.clocks.queue({1, 4000});   // never sounds: the playback is cut before it
    rig.begin(1);
    rig.playTo(2000);
    rig.clocks.queue({2, 0});
    rig.begin(2);   // a Stop and a Start between two looks
    rig.look();
    EXPECT_EQ(rig.statuses(), (std::vector<uint8_t>{MidiStartStatus, MidiClockStatus, MidiStopStatus,
                                                    MidiStartStatus, MidiClockStatus}));
}

TEST(ClockSender, AStampOfTheLastPlaybackDoesNotSendTheNextOnesClocksEarly) {
    SenderRig rig;
    rig.begin(1);
    rig.playTo(40000);
    rig.end(40000);
    rig.playTo(40100);
    rig.sent.clear();
    for (uint32_t f = 0; f < 30000; f += 1000)
        rig.clocks.queue({2, f});
    rig.view = {true, 2, Start};   // the new view, read before the callback noted the new position
    rig.look();
    EXPECT_EQ(rig.statuses(), expected(1, true, false));
}

TEST(ClockSender, NothingGoesOutInASyncModeAndFinishStopsWhatBegan) {
    SenderRig quiet;
    quiet.clocks.setSending(false);
    quiet.clocks.queue({1, 0});
    quiet.begin(1);
    quiet.playTo(3000);
    quiet.end(3000);
    quiet.playTo(3100);
    quiet.sender.finish([&](uint8_t status) { quiet.sent.push_back({status, 0}); });
    EXPECT_TRUE(quiet.sent.empty());

    SenderRig cut;
    cut.begin(1);
    cut.playTo(100);
    auto note = [&](uint8_t status) { cut.sent.push_back({status, 0}); };
    cut.sender.finish(note);
    cut.sender.finish(note);
    EXPECT_EQ(cut.statuses(), expected(0));

    SenderRig never;
    never.view = {true, 1, Start + 1200};
    never.frame = -500;
    never.look();
    never.sender.finish([&](uint8_t status) { never.sent.push_back({status, 0}); });
    EXPECT_TRUE(never.sent.empty()) << "a Stop for a Start that never went";
}

}  // namespace
}  // namespace tamboro
