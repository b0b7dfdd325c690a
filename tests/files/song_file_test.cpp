// The song file: its exact bytes, the round trip, and files that must be
// refused without touching the song.

#include <gtest/gtest.h>

#include <cstring>

#include "engine/mixer.h"
#include "engine/song_ops.h"
#include "files/song_file.h"
#include "tests/files/wave_bytes.h"
#include "tests/support/child_process.h"
#include "tests/support/unusual_files.h"

namespace tamboro {
namespace {

using test::Bytes;
using test::ScratchDir;

int16_t i16At(const Bytes& bytes, size_t offset) {
    return static_cast<int16_t>(bytes.at(offset) | bytes.at(offset + 1) << 8);
}

void putI16(Bytes& bytes, size_t offset, int16_t value) {
    bytes.at(offset) = static_cast<uint8_t>(value & 0xFF);
    bytes.at(offset + 1) = static_cast<uint8_t>((value >> 8) & 0xFF);
}

// Everything a load may change, to see that a refused file changed nothing.
struct Snapshot {
    int16_t tempo, songLength, shuffle;
    std::array<int16_t, ChannelCount> volume, distortion, overdrive;
    std::array<int32_t, ChannelCount> dstQuadratic;
    std::array<SampleName, ChannelCount> names;
    std::array<uint8_t, GridCells> grid;
    explicit Snapshot(const SongState& s)
        : tempo(s.tempo), songLength(s.songLength), shuffle(s.shuffle), volume(s.volume),
          distortion(s.distortion), overdrive(s.overdrive), dstQuadratic(s.dstQuadratic),
          names(s.sampleName), grid(s.stepGrid) {}
    bool operator==(const Snapshot&) const = default;
};

TEST(SongFile, StartUpSongHasTheFixedLayout) {
    ScratchDir dir;
    SongState song;
    newSong(song);
    ASSERT_EQ(saveSong(song, dir / "start.sng"), 0);
    const Bytes bytes = test::readFile(dir / "start.sng");
    ASSERT_EQ(bytes.size(), 1248u);
    EXPECT_EQ(std::memcmp(bytes.data(), "TM1\0", 4), 0);
    const int16_t header[] = {1, 8, 120, 16, 0, 64};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(i16At(bytes, 4 + 2 * i), header[i]) << "header value " << i;
    const int16_t volumes[] = {64, 64, 32, 24, 64, 64, 64, 64};
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(i16At(bytes, 48 + 2 * c), volumes[c]);
        EXPECT_EQ(i16At(bytes, 64 + 2 * c), c == 0 ? 48 : 0);
        EXPECT_EQ(i16At(bytes, 80 + 2 * c), 0);
    }
    EXPECT_STREQ(reinterpret_cast<const char*>(&bytes[96 + 128 * 2]), "909 Closed Hihat.WAV");
    EXPECT_EQ(bytes[1120 + 4 * 8 + 0], 1);  // kick on step 4
    EXPECT_EQ(bytes[1120 + 4 * 8 + 3], 0);
}

TEST(SongFile, SaveAndLoadRestoreTheSongAndNothingElse) {
    ScratchDir dir;
    SongState saved;
    newSong(saved);
    saved.tempo = 137;
    saved.songLength = 48;
    saved.shuffle = 12;
    for (int c = 0; c < ChannelCount; ++c) {
        saved.volume[c] = static_cast<int16_t>(8 * c);
        saved.distortion[c] = static_cast<int16_t>(64 - 8 * c);
        updateDistortionCurve(saved, c);
        saved.overdrive[c] = static_cast<int16_t>(c * 9 % 65);
        std::snprintf(saved.sampleName[c].data(), SampleNameBytes, "Kit\\sound %d.WAV", c);
    }
    for (int i = 0; i < GridCells; ++i)
        saved.stepGrid[i] = static_cast<uint8_t>((i * 37 % 11) == 0);
    ASSERT_EQ(saveSong(saved, dir / "song.sng"), 0);
    EXPECT_EQ(std::filesystem::file_size(dir / "song.sng"), 1120u + 8 * 48);

    SongState loaded;
    loaded.pitch[2] = -7;
    loaded.panLeft[1] = 10;
    loaded.currentPattern = 6;
    loaded.stepGrid.fill(1);  // steps 48.. keep what they held
    ASSERT_EQ(loadSong(loaded, dir / "song.sng"), SongLoadResult::Loaded);
    EXPECT_EQ(loaded.tempo, 137);
    EXPECT_EQ(loaded.songLength, 48);
    EXPECT_EQ(loaded.shuffle, 12);
    EXPECT_EQ(loaded.volume, saved.volume);
    EXPECT_EQ(loaded.distortion, saved.distortion);
    EXPECT_EQ(loaded.dstQuadratic, saved.dstQuadratic);
    EXPECT_EQ(loaded.dstLinear, saved.dstLinear);
    EXPECT_EQ(loaded.overdrive, saved.overdrive);
    EXPECT_EQ(loaded.sampleName, saved.sampleName);
    EXPECT_TRUE(std::equal(saved.stepGrid.begin(), saved.stepGrid.begin() + 48 * 8,
                           loaded.stepGrid.begin()));
    for (int i = 48 * 8; i < GridCells; ++i)
        ASSERT_EQ(loaded.stepGrid[i], 1);
    EXPECT_EQ(loaded.pitch[2], -7);
    EXPECT_EQ(loaded.panLeft[1], 10);
    EXPECT_EQ(loaded.currentPattern, 6);
}

TEST(SongFile, DamagedFilesAreRefusedAndChangeNothing) {
    ScratchDir dir;
    SongState source;
    newSong(source);
    ASSERT_EQ(saveSong(source, dir / "good.sng"), 0);
    const Bytes good = test::readFile(dir / "good.sng");

    auto withValue = [&](size_t offset, int16_t value) {
        Bytes bytes = good;
        putI16(bytes, offset, value);
        return bytes;
    };
    const struct {
        const char* what;
        Bytes bytes;
        SongLoadResult result;
    } cases[] = {
        {"empty", Bytes{}, SongLoadResult::TooShort},
        {"header cut", Bytes(good.begin(), good.begin() + 40), SongLoadResult::TooShort},
        {"grid cut", Bytes(good.begin(), good.end() - 1), SongLoadResult::TooShort},
        {"longer song than bytes", withValue(10, 32), SongLoadResult::TooShort},
        {"tempo 0", withValue(8, 0), SongLoadResult::BadTempo},
        {"tempo negative", withValue(8, -120), SongLoadResult::BadTempo},
        {"length 0", withValue(10, 0), SongLoadResult::BadLength},
        {"length 129", withValue(10, 129), SongLoadResult::BadLength},
        {"length negative", withValue(10, -16), SongLoadResult::BadLength},
    };
    for (const auto& c : cases) {
        SongState song;
        song.tempo = 99;
        song.stepGrid[5] = 7;
        std::strcpy(song.sampleName[6].data(), "keep.wav");
        const Snapshot before(song);
        EXPECT_EQ(loadSong(song, dir.put("bad.sng", c.bytes)), c.result) << c.what;
        EXPECT_TRUE(Snapshot(song) == before) << c.what;
    }
    SongState song;
    EXPECT_EQ(loadSong(song, dir / "missing.sng"), SongLoadResult::OpenFailed);
}

// A folder, a named pipe without a writer, a device and a socket are refused
// at once, each with its own result, and the song stays as it was.
TEST(SongFile, WhatIsNoRegularFileIsRefusedWithoutWaiting) {
    ScratchDir dir;
    ASSERT_TRUE(test::makeFifo(dir / "pipe.sng"));
    test::BoundSocket socket(dir / "socket.sng");
    ASSERT_TRUE(socket.bound());
    struct Case {
        std::filesystem::path path;
        SongLoadResult result;
    };
    const Case cases[] = {
        {dir / "", SongLoadResult::IsFolder},
        {dir / "pipe.sng", SongLoadResult::IsNamedPipe},
        {"/dev/null", SongLoadResult::IsDevice},
        {dir / "socket.sng", SongLoadResult::IsSocket},
    };
    for (const Case& c : cases) {
        const int result = test::runWithin(10, [&] {
            SongState song;
            song.tempo = 99;
            const Snapshot before(song);
            return loadSong(song, c.path) == c.result && Snapshot(song) == before ? 0 : 1;
        });
        EXPECT_EQ(result, 0) << c.path << (result < 0 ? ": the load waited" : ": not refused so");
    }
}

TEST(SongFile, OutOfRangeValuesAreMadeSafe) {
    ScratchDir dir;
    SongState source;
    newSong(source);
    ASSERT_EQ(saveSong(source, dir / "good.sng"), 0);
    Bytes bytes = test::readFile(dir / "good.sng");
    std::memcpy(bytes.data(), "XYZ!", 4);  // other magic still loads
    putI16(bytes, 4, 99);
    putI16(bytes, 48, -5);     // VOL
    putI16(bytes, 50, 200);    // VOL
    putI16(bytes, 64, 1000);   // DST
    putI16(bytes, 80, -32768); // OVR
    std::memset(&bytes[96 + 128 * 7], 'A', 128);  // a name without its end
    bytes.push_back(0xEE);     // trailing bytes are ignored

    SongState song;
    ASSERT_EQ(loadSong(song, dir.put("odd.sng", bytes)), SongLoadResult::Loaded);
    EXPECT_EQ(song.volume[0], 0);
    EXPECT_EQ(song.volume[1], 64);
    EXPECT_EQ(song.distortion[0], 64);
    EXPECT_EQ(song.dstQuadratic[0], -51434);
    EXPECT_EQ(song.overdrive[0], 0);
    EXPECT_EQ(std::strlen(song.sampleName[7].data()), 127u);
}

TEST(SongFile, FailedSaveKeepsThePreviousFile) {
    ScratchDir dir;
    SongState song;
    newSong(song);
    ASSERT_EQ(saveSong(song, dir / "song.sng"), 0);
    song.tempo = 200;
    ASSERT_EQ(saveSong(song, dir / "song.sng"), 0);  // replaces, not appends
    EXPECT_EQ(std::filesystem::file_size(dir / "song.sng"), 1248u);
    SongState check;
    ASSERT_EQ(loadSong(check, dir / "song.sng"), SongLoadResult::Loaded);
    EXPECT_EQ(check.tempo, 200);
    const Bytes before = test::readFile(dir / "song.sng");

    // A save that fails while writing, beside the existing file: a child
    // process may write no more than 1,000 bytes, and the song needs 2,144.
    song.songLength = 128;
    song.tempo = 90;
    const int childResult = test::runInChild({.fileSizeBytes = 1000}, [&] {
        return saveSong(song, dir / "song.sng") != 0 ? 1 : 0;
    });
    EXPECT_EQ(childResult, 1) << "the save under the file-size limit did not report its failure";
    EXPECT_EQ(test::readFile(dir / "song.sng"), before) << "the previous file was damaged";

    // The target cannot be replaced (it is a folder that holds a file).
    std::filesystem::create_directories(dir / "taken.sng" / "inside");
    EXPECT_NE(saveSong(song, dir / "taken.sng"), 0);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "taken.sng" / "inside"));
    // The folder does not exist.
    EXPECT_NE(saveSong(song, dir / "nowhere" / "song.sng"), 0);
    // No temporary file is left behind.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir / ""))
        ++entries;
    EXPECT_EQ(entries, 2);
}

}  // namespace
}  // namespace tamboro
