#include "cli/play_command.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <ostream>
#include <thread>

#include "cli/audio_module.h"
#include "cli/command_song.h"
#include "commands/messages.h"
#include "commands/terminal_text.h"
#include "engine/audio_output.h"
#include "engine/midi_sync.h"

namespace tamboro {

namespace {

std::atomic<bool> interrupted{false};

constexpr int ClockListenerWaitSeconds = 3;

extern "C" void onSignal(int) {
    interrupted.store(true);
}

// What the program says, one line each on the terminal.
class PlayReport {
public:
    PlayReport(std::ostream& out, std::ostream& errors) : out_(out), errors_(errors) {}

    void tell(const Message& message) {
        ++messages;
        errors_ << "tamboro: " << escapeForTerminal(terminalLine(message)) << std::endl;
    }
    void tell(const OutputResult& result) {
        if (!result.ok())
            tell(outputProblemMessage(result));
    }
    // A change of `playing`, as the lamps would show it.
    void playing(bool now) {
        if (now != playing_)
            out_ << (now ? "playing" : "stopped") << std::endl;
        playing_ = now;
    }

    int messages = 0;

private:
    std::ostream& out_;
    std::ostream& errors_;
    bool playing_ = false;
};

// The main loop of the desktop program without a window: the 10 ms tick,
// on time, until the end. A lost output ends it, MIDI Sync too: nothing
// would sound any more. Returns false then.
bool runTicks(AudioOutput& output, SongState& song, PlayReport& report, double seconds,
              bool followMidi) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    auto next = start;
    while (!interrupted.load() && (seconds <= 0 || Clock::now() < end)) {
        const TickReport tick = outputTick(output, song);
        if (tick.outputLost)
            report.tell(outputLostMessage());
        report.tell(tick.reopened);
        report.playing(song.playing != 0);
        if (tick.outputLost)
            return false;
        if (!followMidi && song.playing == 0)
            return true;
        next += std::chrono::milliseconds(10);
        std::this_thread::sleep_until(next);
    }
    return true;
}

// The end: the sound fades out over a few milliseconds instead of jumping
// from the music to zero, on whatever device plays it; the device plays its
// last frames before it closes.
void fadeOut(AudioOutput& output) {
    using namespace std::chrono_literals;
    if (!output.outputOpen || !output.loop.view().active)
        return;
    output.loop.requestFadeOut();
    const auto giveUp = std::chrono::steady_clock::now() + 1s;
    while (!output.loop.fadedOut() && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(1ms);
    const double periods = 4.0 * output.wave.periodFrames() / 44100;
    std::this_thread::sleep_for(std::chrono::duration<double>(periods) + 30ms);
}

// Sending MIDI clock: a slave hears the Start only when it is connected
// before it, so the playback waits a moment for the first connection to
// the MIDI output port.
void awaitClockListener(AudioOutput& output, std::ostream& out, PlayReport& report) {
    const int listeners = output.wave.clockOutputListeners();
    if (listeners < 0) {
        report.tell(clockOutNeedsJackMessage());
        return;
    }
    if (listeners > 0)
        return;
    out << "waiting up to " << ClockListenerWaitSeconds << " s for a connection to "
        << output.wave.clockOutputName() << std::endl;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(ClockListenerWaitSeconds);
    while (!interrupted.load() && output.wave.clockOutputListeners() == 0 &&
           std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

// A stream line: "NAME, RATE Hz, PERIOD frames a period".
void describeStream(std::ostream& out, AudioSystems& systems, const std::string& name) {
    out << name << ", " << systems.streamRate() << " Hz, " << systems.streamPeriod()
        << " frames a period";
}

int play(const CommandLine& line, SongState& song, AudioSystems& systems, std::ostream& out,
         PlayReport& report, std::ostream& errors) {
    AudioOutput output(systems.wave(), systems.midi());
    if (!allocateMixBuffer(output)) {
        report.tell(noMixBufferMessage());
        return 1;
    }
    std::string name;
    if (!getOutputDeviceName(output, song, line.device, name)) {
        if (song.outputDeviceCount == 0)
            errors << "tamboro: " << noOutputDeviceMessage().text << " ("
                   << systems.outputSystemsFound() << ")\n";
        else
            errors << "tamboro: there is no output device " << line.device << " (see --list-devices)\n";
        return 1;
    }
    song.outputDevice = line.device;

    interrupted.store(false);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    int status = 0;
    if (line.midiSync) {
        if (line.midiDevice >= systems.midi().portCount()) {
            errors << "tamboro: there is no MIDI input " << line.midiDevice << " (see --list-devices)\n";
            return 1;
        }
        song.midiInDevice = line.midiDevice;
        song.followMidiClock = line.midiClock ? 1 : 0;
        const MidiSyncResult armed = toggleMidiSync(output, song);
        if (armed.change == MidiSyncChange::MidiInputFailed)
            report.tell(midiInputFailedMessage(MessageOwner::None, armed.midiReason));
        report.tell(armed.output);
        if (!song.midiSync || !output.outputOpen) {
            shutdownOutput(output, song);
            return 1;
        }
        out << "armed: ";
        describeStream(out, systems, name);
        out << "; waiting for MIDI Start" << (line.midiClock ? " and clock" : "") << " on "
            << escapeForTerminal(systems.midi().portName(line.midiDevice))
            << std::endl;
        if (!runTicks(output, song, report, line.seconds, true))
            status = 1;
    } else if (line.jackTransport) {
        const TransportResult armed = toggleFollowJackTransport(output, song);
        report.tell(armed.output);
        if (!song.followJackTransport || !output.outputOpen) {
            shutdownOutput(output, song);
            return 1;
        }
        out << "armed: ";
        describeStream(out, systems, name);
        out << "; waiting for the JACK transport to roll" << std::endl;
        if (!runTicks(output, song, report, line.seconds, true))
            status = 1;
    } else {
        if (line.midiClockOut)
            toggleSendMidiClock(output, song);
        const OutputResult opened = openOutput(output, song, song.outputDevice);
        if (!opened.ok()) {
            report.tell(opened);
            return 1;
        }
        if (line.midiClockOut)
            awaitClockListener(output, out, report);
        startOutput(output);
        song.playing = 1;
        out << "playing: ";
        describeStream(out, systems, name);
        out << std::endl;
        report.playing(true);
        const int before = report.messages;
        runTicks(output, song, report, line.seconds, false);
        if (report.messages != before)
            status = 1;
    }
    fadeOut(output);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    shutdownOutput(output, song);
    return status;
}

}  // namespace

int runPlayCommand(const CommandLine& line, std::ostream& out, std::ostream& errors) {
    const std::unique_ptr<SongState> song = openCommandSong(line, errors);
    if (!song)
        return 1;
    loadCommandSamples(*song, line, errors);

    std::string problem;
    const std::unique_ptr<AudioSystems> systems = loadAudioSystems(problem);
    if (!systems) {
        errors << "tamboro: the audio module cannot be loaded: " << escapeForTerminal(problem) << "\n";
        return 1;
    }
    PlayReport report(out, errors);
    return play(line, *song, *systems, out, report, errors);
}

}  // namespace tamboro
