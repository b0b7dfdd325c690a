// Parsing the command line.

#include <gtest/gtest.h>

#include "cli/command_line.h"

namespace tamboro {
namespace {

using Action = CommandLine::Action;

TEST(CommandLineParsing, RenderWithSamplesAndPitches) {
    const CommandLine line = parseCommandLine(
        {"--pitch", "0=-12", "--render", "in.sng", "out.wav", "--samples", "kit", "--pitch", "7=+12"});
    ASSERT_EQ(line.action, Action::Render) << line.error;
    EXPECT_EQ(line.song, "in.sng");
    EXPECT_EQ(line.output, "out.wav");
    EXPECT_EQ(line.samples, "kit");
    EXPECT_EQ(line.pitch[0], -12);
    EXPECT_EQ(line.pitch[7], 12);
    EXPECT_EQ(line.pitch[3], 0);
    EXPECT_EQ(parseCommandLine({"--render", "a", "b"}).samples, "Samples");
}

TEST(CommandLineParsing, ModesAndErrors) {
    EXPECT_EQ(parseCommandLine({}).action, Action::Desktop);
    EXPECT_FALSE(parseCommandLine({}).userFolder);
    const CommandLine launcher = parseCommandLine({"--user-folder"});
    EXPECT_EQ(launcher.action, Action::Desktop);
    EXPECT_TRUE(launcher.userFolder);
    EXPECT_EQ(parseCommandLine({"--help"}).action, Action::Help);
    EXPECT_EQ(parseCommandLine({"--version"}).action, Action::Version);
    const std::vector<std::vector<std::string>> bad = {
        {"--render"},
        {"--render", "a.sng"},
        {"--render", "a", "b", "c"},
        {"song.sng"},
        {"--render", "a", "b", "--samples"},
        {"--render", "a", "b", "--pitch", "8=1"},
        {"--render", "a", "b", "--pitch", "1=13"},
        {"--render", "a", "b", "--pitch", "1=-13"},
        {"--render", "a", "b", "--pitch", "1"},
        {"--render", "a", "b", "--pitch", "x=1"},
        {"--render", "a", "b", "--pitch", "1=2x"},
        {"--render", "a", "b", "--loud"},
        {"--user-folder", "song.sng"},
        {"--render", "a", "b", "--user-folder"},
    };
    // What the error repeats of the command line is safe to print.
    EXPECT_EQ(parseCommandLine({"--render", "a", "b", "--\x1b[2J"}).error, "unknown option --\\x1b[2J");
    for (const auto& args : bad) {
        const CommandLine line = parseCommandLine(args);
        EXPECT_EQ(line.action, Action::Error) << args.back();
        EXPECT_FALSE(line.error.empty());
    }
}

TEST(CommandLineParsing, PlayAndListDevices) {
    const CommandLine line = parseCommandLine({"--play", "in.sng", "--device", "2", "--seconds", "3.5",
                                               "--midi-sync", "--midi-device", "1", "--pitch", "2=-5"});
    ASSERT_EQ(line.action, Action::Play) << line.error;
    EXPECT_EQ(line.song, "in.sng");
    EXPECT_EQ(line.device, 2);
    EXPECT_DOUBLE_EQ(line.seconds, 3.5);
    EXPECT_TRUE(line.midiSync);
    EXPECT_EQ(line.midiDevice, 1);
    EXPECT_EQ(line.pitch[2], -5);
    EXPECT_EQ(parseCommandLine({"--list-devices"}).action, Action::ListDevices);
    EXPECT_FALSE(line.midiClock);

    // --midi-clock is MIDI Sync that follows the clock too.
    const CommandLine clock = parseCommandLine({"--play", "in.sng", "--midi-clock", "--midi-device", "2"});
    ASSERT_EQ(clock.action, Action::Play) << clock.error;
    EXPECT_TRUE(clock.midiSync);
    EXPECT_TRUE(clock.midiClock);
    EXPECT_EQ(clock.midiDevice, 2);
    EXPECT_EQ(parseCommandLine({"--render", "a", "b", "--midi-clock"}).error, "--midi-clock goes with --play");

    const CommandLine transport = parseCommandLine({"--play", "in.sng", "--jack-transport"});
    ASSERT_EQ(transport.action, Action::Play) << transport.error;
    EXPECT_TRUE(transport.jackTransport);
    EXPECT_FALSE(transport.midiSync);
    EXPECT_EQ(parseCommandLine({"--play", "in.sng", "--jack-transport", "--midi-clock"}).action, Action::Error);
    EXPECT_TRUE(parseCommandLine({"--play", "in.sng", "--midi-clock-out"}).midiClockOut);
    EXPECT_EQ(parseCommandLine({"--play", "in.sng", "--midi-clock-out", "--midi-sync"}).action, Action::Error);

    const std::vector<std::vector<std::string>> bad = {
        {"--play"},
        {"--play", "a.sng", "b.sng"},
        {"--play", "a.sng", "--device", "-1"},
        {"--play", "a.sng", "--device"},
        {"--play", "a.sng", "--seconds", "0"},
        {"--play", "a.sng", "--seconds", "2s"},
        {"--render", "a", "b", "--device", "1"},
        {"--list-devices", "x"},
    };
    for (const auto& args : bad)
        EXPECT_EQ(parseCommandLine(args).action, Action::Error) << args.back();
}

}  // namespace
}  // namespace tamboro
