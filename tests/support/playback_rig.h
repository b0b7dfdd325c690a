#pragma once
// The output side wired to a fake device and a fake MIDI input, with the
// playback song loaded and the MixBuffer allocated.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "engine/audio_output.h"
#include "tests/support/fake_midi_input.h"
#include "tests/support/fake_wave_output.h"
#include "tests/support/playback_song.h"

namespace tamboro::test {

struct PlaybackRig {
    explicit PlaybackRig(uint32_t startPosition = 0) : out(wave, midi, startPosition) {
        EXPECT_TRUE(allocateMixBuffer(out));
    }

    // One tick; what the ticks reported since the last look adds up in `ticks`.
    TickReport tick() {
        const TickReport report = outputTick(out, *song);
        ticks.playingChanges += report.playingChanged;
        ticks.outputsLost += report.outputLost;
        ticks.reopenFailures += !report.reopened.ok();
        return report;
    }

    // Plays `frames` in device periods with a tick after every other period
    // (about every 10 ms), as the main thread and the device would.
    std::vector<int16_t> playTicking(uint32_t frames) {
        std::vector<int16_t> all;
        for (uint32_t done = 0, n = 0; done < frames; done += wave.period, ++n) {
            const auto part = wave.play(std::min(wave.period, frames - done));
            all.insert(all.end(), part.begin(), part.end());
            if (n % 2 == 1)
                tick();
        }
        return all;
    }

    // The first half of the MixBuffer (0) or the second (1), as it stands.
    std::vector<int16_t> bufferHalf(int half) {
        const int16_t* begin = out.loop.data() + half * HalfFrames * 2;
        return std::vector<int16_t>(begin, begin + HalfFrames * 2);
    }

    struct TickCounts {
        int playingChanges = 0;
        int outputsLost = 0;
        int reopenFailures = 0;
    };

    FakeWaveOutput wave;
    FakeMidiInput midi;
    TickCounts ticks;
    std::unique_ptr<SongState> song = playbackSong();
    AudioOutput out;
};

}  // namespace tamboro::test
