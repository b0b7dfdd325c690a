// A small song with generated samples, rendered by the program and compared
// byte for byte with the committed render. Any change to what the mixer, the
// step clock, the shuffle or the file writer produce shows here.

#include <gtest/gtest.h>

#include "tests/cli/run_tamboro.h"
#include "tests/files/wave_bytes.h"

namespace tamboro {
namespace {

const std::filesystem::path Golden = std::filesystem::path(TAMBORO_SOURCE_DIR) / "tests/cli/golden";

TEST(GoldenRender, MatchesTheCommittedWaveByteForByte) {
    test::ScratchDir dir;
    const auto result = test::runTamboro({"--render", (Golden / "golden.sng").string(), "out.wav",
                                          "--samples", (Golden / "Samples").string(),
                                          "--pitch", "2=7", "--pitch", "3=-5"},
                                         dir / "");
    // The one missing sample is reported, and only it: the file is written,
    // but the render is incomplete.
    ASSERT_EQ(result.status, 3) << result.err;
    EXPECT_NE(result.err.find("channel 4: sample \"nothere.wav\": not found"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("clave"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("out.wav is incomplete: 1 channel is silent"), std::string::npos) << result.err;

    const test::Bytes expected = test::readFile(Golden / "expected.wav");
    const test::Bytes actual = test::readFile(dir / "out.wav");
    ASSERT_EQ(actual.size(), expected.size());
    size_t firstDifference = 0;
    while (firstDifference < actual.size() && actual[firstDifference] == expected[firstDifference])
        ++firstDifference;
    EXPECT_EQ(firstDifference, actual.size())
        << "the render differs first at byte " << firstDifference << " (frame "
        << (firstDifference - 56) / 4 << ")";
}

}  // namespace
}  // namespace tamboro
