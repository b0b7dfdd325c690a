// Stream To Disk: the file's exact layout and length, that it holds what
// playback renders, and that failures are reported and leave the clock sane.

#include <gtest/gtest.h>

#include <cstring>

#include "engine/song_ops.h"
#include "engine/step_clock.h"
#include "files/stream_to_disk.h"
#include "files/wave_reader.h"
#include "tests/files/wave_bytes.h"
#include "tests/support/test_song.h"

namespace tamboro {
namespace {

using test::Bytes;
using test::ScratchDir;

using test::newSongState;


TEST(StreamToDisk, SixteenStepsAtTempo120GiveTheExactFile) {
    ScratchDir dir;
    auto song = newSongState();
    ASSERT_EQ(streamToDisk(*song, test::testMixBuffer(), dir / "out.wav"), 1);
    const Bytes bytes = test::readFile(dir / "out.wav");
    ASSERT_EQ(bytes.size(), 352312u);
    const uint8_t header[56] = {
        'R', 'I', 'F', 'F', 0x30, 0x60, 0x05, 0x00, 'W', 'A', 'V', 'E',
        'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 0x02, 0,
        4, 0, 16, 0, 'f', 'a', 'c', 't', 4, 0, 0, 0, 0x00, 0x80, 0, 0,
        'd', 'a', 't', 'a', 0x00, 0x60, 0x05, 0x00};
    EXPECT_EQ(std::memcmp(bytes.data(), header, sizeof header), 0);
    EXPECT_EQ(song->stopAtEnd, 0);
    EXPECT_EQ(song->endReached, 1);
    EXPECT_EQ(song->stepCounter, 0u);
}

TEST(StreamToDisk, FileHoldsExactlyWhatPlaybackRenders) {
    ScratchDir dir;
    auto song = newSongState();
    test::installSample(*song, 0, std::vector<int16_t>(3000, 9000));
    test::installSample(*song, 2, {100, -200, 300, -400, 500, -600}, true);
    song->shuffle = 40;
    song->pitch[0] = 3;
    ASSERT_EQ(streamToDisk(*song, test::testMixBuffer(), dir / "out.wav"), 1);

    // The same song played: renderHalf after resetVoices, wrapping endlessly.
    auto live = std::make_unique<SongState>();
    newSong(*live);
    test::installSample(*live, 0, std::vector<int16_t>(3000, 9000));
    test::installSample(*live, 2, {100, -200, 300, -400, 500, -600}, true);
    live->shuffle = 40;
    live->pitch[0] = 3;
    resetVoices(*live);

    LoadedWave wave;
    ASSERT_EQ(loadWaveFile(dir / "out.wav", wave), 0u);
    ASSERT_EQ(wave.format->channels, 2);  // the fact chunk was skipped
    ASSERT_EQ(wave.length % 256, 0u);
    ASSERT_GT(wave.length, 352256u);      // shuffle lengthened the song
    std::vector<int16_t> half(HalfBytes / 2);
    for (uint32_t offset = 0; offset < wave.length; offset += HalfBytes) {
        renderHalf(*live, half.data());
        const uint32_t bytes = std::min<uint32_t>(HalfBytes, wave.length - offset);
        ASSERT_EQ(std::memcmp(half.data(), wave.data.get() + offset / 2, bytes), 0)
            << "at byte " << offset;
    }
}

TEST(StreamToDisk, SongOfWholeHalvesEndsAfterAFullCall) {
    ScratchDir dir;
    auto song = newSongState();
    song->tempo = 318;  // 16 x 32 Blocks = 4 halves
    ASSERT_EQ(streamToDisk(*song, test::testMixBuffer(), dir / "out.wav"), 1);
    EXPECT_EQ(std::filesystem::file_size(dir / "out.wav"), 56u + 4 * 32768);
}

TEST(StreamToDisk, SongWithoutSamplesIsSilenceOfFullLength) {
    ScratchDir dir;
    auto song = newSongState();
    song->songLength = 32;
    ASSERT_EQ(streamToDisk(*song, test::testMixBuffer(), dir / "out.wav"), 1);
    const Bytes bytes = test::readFile(dir / "out.wav");
    ASSERT_EQ(bytes.size(), 56u + 32 * 86 * 256);
    EXPECT_TRUE(std::all_of(bytes.begin() + 56, bytes.end(), [](uint8_t b) { return b == 0; }));
}

TEST(StreamToDisk, FailuresReturnZeroAndLeavePlaybackAbleToWrap) {
    ScratchDir dir;
    auto song = newSongState();
    EXPECT_EQ(streamToDisk(*song, test::testMixBuffer(), dir / "missing" / "out.wav"), 0);
    EXPECT_EQ(song->stopAtEnd, 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "missing" / "out.wav"));

    // A device that takes nothing: the failed write is noticed.
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_EQ(streamToDisk(*song, test::testMixBuffer(), "/dev/full"), 0);
        EXPECT_EQ(song->stopAtEnd, 0);
    }

    // Without a MixBuffer nothing is rendered and no file is made.
    auto bare = std::make_unique<SongState>();
    newSong(*bare);
    EXPECT_EQ(streamToDisk(*bare, nullptr, dir / "none.wav"), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "none.wav"));
    EXPECT_EQ(bare->stopAtEnd, 0);

    // After a render, live playback wraps at the end as usual.
    ASSERT_EQ(streamToDisk(*song, test::testMixBuffer(), dir / "ok.wav"), 1);
    resetVoices(*song);
    std::vector<int16_t> half(HalfBytes / 2);
    for (int call = 0; call < 11; ++call)
        EXPECT_EQ(renderHalf(*song, half.data()), 32768u);
}

}  // namespace
}  // namespace tamboro
