#include "app/command_line.h"

#include <charconv>
#include <cstdlib>

#include "files/terminal_text.h"

namespace tamboro {

namespace {

bool parseInt(std::string_view text, int& value) {
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// CHANNEL=SEMITONES, channel 0..7 (0 is the top row), semitones -12..+12.
bool parsePitch(const std::string& text, CommandLine& line) {
    const auto equals = text.find('=');
    int channel = 0;
    int semitones = 0;
    if (equals == std::string::npos ||
        !parseInt(std::string_view(text).substr(0, equals), channel) ||
        !parseInt(std::string_view(text).substr(equals + 1), semitones))
        return false;
    if (channel < 0 || channel > 7 || semitones < -12 || semitones > 12)
        return false;
    line.pitch[channel] = static_cast<int16_t>(semitones);
    return true;
}

CommandLine fail(std::string message) {
    CommandLine line;
    line.action = CommandLine::Action::Error;
    line.error = std::move(message);
    return line;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    std::vector<std::string> files;
    bool scaleGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--help" || arg == "-h") {
            line.action = CommandLine::Action::Help;
            return line;
        } else if (arg == "--version") {
            line.action = CommandLine::Action::Version;
            return line;
        } else if (arg == "--render") {
            line.action = CommandLine::Action::Render;
        } else if (arg == "--snapshot") {
            line.action = CommandLine::Action::Snapshot;
        } else if (arg == "--scale") {
            if (!hasValue || !parseInt(args[i + 1], line.scale) || line.scale < 1 || line.scale > 8)
                return fail("--scale needs a whole number from 1 to 8");
            scaleGiven = true;
            ++i;
        } else if (arg == "--play") {
            line.action = CommandLine::Action::Play;
        } else if (arg == "--list-devices") {
            line.action = CommandLine::Action::ListDevices;
        } else if (arg == "--user-folder") {
            line.userFolder = true;
        } else if (arg == "--device" || arg == "--midi-device") {
            int index = -1;
            if (!hasValue || !parseInt(args[i + 1], index) || index < 0)
                return fail(arg + " needs a device index (see --list-devices)");
            (arg == "--device" ? line.device : line.midiDevice) = index;
            ++i;
        } else if (arg == "--seconds") {
            char* end = nullptr;
            const double seconds = hasValue ? std::strtod(args[i + 1].c_str(), &end) : -1;
            if (!hasValue || end == args[i + 1].c_str() || *end != '\0' || !(seconds > 0 && seconds < 1e7))
                return fail("--seconds needs a positive number of seconds");
            line.seconds = seconds;
            ++i;
        } else if (arg == "--midi-sync") {
            line.midiSync = true;
        } else if (arg == "--samples") {
            if (!hasValue)
                return fail("--samples needs a folder");
            line.samples = args[++i];
        } else if (arg == "--pitch") {
            if (!hasValue || !parsePitch(args[i + 1], line))
                return fail("--pitch needs CHANNEL=SEMITONES with CHANNEL 0..7 and SEMITONES -12..12");
            ++i;
        } else if (arg.size() > 1 && arg.front() == '-') {
            return fail("unknown option " + escapeForTerminal(arg));
        } else {
            files.push_back(arg);
        }
    }
    if (line.userFolder) {
        if (args.size() != 1)
            return fail("--user-folder takes no other arguments");
        return line;
    }
    if (line.action == CommandLine::Action::ListDevices) {
        if (args.size() != 1)
            return fail("--list-devices takes no other arguments");
        return line;
    }
    const bool playOptions = line.device != 0 || line.seconds != 0 || line.midiSync || line.midiDevice != 0;
    if (playOptions && line.action != CommandLine::Action::Play)
        return fail("--device, --seconds, --midi-sync and --midi-device go with --play");
    if (scaleGiven && line.action != CommandLine::Action::Snapshot)
        return fail("--scale goes with --snapshot");
    if (line.action == CommandLine::Action::Play) {
        if (files.size() != 1)
            return fail("--play needs one song file");
        line.song = files[0];
        return line;
    }
    const bool render = line.action == CommandLine::Action::Render;
    const bool snapshot = line.action == CommandLine::Action::Snapshot;
    if (!render && !snapshot) {
        if (!args.empty())
            return fail("a song file, --samples and --pitch go with --render, --snapshot or --play");
        return line;
    }
    if (files.size() != 2)
        return fail(render ? "--render needs a song file and an output WAV file"
                           : "--snapshot needs a song file and an output PNG file");
    line.song = files[0];
    line.output = files[1];
    return line;
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
           "                      [--seconds S] [--midi-sync [--midi-device N]]\n"
           "                                    play a song through the sound card, looping, until S seconds\n"
           "                                    have passed or Ctrl-C; with --midi-sync MIDI Start and Stop drive it\n"
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
