#include "engine/audio_output.h"

#include <vector>

#include "engine/mixer.h"
#include "engine/song_ops.h"
#include "engine/step_clock.h"

namespace tamboro {

namespace {

void tellNoMixBuffer(Shell& shell) {
    shell.showMessage(MessageOwner::None, "Not enough memory for mixing buffers!",
                      " Error in function SoundPlay()", MessageIcon::Warning);
}

// Stops and closes the stream, keeping the transport as it is.
void closeDevice(AudioOutput& out) {
    if (!out.outputOpen)
        return;
    out.wave.close();
    out.outputOpen = false;
    out.loop.resetForStream();
}

// Step 0 rendered into the first half. False while the callback still
// plays the first half of an earlier playback.
bool prime(AudioOutput& out, SongState& song) {
    int16_t* first = out.loop.beginPriming();
    if (!first)
        return false;
    resetVoices(song);
    renderHalf(song, first);
    out.loop.publish();
    return true;
}

}  // namespace

bool allocateMixBuffer(AudioOutput& out, Shell& shell) {
    if (out.loop.allocate())
        return true;
    tellNoMixBuffer(shell);
    return false;
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

bool openOutput(AudioOutput& out, SongState& song, Shell& shell, int device) {
    if (!out.loop.allocated()) {
        tellNoMixBuffer(shell);   // nothing may be rendered into a missing buffer
        return false;
    }
    closeDevice(out);   // a Start that came meanwhile stays pending
    std::string error;
    if (!out.wave.open(device, out.loop, error)) {
        shell.showMessage(MessageOwner::None, error, "Output Device Error", MessageIcon::Warning);
        return false;
    }
    if (out.wave.periodFrames() > MaxPeriodFrames) {
        out.wave.close();
        shell.showMessage(MessageOwner::None,
                          "The device plays " + std::to_string(out.wave.periodFrames()) +
                              " frames at a time; Tamboro needs " +
                              std::to_string(MaxPeriodFrames) +
                              " or fewer. Choose a shorter period (buffer size) for it.",
                          "Output Device Error", MessageIcon::Warning);
        return false;
    }
    out.loop.resetForStream();
    prime(out, song);
    if (!out.wave.start(error)) {
        out.wave.close();
        out.loop.resetForStream();
        shell.showMessage(MessageOwner::None, error, "Output Device Error", MessageIcon::Warning);
        return false;
    }
    out.outputOpen = true;
    return true;
}

void startOutput(AudioOutput& out) {
    out.loop.requestStart();
}

void refillOnTimer(AudioOutput& out, SongState& song) {
    if (!out.outputOpen)
        return;
    int half = 0;
    int16_t* target = out.loop.beginRefill(half);
    if (!target)
        return;
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

void outputDeviceDialog(AudioOutput& out, SongState& song, Shell& shell) {
    song.modalActive = 1;
    std::vector<std::string> names;
    std::string name;
    for (int index = 0; getOutputDeviceName(out, song, index, name); ++index)
        names.push_back(name);
    shell.runDeviceDialog("Select WAV Device", names, [&](int selected) {
        if (selected >= 0)
            song.outputDevice = selected;
    });
}

bool startPlayback(AudioOutput& out, SongState& song, Shell& shell) {
    if (!openOutput(out, song, shell, song.outputDevice))
        return false;
    startOutput(out);
    song.playing = 1;
    return true;
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

void outputTick(AudioOutput& out, SongState& song, Shell& shell) {
    if (out.outputOpen && !out.wave.streamAlive()) {
        const bool wasPlaying = song.playing != 0;
        closeOutputs(out);
        out.primeFailed = true;   // the user chooses when to try again
        if (wasPlaying || song.midiSync)
            shell.showMessage(MessageOwner::None,
                              "The output device has stopped (the audio server may have "
                              "closed the connection).",
                              "Output Device Error", MessageIcon::Warning);
    }

    if (song.midiSync && out.renderHolds == 0 && !out.primeFailed) {
        if (!out.outputOpen) {
            // A Start that arrived while the output was closed plays once primed.
            if (!openOutput(out, song, shell, song.outputDevice))
                out.primeFailed = true;
        } else if (!out.loop.view().active && !out.loop.primedAndUnplayed()) {
            prime(out, song);
        }
    }

    const int32_t running = out.outputOpen && out.loop.transportRunning() ? 1 : 0;
    if (song.playing != running) {
        song.playing = running;
        shell.repaintLamps();
    }
    if (song.playing)
        refillOnTimer(out, song);
}

void shutdownOutput(AudioOutput& out, SongState& song) {
    releaseSamples(out, song);
    freeMixBuffer(out);
    if (out.midiInOpen) {
        out.midi.close();
        out.midiInOpen = false;
    }
}

OutputHold::OutputHold(AudioOutput& out, SongState& song, Shell& shell) : out_(out) {
    ++out_.renderHolds;
    if (song.playing) {
        song.playing = 0;
        closeOutputs(out_);
        shell.repaintPanel();
    } else {
        closeOutputs(out_);   // an armed output holds the primed first half
    }
}

OutputHold::~OutputHold() {
    --out_.renderHolds;
}

}  // namespace tamboro
