#pragma once
// The command line: `tamboro --render SONG.sng OUT.wav [--samples DIR]
// [--pitch CHANNEL=SEMITONES]...`, `tamboro --snapshot SONG.sng OUT.png
// [--samples DIR] [--pitch CHANNEL=SEMITONES]... [--scale N]`, `tamboro --play
// SONG.sng [--samples DIR] [--pitch ...] [--device N] [--seconds S]
// [--midi-sync | --midi-clock] [--midi-device N] | [--jack-transport] |
// [--midi-clock-out]`,
// `--list-devices`, `--help` and
// `--version`. With no arguments the desktop program starts in the current
// folder; with `--user-folder` alone it starts in the user's own Tamboro
// folder (the installed launcher does so).

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tamboro {

struct CommandLine {
    enum class Action { Desktop, Render, Snapshot, Play, ListDevices, Help, Version, Error };
    Action action = Action::Desktop;
    std::string error;                    // for Action::Error
    std::filesystem::path song;
    std::filesystem::path output;
    std::filesystem::path samples = "Samples";
    std::array<int16_t, 8> pitch{};       // per channel, -12..+12
    int scale = 1;                        // snapshot pixels per panel pixel, 1..8
    int device = 0;                       // --play: output device index
    double seconds = 0;                   // --play: 0 plays until interrupted
    bool midiSync = false;                // --play: wait for MIDI Start/Stop
    bool midiClock = false;               // --play: MIDI Sync, and follow the master's clock
    bool jackTransport = false;           // --play: follow the JACK transport
    bool midiClockOut = false;            // --play: send MIDI clock while playing on its own
    int midiDevice = 0;                   // --play --midi-sync: MIDI input index
    bool userFolder = false;              // desktop: start in the user's Tamboro folder
};

CommandLine parseCommandLine(const std::vector<std::string>& args);

const char* usageText();

}  // namespace tamboro
