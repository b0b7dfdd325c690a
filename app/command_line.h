#pragma once
// The command line: `tamboro --render SONG.sng OUT.wav [--samples DIR]
// [--pitch CHANNEL=SEMITONES]...`, `tamboro --snapshot SONG.sng OUT.png
// [--samples DIR] [--pitch CHANNEL=SEMITONES]... [--scale N]`, `--help` and
// `--version`. With no arguments the desktop program starts.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tamboro {

struct CommandLine {
    enum class Action { Desktop, Render, Snapshot, Help, Version, Error };
    Action action = Action::Desktop;
    std::string error;                    // for Action::Error
    std::filesystem::path song;
    std::filesystem::path output;
    std::filesystem::path samples = "Samples";
    std::array<int16_t, 8> pitch{};       // per channel, -12..+12
    int scale = 1;                        // snapshot pixels per panel pixel, 1..8
};

CommandLine parseCommandLine(const std::vector<std::string>& args);

const char* usageText();

}  // namespace tamboro
