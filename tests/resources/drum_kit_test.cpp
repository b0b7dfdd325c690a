// The default drum kit in data/Samples: every file has the plain mono 16-bit
// layout, loads with the program's reader, is loud without clipping and
// starts and ends without a click. The layout is checked by walking the
// RIFF bytes here, independently of the reader.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "files/wave_reader.h"

namespace fs = std::filesystem;

namespace {

const fs::path KitDir = fs::path(TAMBORO_SOURCE_DIR) / "data" / "Samples";

constexpr uint32_t Rate = 44100;
constexpr size_t HeaderBytes = 44;  // RIFF header, 16-byte "fmt " chunk, "data" header

bool hasWavExtension(const fs::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return ext == ".WAV";
}

std::vector<std::string> kitFiles() {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(KitDir, ec)) {
        if (entry.is_regular_file() && hasWavExtension(entry.path()))
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<uint8_t> readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint16_t le16(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 |
           uint32_t{b[at + 3]} << 24;
}

bool idAt(const std::vector<uint8_t>& b, size_t at, const char* id) {
    return b.size() >= at + 4 && std::memcmp(b.data() + at, id, 4) == 0;
}

// The result of walking a kit file's bytes: every way in which it departs
// from the exact layout ("RIFF" size "WAVE", a 16-byte "fmt " chunk, then
// "data" to the end of the file), and the samples of the data chunk.
struct Walk {
    std::vector<std::string> problems;
    std::vector<int16_t> values;
};

Walk walkKitFile(const std::vector<uint8_t>& b) {
    Walk walk;
    auto expect = [&](bool ok, const std::string& what) {
        if (!ok) walk.problems.push_back(what);
    };
    if (b.size() < HeaderBytes) {
        walk.problems.push_back("only " + std::to_string(b.size()) + " bytes");
        return walk;
    }
    expect(idAt(b, 0, "RIFF"), "no RIFF id");
    expect(le32(b, 4) == b.size() - 8, "RIFF size does not cover the file");
    expect(idAt(b, 8, "WAVE"), "no WAVE form type");
    expect(idAt(b, 12, "fmt "), "first chunk is not \"fmt \"");
    expect(le32(b, 16) == 16, "format chunk is not 16 bytes");
    expect(le16(b, 20) == 1, "not PCM");
    expect(le16(b, 22) == 1, "not mono");
    expect(le32(b, 24) == Rate, "not 44,100 samples per second");
    expect(le32(b, 28) == Rate * 2, "average bytes per second is not 88,200");
    expect(le16(b, 32) == 2, "block align is not 2");
    expect(le16(b, 34) == 16, "not 16 bits per sample");
    expect(idAt(b, 36, "data"), "\"data\" does not follow the format chunk");
    const uint32_t dataBytes = le32(b, 40);
    expect(dataBytes == b.size() - HeaderBytes, "data size is not the rest of the file");
    expect(dataBytes % 2 == 0, "odd data size");

    const size_t count = std::min<size_t>(dataBytes, b.size() - HeaderBytes) / 2;
    walk.values.resize(count);
    for (size_t i = 0; i < count; ++i)
        walk.values[i] = static_cast<int16_t>(le16(b, HeaderBytes + 2 * i));
    return walk;
}

class KitSample : public testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        walk_ = walkKitFile(readBytes(KitDir / GetParam()));
        ASSERT_FALSE(walk_.values.empty()) << "no sample data";
    }

    Walk walk_;
    const std::vector<int16_t>& values_ = walk_.values;
};

TEST_P(KitSample, HasExactlyAPlainFormatChunkAndTheData) {
    std::string problems;
    for (const auto& p : walk_.problems) problems += "\n  " + p;
    EXPECT_TRUE(walk_.problems.empty()) << problems;
}

TEST_P(KitSample, LastsASensibleTime) {
    const double seconds = static_cast<double>(values_.size()) / Rate;
    EXPECT_GE(seconds, 0.05);
    EXPECT_LE(seconds, 2.5);
}

TEST_P(KitSample, LoadsWithTheProgramsReaderAsTheSameData) {
    tamboro::LoadedWave wave;
    ASSERT_EQ(tamboro::loadWaveFile(KitDir / GetParam(), wave), 0u);
    ASSERT_NE(wave.format, nullptr);
    ASSERT_NE(wave.data, nullptr);
    EXPECT_EQ(wave.format->formatTag, 1u);
    EXPECT_EQ(wave.format->channels, 1u);  // plays as a mono voice
    EXPECT_EQ(wave.format->samplesPerSec, Rate);
    EXPECT_EQ(wave.format->bitsPerSample, 16u);
    EXPECT_EQ(wave.format->extraSize, 0u);
    ASSERT_EQ(wave.length, values_.size() * 2);
    EXPECT_EQ(std::memcmp(wave.data.get(), values_.data(), wave.length), 0);
}

TEST_P(KitSample, IsLoudButNeverClips) {
    int peak = 0;
    int nearRail = 0;
    for (int16_t v : values_) {
        peak = std::max(peak, std::abs(int{v}));
        if (std::abs(int{v}) >= 32700) ++nearRail;
    }
    EXPECT_GT(peak, 20000) << "too quiet: a voice plays at a quarter of its values";
    EXPECT_LE(nearRail, 2) << "samples at full scale";

    // A clipped waveform shows as a run of equal values at a loud level;
    // even the saturated crest of a 45 Hz sine stays far shorter than this.
    size_t longestFlat = 0;
    for (size_t i = 0, run = 1; i + 1 < values_.size(); ++i) {
        run = (values_[i] == values_[i + 1] && std::abs(int{values_[i]}) > 16000) ? run + 1 : 1;
        longestFlat = std::max(longestFlat, run);
    }
    EXPECT_LT(longestFlat, 16u) << "flat top";
}

TEST_P(KitSample, StartsAndEndsWithoutAClickOrOffset) {
    EXPECT_LT(std::abs(int{values_.front()}), 200);
    EXPECT_LT(std::abs(int{values_.back()}), 200);

    double sum = 0;
    for (int16_t v : values_) sum += v;
    EXPECT_LT(std::abs(sum / values_.size()), 100.0) << "DC offset";
}

std::string testName(const testing::TestParamInfo<std::string>& info) {
    std::string name;
    for (char c : info.param)
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(drumKit, KitSample, testing::ValuesIn(kitFiles()), testName);
// An empty folder is reported by the kit tests below, not as a setup error.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(KitSample);

TEST(drumKit, HoldsTheFourChannelDefaultsAndAFullKit) {
    const auto files = kitFiles();
    const std::set<std::string> present(files.begin(), files.end());
    // Exact names and case: start-up loads these into channels 0 to 3.
    for (const char* name :
         {"BD_02.WAV", "CLAP_02.WAV", "909 Closed Hihat.WAV", "909 Open Hihat+Rvrb.WAV"})
        EXPECT_TRUE(present.count(name)) << name << " missing";
    EXPECT_GE(files.size(), 16u);
}

TEST(drumKit, StaysSmall) {
    uintmax_t total = 0;
    for (const auto& name : kitFiles()) total += fs::file_size(KitDir / name);
    EXPECT_LT(total, 1'500'000u);
}

}  // namespace
