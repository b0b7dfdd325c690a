// The command line as a user meets it: exit status, messages and files.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "files/song_file.h"
#include "files/wave_reader.h"
#include "tests/cli/run_tamboro.h"
#include "tests/files/wave_bytes.h"
#include "tests/support/unusual_files.h"

namespace tamboro {
namespace {

using test::runTamboro;

const std::filesystem::path Golden = std::filesystem::path(TAMBORO_SOURCE_DIR) / "tests/cli/golden";

TEST(CommandLineProgram, HelpVersionAndUsageErrors) {
    test::ScratchDir dir;
    auto result = runTamboro({"--help"}, dir / "");
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("--render"), std::string::npos);
    result = runTamboro({"--version"}, dir / "");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "tamboro 1.0a\n");
    result = runTamboro({"--render", "only-one.sng"}, dir / "");
    EXPECT_NE(result.status, 0);
    EXPECT_NE(result.err.find("tamboro:"), std::string::npos);
    result = runTamboro({"--render", "a.sng", "b.wav", "--pitch", "9=1"}, dir / "");
    EXPECT_NE(result.status, 0);
}

TEST(CommandLineProgram, RefusesMissingAndDamagedSongsWithOneLine) {
    test::ScratchDir dir;
    auto result = runTamboro({"--render", "missing.sng", "out.wav"}, dir / "");
    EXPECT_NE(result.status, 0);
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "out.wav"));

    test::Bytes song = test::readFile(Golden / "golden.sng");
    song[8] = song[9] = 0;  // tempo 0
    dir.put("damaged.sng", song);
    result = runTamboro({"--render", "damaged.sng", "out.wav"}, dir / "");
    EXPECT_NE(result.status, 0);
    EXPECT_NE(result.err.find("tempo"), std::string::npos) << result.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "out.wav"));
}

// A named pipe nobody writes to is refused at once by every mode that opens
// a song, with one line that says what it is.
TEST(CommandLineProgram, RefusesASongThatIsANamedPipeAtOnce) {
    test::ScratchDir dir;
    ASSERT_TRUE(test::makeFifo(dir / "pipe.sng"));
    std::vector<std::vector<std::string>> modes = {
        {"--render", "pipe.sng", "out.wav"},
        {"--play", "pipe.sng", "--seconds", "1"},
    };
    if (TAMBORO_HAS_PANEL)
        modes.push_back({"--snapshot", "pipe.sng", "out.png"});
    for (const auto& args : modes) {
        SCOPED_TRACE(args[0]);
        const auto result = runTamboro(args, dir / "", "", 20);
        EXPECT_EQ(result.status, 1) << "137: it waited on the pipe";
        EXPECT_NE(result.err.find("tamboro: pipe.sng: The song file is not a regular file (a named pipe).\n"),
                  std::string::npos)
            << result.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "out.wav"));
        EXPECT_FALSE(std::filesystem::exists(dir / "out.png"));
    }
}

TEST(CommandLineProgram, SamplesFolderDefaultsToSamplesBesideTheCurrentFolder) {
    // The golden song, rendered without --samples from a folder that holds
    // its samples as ./Samples, is the golden render: any other folder (or
    // none) would lose or change sounds.
    test::ScratchDir dir;
    std::filesystem::copy(Golden / "Samples", dir / "Samples", std::filesystem::copy_options::recursive);
    std::filesystem::copy_file(Golden / "golden.sng", dir / "song.sng");
    const auto result = runTamboro({"--render", "song.sng", "out.wav", "--pitch", "2=7", "--pitch", "3=-5"},
                                   dir / "");
    ASSERT_EQ(result.status, 3) << result.err;  // one of its samples is missing
    EXPECT_EQ(test::readFile(dir / "out.wav"), test::readFile(Golden / "expected.wav"));
}

// The libraries a run of the program loaded, as the dynamic loader tells
// them (dlopen included).
std::vector<std::string> loadedLibraries(const std::string& loaderLog) {
    std::vector<std::string> names;
    std::istringstream lines(loaderLog);
    for (std::string line; std::getline(lines, line);) {
        const size_t at = line.find("file=");
        const size_t end = line.find(" [", at);
        if (at != std::string::npos && line.find("needed by") == std::string::npos &&
            end != std::string::npos)
            names.push_back(line.substr(at + 5, end - at - 5));
    }
    return names;
}

bool anyContains(const std::vector<std::string>& names, const std::string& part) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& name) { return name.find(part) != std::string::npos; });
}

// A box without a display (or without Qt installed) runs every headless
// mode: none of them may load a Qt library, and rendering loads no audio
// library either.
TEST(CommandLineProgram, HeadlessModesLoadNoQtAndRenderingNoAudioLibrary) {
    test::ScratchDir dir;
    const std::string song = (Golden / "golden.sng").string();
    const std::string samples = (Golden / "Samples").string();
    const std::vector<std::vector<std::string>> modes = {
        {"--render", song, "out.wav", "--samples", samples},
        {"--version"},
        {"--help"},
        {"--list-devices"},
        {"--play", song, "--samples", samples, "--seconds", "0.2", "--device", "99"},
    };
    for (const auto& args : modes) {
        SCOPED_TRACE(args.front());
        const auto result = runTamboro(args, dir / "", "export LD_DEBUG=files; ");
        const std::vector<std::string> loaded = loadedLibraries(result.err);
        ASSERT_TRUE(anyContains(loaded, "libc.so")) << "the loader's log is missing:\n" << result.err;
        EXPECT_FALSE(anyContains(loaded, "libQt")) << result.err;
        const bool plays = args.front() == "--list-devices" || args.front() == "--play";
        EXPECT_EQ(anyContains(loaded, "tamboro-audio.so"), plays);
        EXPECT_EQ(anyContains(loaded, "librtaudio"), plays);
    }
    EXPECT_TRUE(std::filesystem::exists(dir / "out.wav"));
}

}  // namespace
}  // namespace tamboro
