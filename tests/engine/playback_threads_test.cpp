// The output's threads for real: a device thread plays the loop while the
// main thread ticks, and a MIDI thread sends Start, Stop and Continue at
// random. Run under ThreadSanitizer by test.sh; here they also check that
// what the device played is the song without a dropped or repeated half.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "engine/midi_sync.h"
#include "tests/support/playback_rig.h"

namespace tamboro {
namespace {

using namespace std::chrono_literals;
using test::HalfFrames;

// Ticks every `period` until `done` says stop.
template <typename Done>
void tickUntil(test::PlaybackRig& rig, std::chrono::microseconds period, Done done) {
    while (!done()) {
        rig.tick();
        std::this_thread::sleep_for(period);
    }
}

TEST(PlaybackThreads, RefillAgainstTheCallbackGivesTheSongHalfByHalf) {
    test::PlaybackRig rig;
    constexpr int Halves = 12;
    rig.wave.threadRecord.assign(size_t{Halves} * HalfFrames * 2, int16_t{1});
    ASSERT_TRUE(startPlayback(rig.out, *rig.song).ok());
    rig.wave.runThread(200us);   // about 6 times faster than real time
    const auto needed = uint64_t{Halves} * HalfFrames / rig.wave.period + 4;
    tickUntil(rig, 500us, [&] { return rig.wave.periods.load() >= needed; });
    rig.wave.stopThread();

    // Halves the refill missed are silent; the others are the song's halves
    // in order, none dropped, none twice.
    const auto reference = test::referenceHalves(Halves);
    size_t next = 0;
    int late = 0;
    for (size_t h = 0; h < Halves; ++h) {
        const auto half = test::halfOf(rig.wave.threadRecord, h);
        if (test::silent(half)) {
            ++late;
            continue;
        }
        ASSERT_EQ(half, test::halfOf(reference, next)) << "half " << h;
        ++next;
    }
    EXPECT_LT(late, Halves / 2);
}

TEST(PlaybackThreads, ThousandRandomMidiMessagesWhilePlayingAndTogglingSync) {
    test::PlaybackRig rig;
    toggleMidiSync(rig.out, *rig.song);
    ASSERT_EQ(rig.song->midiSync, 1);
    rig.wave.runThread(100us);

    std::atomic<int> sent{0};
    std::thread sender([&] {
        std::mt19937 random(9);
        const uint32_t messages[] = {MidiStart, MidiStop, MidiContinue};
        for (int i = 0; i < 1000; ++i) {
            rig.midi.send(messages[random() % 3]);
            sent.store(i + 1);
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 400));
        }
    });
    int toggles = 0;
    tickUntil(rig, 300us, [&] {
        // Now and then off and on again, while the messages keep coming.
        if (sent.load() / 100 > toggles) {
            toggleMidiSync(rig.out, *rig.song);
            toggleMidiSync(rig.out, *rig.song);
            EXPECT_EQ(rig.song->midiSync, 1);
            rig.wave.runThread(100us);
            ++toggles;
        }
        return sent.load() == 1000;
    });
    sender.join();

    // Consistent at the end: armed, then a Stop and a Start play step 0.
    rig.midi.send(MidiStop);
    for (int i = 0; i < 20 && (rig.song->playing || rig.out.loop.view().active); ++i) {
        rig.tick();
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_EQ(rig.song->playing, 0);
    EXPECT_FALSE(rig.out.loop.view().active);
    rig.midi.send(MidiStart);
    const uint32_t before = rig.out.loop.view().position;
    for (int i = 0; i < 200 && rig.out.loop.view().position == before; ++i) {
        rig.tick();
        std::this_thread::sleep_for(1ms);
    }
    rig.tick();
    EXPECT_EQ(rig.song->playing, 1);
    EXPECT_TRUE(rig.out.loop.view().active);
    EXPECT_GE(toggles, 4);
    rig.wave.stopThread();
    shutdownOutput(rig.out, *rig.song);
}

// Following a master with every thread running (under ThreadSanitizer in
// test.sh): a MIDI thread sends clocks, Starts, Continues, song positions
// and Stops while the device thread plays and the main thread ticks; then
// the device thread's own JACK transport rolls and stops as the main thread
// says; then MIDI clock goes out while the program plays on its own.
TEST(PlaybackThreads, ClockTransportAndClockOutTrafficAcrossThreads) {
    {
        test::PlaybackRig rig;
        rig.song->followMidiClock = 1;
        ASSERT_EQ(toggleMidiSync(rig.out, *rig.song).change, MidiSyncChange::TurnedOn);
        rig.wave.runThread(100us);
        std::atomic<bool> done{false};
        std::thread midi([&] {
            std::mt19937 random(7);
            const uint32_t others[] = {0xFA, 0xFB, 0xFC, 0x0502F2};
            for (int i = 0; i < 4000; ++i) {
                rig.midi.send(random() % 8 == 0 ? others[random() % 4] : 0xF8);
                std::this_thread::sleep_for(30us);
            }
            done = true;
        });
        tickUntil(rig, 500us, [&] { return done.load(); });
        midi.join();
        rig.wave.stopThread();
    }
    {
        test::PlaybackRig rig;
        rig.wave.hasTransport = true;
        ASSERT_EQ(toggleFollowJackTransport(rig.out, *rig.song).change, TransportChange::TurnedOn);
        rig.wave.runThread(100us);
        for (int i = 0; i < 40; ++i) {
            rig.wave.transport.rolling = i % 4 != 3;
            for (int t = 0; t < 10; ++t) {
                rig.tick();
                std::this_thread::sleep_for(300us);
            }
        }
        rig.wave.stopThread();
        EXPECT_GT(rig.wave.periods.load(), 0u);
    }
    {
        test::PlaybackRig rig;
        rig.wave.hasMidiOut = true;
        ASSERT_EQ(toggleSendMidiClock(rig.out, *rig.song), ClockOutChange::TurnedOn);
        ASSERT_TRUE(startPlayback(rig.out, *rig.song).ok());
        rig.wave.runThread(100us);
        tickUntil(rig, 500us, [&] { return rig.wave.threadMidiOut.load() > 200; });
        stopPlayback(rig.out, *rig.song);   // waits for the Stop from the device thread
        rig.wave.stopThread();
    }
}

}  // namespace
}  // namespace tamboro
