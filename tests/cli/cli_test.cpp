// The command line as a user meets it: exit status, messages and files.

#include <gtest/gtest.h>

#include "files/song_file.h"
#include "files/wave_reader.h"
#include "tests/cli/run_tamboro.h"
#include "tests/files/wave_bytes.h"
#include "tests/support/special_files.h"

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

}  // namespace
}  // namespace tamboro
