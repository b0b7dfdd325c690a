#include "engine/audio_output.h"

#include <algorithm>
#include <cmath>

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
    out.follow.primedFollowing = false;
}

bool followingClock(const SongState& song) {
    return song.midiSync != 0 && song.followMidiClock != 0;
}

// Master step `step` rendered into the first half for following, and
// offered to the clock that will begin the playback. False while the
// callback still plays the first half, or a clock has begun with it.
bool primeFollowing(AudioOutput& out, SongState& song, int64_t step) {
    if (!out.sync.takeBackPriming())
        return false;
    int16_t* first = out.loop.beginPriming();
    if (!first)
        return false;
    const StepTimeline timeline = provisionalTimeline(step, assumedFramesPerClock(out.follow, song.tempo));
    startFollowing(song, out.follow.clock, step, timeline);
    renderHalfFollowing(song, first, out.follow.clock, timeline);
    out.loop.publish();
    out.follow.primedFollowing = true;
    out.follow.primedStep = step;
    out.sync.primed(step);
    return true;
}

// Step 0 rendered into the first half (while following the clock, the
// step the master will begin with). False while the callback still plays
// the first half of an earlier playback.
bool prime(AudioOutput& out, SongState& song) {
    if (followingClock(song)) {
        const int64_t step = stepToPrime(out.sync, out.follow);
        return primeFollowing(out, song, step < 0 ? 0 : step);
    }
    if (!out.sync.takeBackPriming())
        return false;
    int16_t* first = out.loop.beginPriming();
    if (!first)
        return false;
    resetVoices(song);
    renderHalf(song, first);
    out.loop.publish();
    out.follow.primedFollowing = false;
    return true;
}

// While following: the first half primed anew when it does not hold the
// step the master will begin with.
void primeForFollowing(AudioOutput& out, SongState& song) {
    const int64_t step = stepToPrime(out.sync, out.follow);
    if (step < 0 || out.loop.view().active)
        return;
    if (out.follow.primedFollowing && out.sync.primedStep() == step && out.loop.primedAndUnplayed())
        return;
    primeFollowing(out, song, step);
}

// The refill while following: the playback frame of the segment due (the
// one after the segment playing, of the parity of `half`) and the
// master's timeline as the clocks tell it now.
void refillFollowing(AudioOutput& out, SongState& song, int16_t* target, int half) {
    takeSyncEvents(out.sync, out.follow, out.startPosition, song.tempo);
    const LoopBuffer::View view = out.loop.view();
    int64_t segment = view.active ? ((view.position - out.startPosition) >> 15) + 1 : 1;
    if ((segment & 1) != half)
        segment -= 1;
    FollowSession& follow = out.follow;
    follow.clock.frame = segment * (HalfBytes / 4);
    const StepTimeline timeline =
        follow.playing ? clockTimeline(follow)
                       : provisionalTimeline(follow.primedStep, assumedFramesPerClock(follow, song.tempo));
    renderHalfFollowing(song, target, follow.clock, timeline);
    if (follow.playing && follow.follower.fitted() >= 2)
        follow.heldPeriod = follow.follower.framesPerClock();
}

// While following, a half is rendered as late as is safe, so that as many
// of the master's clocks as possible are known when its steps are placed:
// once the callback is no more than followRefillLead frames from its end.
bool dueForFollowing(const AudioOutput& out) {
    const LoopBuffer::View view = out.loop.view();
    if (!view.active)
        return true;   // about to begin: the next half is due at once
    const uint32_t intoHalf = ((view.position - out.startPosition) / 4) % (HalfBytes / 4);
    return HalfBytes / 4 - intoHalf <= followRefillLead(out.wave.periodFrames());
}

// The tempo the panel shows instead of the song's: the master's, while a
// followed playback runs.
int16_t followedTempoOf(const AudioOutput& out, const SongState& song) {
    if (!followingClock(song) || !out.follow.playing || song.playing == 0)
        return 0;
    return static_cast<int16_t>(std::clamp(std::lround(out.follow.follower.tempo()), 1L, 9999L));
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
        renderHalf(song, target);
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
    if (song.midiSync && out.outputOpen) {
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
        report.outputLost = wasPlaying || song.midiSync;
    }

    takeSyncEvents(out.sync, out.follow, out.startPosition, song.tempo);
    if (song.midiSync && out.renderHolds == 0 && !out.primeFailed) {
        if (!out.outputOpen) {
            // A Start that arrived while the output was closed plays once primed.
            report.reopened = openOutput(out, song, song.outputDevice);
            out.primeFailed = !report.reopened.ok();
        } else if (followingClock(song)) {
            primeForFollowing(out, song);
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
