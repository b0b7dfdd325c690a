#include "engine/audio_output.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "engine/clock_out.h"
#include "engine/follow_output.h"
#include "engine/mixer.h"
#include "engine/song_ops.h"
#include "engine/step_clock.h"

namespace tamboro {

namespace {

OutputResult deviceFailed(std::string text) {
    return OutputResult{OutputProblem::DeviceFailed, std::move(text), 0};
}

// Stops and closes the stream, keeping the transport as it is.
void closeDevice(AudioOutput& out) {
    if (!out.outputOpen)
        return;
    out.wave.close();
    out.outputOpen = false;
    out.loop.resetForStream();
    out.sync.primed(-1);
    out.transport.primed(-1);
    out.follow.primedFollowing = false;
}

// Step 0 rendered into the first half (while following a master, what it
// will begin with). False while the callback still plays the first half of
// an earlier playback.
bool prime(AudioOutput& out, SongState& song) {
    if (followingOf(song) != Following::None)
        return primeFollowing(out, song, false);
    if (!takeBackFollowPriming(out))
        return false;
    int16_t* first = out.loop.beginPriming();
    if (!first)
        return false;
    resetVoices(song);
    if (out.clockOut.sending()) {
        StepMarks marks;
        renderHalfMarking(song, first, marks);
        out.clockPlan.begin(out.loop.primingEpoch());
        out.clockPlan.rendered(0, marks, song, out.clockOut);
    } else {
        renderHalf(song, first);
    }
    out.loop.publish();
    out.follow.primedFollowing = false;
    return true;
}

// MIDI clock goes out while the program plays on its own.
bool sendingClock(const SongState& song) {
    return song.sendMidiClock != 0 && song.midiSync == 0 && song.followJackTransport == 0;
}

// A half rendered without following, with its clocks when they are sent.
void refillOwn(AudioOutput& out, SongState& song, int16_t* target, int half) {
    if (!out.clockOut.sending()) {
        renderHalf(song, target);
        return;
    }
    const LoopBuffer::View view = out.loop.view();
    int64_t segment = view.active ? ((view.position - out.startPosition) >> 15) + 1 : 1;
    if ((segment & 1) != half)
        segment -= 1;
    StepMarks marks;
    renderHalfMarking(song, target, marks);
    out.clockPlan.rendered(segment * (HalfBytes / 4), marks, song, out.clockOut);
}

// A sync mode keeps the output open and primed between playbacks.
bool armed(const SongState& song) {
    return song.midiSync != 0 || song.followJackTransport != 0;
}

}  // namespace

bool allocateMixBuffer(AudioOutput& out) {
    return out.loop.allocate();
}

void freeMixBuffer(AudioOutput& out) {
    closeOutputs(out);
    out.loop.release();
}

bool getOutputDeviceName(AudioOutput& out, SongState& song, int index, std::string& name) {
    song.outputDeviceCount = out.wave.deviceCount();
    if (index < 0 || index >= song.outputDeviceCount)
        return false;
    name = out.wave.deviceName(index);
    return true;
}

OutputResult openOutput(AudioOutput& out, SongState& song, int device) {
    if (!out.loop.allocated())
        return OutputResult{OutputProblem::NoMixBuffer, {}, 0};   // nothing may be rendered into it
    closeDevice(out);   // a Start that came meanwhile stays pending
    std::string error;
    if (!out.wave.open(device, out.loop, error))
        return deviceFailed(std::move(error));
    if (const uint32_t period = out.wave.periodFrames(); period > MaxPeriodFrames) {
        out.wave.close();
        return OutputResult{OutputProblem::PeriodTooLong, {}, period};
    }
    if (song.followJackTransport && !out.wave.attachTransport(&out.transport)) {
        out.wave.close();
        return OutputResult{OutputProblem::NoTransport, {}, 0};
    }
    out.clockOut.setSending(sendingClock(song));
    if (song.sendMidiClock)
        out.wave.attachClockOutput(&out.clockOut);   // where the device cannot, none goes out
    out.loop.resetForStream();
    prime(out, song);
    if (!out.wave.start(error)) {
        out.wave.close();
        out.loop.resetForStream();
        return deviceFailed(std::move(error));
    }
    out.outputOpen = true;
    return {};
}

void startOutput(AudioOutput& out) {
    out.loop.requestStart();
}

void refillOnTimer(AudioOutput& out, SongState& song) {
    if (!out.outputOpen)
        return;
    if (out.follow.primedFollowing && !dueForFollowing(out))
        return;
    int half = 0;
    int16_t* target = out.loop.beginRefill(half);
    if (!target)
        return;
    if (out.follow.primedFollowing)
        refillFollowing(out, song, target, half);
    else
        refillOwn(out, song, target, half);
    out.loop.publish();
    song.secondHalfDue = half == 0 ? 1 : 0;
}

void closeOutputs(AudioOutput& out) {
    out.loop.resetTransport();
    closeDevice(out);
}

void releaseSamples(AudioOutput& out, SongState& song) {
    closeOutputs(out);
    releaseSampleBlocks(song);
}

OutputResult startPlayback(AudioOutput& out, SongState& song) {
    OutputResult result = openOutput(out, song, song.outputDevice);
    if (!result.ok())
        return result;
    startOutput(out);
    song.playing = 1;
    return result;
}

void stopPlayback(AudioOutput& out, SongState& song) {
    song.playing = 0;
    if (out.clockOut.sending() && out.outputOpen && out.loop.view().active) {
        // The callback sends Stop at the frame the playback ends: let it.
        out.loop.requestStop();
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(250);
        while (out.loop.view().active && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (armed(song) && out.outputOpen) {
        out.loop.requestStop();   // the tick primes it again in place
        out.primeFailed = false;
        return;
    }
    closeOutputs(out);
}

TickReport outputTick(AudioOutput& out, SongState& song) {
    TickReport report;
    if (out.outputOpen && !out.wave.streamAlive()) {
        const bool wasPlaying = song.playing != 0;
        closeOutputs(out);
        out.primeFailed = true;   // the user chooses when to try again
        report.outputLost = wasPlaying || armed(song);
    }

    takeFollowEvents(out, song);
    if (armed(song) && out.renderHolds == 0 && !out.primeFailed) {
        if (!out.outputOpen) {
            // A Start that arrived while the output was closed plays once primed.
            report.reopened = openOutput(out, song, song.outputDevice);
            out.primeFailed = !report.reopened.ok();
        } else if (followingOf(song) != Following::None) {
            primeFollowing(out, song, true);
        } else if (!out.loop.view().active &&
                   (!out.loop.primedAndUnplayed() || out.follow.primedFollowing)) {
            prime(out, song);
        }
    }

    const int32_t running = out.outputOpen && out.loop.transportRunning() ? 1 : 0;
    if (song.playing != running) {
        song.playing = running;
        report.playingChanged = true;
    }
    if (song.playing)
        refillOnTimer(out, song);
    if (const int16_t shown = followedTempoOf(out, song); shown != song.followedTempo) {
        song.followedTempo = shown;
        report.tempoChanged = true;
    }
    return report;
}

void shutdownOutput(AudioOutput& out, SongState& song) {
    releaseSamples(out, song);
    freeMixBuffer(out);
    if (out.midiInOpen) {
        out.midi.close();
        out.midiInOpen = false;
    }
}

OutputHold::OutputHold(AudioOutput& out, SongState& song)
    : out_(out), stoppedPlayback_(song.playing != 0) {
    ++out_.renderHolds;
    song.playing = 0;
    closeOutputs(out_);   // an armed output holds the primed first half too
}

OutputHold::~OutputHold() {
    --out_.renderHolds;
}

}  // namespace tamboro
