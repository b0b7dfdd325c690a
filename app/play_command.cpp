#include "app/play_command.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <ostream>
#include <thread>

#include "app/command_song.h"
#include "app/console_shell.h"
#include "engine/audio_output.h"
#include "engine/midi_sync.h"
#include "platform/rtaudio_output.h"
#include "platform/rtmidi_input.h"

namespace tamboro {

namespace {

std::atomic<bool> interrupted{false};

extern "C" void onSignal(int) {
    interrupted.store(true);
}

// The main loop of the desktop program without a window: the 10 ms tick,
// on time, until the end.
void runTicks(AudioOutput& output, SongState& song, ConsoleShell& shell, double seconds,
              bool followMidi) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    auto next = start;
    while (!interrupted.load() && (seconds <= 0 || Clock::now() < end)) {
        outputTick(output, song, shell);
        shell.reportPlaying(song.playing != 0);
        if (!followMidi && song.playing == 0)
            return;   // the output stopped on its own; the tick said why
        next += std::chrono::milliseconds(10);
        std::this_thread::sleep_until(next);
    }
}

}  // namespace

int runPlayCommand(const CommandLine& line, std::ostream& out, std::ostream& errors) {
    const std::unique_ptr<SongState> song = openCommandSong(line, errors);
    if (!song)
        return 1;
    loadCommandSamples(*song, line, errors);

    ConsoleShell shell(out, errors);
    RtAudioOutput wave;
    RtMidiInput midi;
    AudioOutput output(wave, midi);
    if (!allocateMixBuffer(output, shell))
        return 1;
    std::string name;
    if (!getOutputDeviceName(output, *song, line.device, name)) {
        if (song->outputDeviceCount == 0) {
            errors << "tamboro: No Output Devices available !! (" << wave.systemsFound() << ")\n";
            return 1;
        }
        errors << "tamboro: there is no output device " << line.device << " (see --list-devices)\n";
        return 1;
    }
    song->outputDevice = line.device;

    interrupted.store(false);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    int status = 0;
    if (line.midiSync) {
        if (line.midiDevice >= midi.portCount()) {
            errors << "tamboro: there is no MIDI input " << line.midiDevice << " (see --list-devices)\n";
            return 1;
        }
        song->midiInDevice = line.midiDevice;
        toggleMidiSync(output, *song, shell);
        if (!song->midiSync || !output.outputOpen) {
            shutdownOutput(output, *song);
            return 1;
        }
        out << "armed: " << name << ", " << wave.streamRate() << " Hz, " << wave.streamPeriod()
            << " frames a period; waiting for MIDI Start on " << midi.portName(line.midiDevice)
            << std::endl;
        runTicks(output, *song, shell, line.seconds, true);
    } else {
        if (!startPlayback(output, *song, shell))
            return 1;
        out << "playing: " << name << ", " << wave.streamRate() << " Hz, " << wave.streamPeriod()
            << " frames a period" << std::endl;
        shell.playing = true;
        const int before = shell.messagesShown;
        runTicks(output, *song, shell, line.seconds, false);
        if (shell.messagesShown != before)
            status = 1;
    }
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    shutdownOutput(output, *song);
    return status;
}

}  // namespace tamboro
