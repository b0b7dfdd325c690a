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
    ASSERT_EQ(result.status, 0) << result.err;
    // The one missing sample is reported, and only it.
    EXPECT_NE(result.err.find("nothere.wav"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("clave"), std::string::npos) << result.err;

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
