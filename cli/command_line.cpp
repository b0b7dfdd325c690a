#include "cli/command_line.h"

#include <charconv>
#include <cstdlib>
#include <string_view>

#include "commands/terminal_text.h"

namespace tamboro {

namespace {

using Action = CommandLine::Action;

bool parseInt(std::string_view text, int& value) {
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// --- The options, each with the modes it goes with ---

enum ModeBits : unsigned { RenderMode = 1, SnapshotMode = 2, PlayMode = 4 };

struct OptionRule {
    std::string_view name;
    bool takesValue;
    unsigned modes;
    std::string_view goesWith;                       // the modes, for the message
    bool (*apply)(std::string_view value, CommandLine& line);
    std::string_view problem;                        // a missing or bad value
};

bool setSamples(std::string_view value, CommandLine& line) {
    line.samples = std::string(value);
    return true;
}

// CHANNEL=SEMITONES, channel 0..7 (0 is the top row), semitones -12..+12.
bool setPitch(std::string_view text, CommandLine& line) {
    const auto equals = text.find('=');
    int channel = 0;
    int semitones = 0;
    if (equals == std::string_view::npos || !parseInt(text.substr(0, equals), channel) ||
        !parseInt(text.substr(equals + 1), semitones))
        return false;
    if (channel < 0 || channel > 7 || semitones < -12 || semitones > 12)
        return false;
    line.pitch[channel] = static_cast<int16_t>(semitones);
    return true;
}

bool setScale(std::string_view value, CommandLine& line) {
    return parseInt(value, line.scale) && line.scale >= 1 && line.scale <= 8;
}

bool setIndex(std::string_view value, int& index) {
    return parseInt(value, index) && index >= 0;
}
bool setDevice(std::string_view value, CommandLine& line) {
    return setIndex(value, line.device);
}
bool setMidiDevice(std::string_view value, CommandLine& line) {
    return setIndex(value, line.midiDevice);
}

bool setSeconds(std::string_view value, CommandLine& line) {
    const std::string text(value);
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !(seconds > 0 && seconds < 1e7))
        return false;
    line.seconds = seconds;
    return true;
}

bool setMidiSync(std::string_view, CommandLine& line) {
    line.midiSync = true;
    return true;
}

bool setMidiClock(std::string_view, CommandLine& line) {
    line.midiSync = true;
    line.midiClock = true;
    return true;
}

bool setJackTransport(std::string_view, CommandLine& line) {
    line.jackTransport = true;
    return true;
}

bool setMidiClockOut(std::string_view, CommandLine& line) {
    line.midiClockOut = true;
    return true;
}

constexpr unsigned SongModes = RenderMode | SnapshotMode | PlayMode;
constexpr std::string_view SongModesText = "--render, --snapshot or --play";

constexpr OptionRule OptionRules[] = {
    {"--samples", true, SongModes, SongModesText, setSamples, "--samples needs a folder"},
    {"--pitch", true, SongModes, SongModesText, setPitch,
     "--pitch needs CHANNEL=SEMITONES with CHANNEL 0..7 and SEMITONES -12..12"},
    {"--scale", true, SnapshotMode, "--snapshot", setScale, "--scale needs a whole number from 1 to 8"},
    {"--device", true, PlayMode, "--play", setDevice, "--device needs a device index (see --list-devices)"},
    {"--seconds", true, PlayMode, "--play", setSeconds, "--seconds needs a positive number of seconds"},
    {"--midi-sync", false, PlayMode, "--play", setMidiSync, ""},
    {"--midi-clock", false, PlayMode, "--play", setMidiClock, ""},
    {"--jack-transport", false, PlayMode, "--play", setJackTransport, ""},
    {"--midi-clock-out", false, PlayMode, "--play", setMidiClockOut, ""},
    {"--midi-device", true, PlayMode, "--play", setMidiDevice,
     "--midi-device needs a device index (see --list-devices)"},
};

const OptionRule* findOption(std::string_view name) {
    for (const OptionRule& rule : OptionRules)
        if (rule.name == name)
            return &rule;
    return nullptr;
}

// --- The modes ---

struct ModeRule {
    std::string_view name;
    Action action;
    unsigned bit;          // 0: takes no other argument
    size_t files;          // how many file names it needs
    std::string_view filesProblem;
};

constexpr ModeRule ModeRules[] = {
    {"--render", Action::Render, RenderMode, 2, "--render needs a song file and an output WAV file"},
    {"--snapshot", Action::Snapshot, SnapshotMode, 2,
     "--snapshot needs a song file and an output PNG file"},
    {"--play", Action::Play, PlayMode, 1, "--play needs one song file"},
    {"--list-devices", Action::ListDevices, 0, 0, ""},
    {"--user-folder", Action::Desktop, 0, 0, ""},
};

const ModeRule* findMode(std::string_view name) {
    for (const ModeRule& rule : ModeRules)
        if (rule.name == name)
            return &rule;
    return nullptr;
}

CommandLine fail(std::string message) {
    CommandLine line;
    line.action = Action::Error;
    line.error = std::move(message);
    return line;
}

bool looksLikeOption(const std::string& arg) {
    return arg.size() > 1 && arg.front() == '-';
}

// The arguments of one mode: its options and file names, in any order.
CommandLine parseMode(const ModeRule& mode, const std::vector<std::string>& args) {
    CommandLine line;
    line.action = mode.action;
    if (mode.bit == 0) {
        if (args.size() != 1)
            return fail(std::string(mode.name) + " takes no other arguments");
        line.userFolder = mode.name == "--user-folder";
        return line;
    }
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == mode.name)
            continue;
        if (!looksLikeOption(arg)) {
            files.push_back(arg);
            continue;
        }
        const OptionRule* rule = findOption(arg);
        if (!rule)
            return fail("unknown option " + escapeForTerminal(arg));
        if ((rule->modes & mode.bit) == 0)
            return fail(arg + " goes with " + std::string(rule->goesWith));
        std::string_view value;
        if (rule->takesValue) {
            if (i + 1 >= args.size())
                return fail(std::string(rule->problem));
            value = args[++i];
        }
        if (!rule->apply(value, line))
            return fail(std::string(rule->problem));
    }
    if (files.size() != mode.files)
        return fail(std::string(mode.filesProblem));
    if (line.jackTransport && line.midiSync)
        return fail("--jack-transport and MIDI Sync (--midi-sync, --midi-clock) cannot go together");
    if (line.midiClockOut && (line.jackTransport || line.midiSync))
        return fail("--midi-clock-out goes with a song that plays on its own, not with --midi-sync, "
                    "--midi-clock or --jack-transport");
    line.song = files[0];
    if (mode.files == 2)
        line.output = files[1];
    return line;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    const ModeRule* mode = nullptr;
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            CommandLine line;
            line.action = Action::Help;
            return line;
        }
        if (arg == "--version") {
            CommandLine line;
            line.action = Action::Version;
            return line;
        }
        if (const ModeRule* found = findMode(arg)) {
            if (mode && mode != found)
                return fail(std::string(mode->name) + " and " + arg + " cannot go together");
            mode = found;
        }
    }
    if (mode)
        return parseMode(*mode, args);
    if (args.empty())
        return CommandLine{};   // the desktop program in the current folder
    for (const std::string& arg : args)
        if (looksLikeOption(arg) && !findOption(arg))
            return fail("unknown option " + escapeForTerminal(arg));
    return fail("a song file, --samples and --pitch go with --render, --snapshot or --play");
}

const char* usageText() {
    return "Usage: tamboro                      start the drum machine in this folder (beside Samples and Songs)\n"
           "       tamboro --user-folder        start it in the user's own Tamboro folder, filled from the\n"
           "                                    installed kit and demo songs on the first start\n"
           "       tamboro --render SONG.sng OUT.wav [--samples DIR] [--pitch CHANNEL=SEMITONES]...\n"
           "                                    render a song once into a 44,100 Hz 16-bit stereo WAV file\n"
           "       tamboro --snapshot SONG.sng OUT.png [--samples DIR] [--pitch CHANNEL=SEMITONES]... [--scale N]\n"
           "                                    paint the panel as it shows that song into a PNG picture\n"
           "       tamboro --play SONG.sng [--samples DIR] [--pitch CHANNEL=SEMITONES]... [--device N]\n"
           "                      [--seconds S] [--midi-sync | --midi-clock] [--midi-device N] [--jack-transport]\n"
           "                      [--midi-clock-out]\n"
           "                                    play a song through the sound card, looping, until S seconds\n"
           "                                    have passed or Ctrl-C; with --midi-sync MIDI Start and Stop drive it,\n"
           "                                    with --midi-clock also the master's MIDI clock places every step;\n"
           "                                    with --jack-transport the JACK transport starts, stops and places it;\n"
           "                                    with --midi-clock-out it sends MIDI Start, clock and Stop as it plays\n"
           "       tamboro --list-devices       list the output devices and MIDI inputs with their indices\n"
           "       tamboro --help | --version\n"
           "\n"
           "  --samples DIR            folder of the song's samples (default: ./Samples)\n"
           "  --pitch CHANNEL=SEMITONES  pitch of a channel, 0 (top row) to 7, -12 to +12;\n"
           "                           may be given for several channels\n"
           "  --scale N                picture pixels per panel pixel, 1 to 8 (default 1)\n"
           "\n"
           "Exit status of --render: 0 when written; 1 when nothing was written (one line\n"
           "says why); 3 when written, but channels are silent because their samples\n"
           "could not be loaded (one line each says why).\n";
}

}  // namespace tamboro
