// Finding a song's samples by name, and reloading them after a song opens.

#include <gtest/gtest.h>

#include <cstring>

#include "engine/song_ops.h"
#include "files/sample_names.h"
#include "files/sample_reload.h"
#include "tests/files/wave_bytes.h"
#include "tests/support/test_song.h"

namespace tamboro {
namespace {

using test::ScratchDir;

test::Bytes smallWave(uint16_t channels) {
    using test::operator+;
    return test::riff("WAVE", test::chunk("fmt ", test::pcmFormat(channels)) +
                                  test::chunk("data", test::pattern(64)));
}

TEST(SampleNames, ResolvesExactCaseInsensitiveAndSubFolderNames) {
    ScratchDir dir;
    std::filesystem::create_directories(dir / "Kit" / "Snares");
    dir.put("BD_02.WAV", smallWave(1));
    dir.put("Kit/Snares/Tight Snare.wav", smallWave(1));
    const auto folder = dir / "";

    EXPECT_EQ(resolveSampleName(folder, "BD_02.WAV"), folder / "BD_02.WAV");
    EXPECT_EQ(resolveSampleName(folder, "bd_02.wav"), folder / "BD_02.WAV");
    EXPECT_EQ(resolveSampleName(folder, "kit\\SNARES\\tight snare.WAV"),
              folder / "Kit" / "Snares" / "Tight Snare.wav");
    EXPECT_EQ(resolveSampleName(folder, "Kit/Snares/Tight Snare.wav"),
              folder / "Kit" / "Snares" / "Tight Snare.wav");

    EXPECT_FALSE(resolveSampleName(folder, "missing.wav"));
    EXPECT_FALSE(resolveSampleName(folder, "Kit"));  // a folder is no sample
    EXPECT_FALSE(resolveSampleName(folder, ""));
    // Names from a song file may not leave the folder.
    EXPECT_FALSE(resolveSampleName(folder / "Kit", "..\\BD_02.WAV"));
    EXPECT_FALSE(resolveSampleName(folder, "\\etc\\passwd"));
    EXPECT_FALSE(resolveSampleName(folder, "C:\\BD_02.WAV"));
}

TEST(SampleReload, LoadsByNameAndClearsTheMissingOnesInChannelOrder) {
    ScratchDir dir;
    dir.put("mono.wav", smallWave(1));
    dir.put("Stereo.WAV", smallWave(2));
    dir.put("broken.wav", test::Bytes{'R', 'I', 'F', 'F'});

    SongState song;
    newSong(song);
    const char* names[] = {"mono.wav", "gone-1.wav", "", "STEREO.wav",
                           "broken.wav", "", "gone-2.wav", ""};
    for (int c = 0; c < ChannelCount; ++c)
        std::strcpy(song.sampleName[c].data(), names[c]);
    test::installSample(song, 5, {1, 2, 3});  // an empty name empties the slot

    std::vector<std::string> warnings;
    reloadSamples(song, dir / "", [&](const std::string& name) { warnings.push_back(name); });

    EXPECT_EQ(warnings, (std::vector<std::string>{"gone-1.wav", "broken.wav", "gone-2.wav"}));
    EXPECT_TRUE(song.slots[0].sampleData);
    EXPECT_EQ(song.slots[0].stereo, 0);
    EXPECT_EQ(song.slots[0].sampleLength, 64);
    EXPECT_TRUE(song.slots[3].sampleData);
    EXPECT_EQ(song.slots[3].stereo, 1);
    for (int c : {1, 2, 4, 5, 6, 7})
        EXPECT_FALSE(song.slots[c].sampleData) << c;
    EXPECT_STREQ(song.sampleName[1].data(), "");
    EXPECT_STREQ(song.sampleName[4].data(), "");
    EXPECT_STREQ(song.sampleName[3].data(), "STEREO.wav");  // the name stays as written
}

}  // namespace
}  // namespace tamboro
