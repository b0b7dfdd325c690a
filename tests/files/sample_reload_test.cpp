// Reloading a song's samples: which channels load, and for those that do
// not, the reason the user is told.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstring>
#include <fstream>

#include "engine/song_ops.h"
#include "files/sample_reload.h"
#include "tests/files/wave_bytes.h"
#include "tests/support/child_process.h"
#include "tests/support/unusual_files.h"
#include "tests/support/test_song.h"

// An allocation refused under the address-space limit must come back as
// null, as it does without a sanitizer, instead of ending the test.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}
extern "C" const char* __tsan_default_options() {
    return "allocator_may_return_null=1";
}

namespace tamboro {
namespace {

using test::Bytes;
using test::ScratchDir;
using test::operator+;

Bytes smallWave(uint16_t channels) {
    return test::riff("WAVE", test::chunk("fmt ", test::pcmFormat(channels)) +
                                  test::chunk("data", test::pattern(64)));
}

// A valid file of `dataBytes` zero sample bytes, written sparse.
void putLargeWave(const std::filesystem::path& path, uint32_t dataBytes) {
    const Bytes header = test::text("RIFF") + test::le32(36 + dataBytes) + test::text("WAVE") +
                         test::chunk("fmt ", test::pcmFormat(2)) + test::text("data") +
                         test::le32(dataBytes);
    test::writeFile(path, header);
    std::filesystem::resize_file(path, header.size() + dataBytes);
}

void setNames(SongState& song, const std::vector<std::string>& names) {
    for (int c = 0; c < ChannelCount; ++c)
        std::strcpy(song.sampleName[c].data(), c < static_cast<int>(names.size()) ? names[c].c_str() : "");
}

struct Reported {
    int channel;
    std::string name;
    SampleProblem problem;
};

std::vector<Reported> reload(SongState& song, const std::filesystem::path& folder) {
    std::vector<Reported> reported;
    reloadSamples(song, folder, [&](const SampleLoadFailure& failure) {
        reported.push_back({failure.channel, std::string(failure.name), failure.problem});
    });
    return reported;
}

TEST(SampleReload, LoadsByNameAndClearsTheFailedOnesInChannelOrder) {
    ScratchDir dir;
    dir.put("mono.wav", smallWave(1));
    dir.put("Stereo.WAV", smallWave(2));
    dir.put("broken.wav", Bytes{'R', 'I', 'F', 'F'});

    SongState song;
    newSong(song);
    setNames(song, {"mono.wav", "gone-1.wav", "", "STEREO.wav", "broken.wav", "", "gone-2.wav", ""});
    test::installSample(song, 5, {1, 2, 3});  // an empty name empties the slot

    const std::vector<Reported> reported = reload(song, dir / "");
    ASSERT_EQ(reported.size(), 3u);
    EXPECT_EQ(reported[0].channel, 1);
    EXPECT_EQ(reported[0].name, "gone-1.wav");
    EXPECT_EQ(reported[1].channel, 4);
    EXPECT_EQ(reported[1].name, "broken.wav");
    EXPECT_EQ(reported[2].channel, 6);
    EXPECT_EQ(reported[2].name, "gone-2.wav");
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

TEST(SampleReload, EachFailureGivesItsOwnReason) {
    ScratchDir dir;
    const Bytes fmt = test::chunk("fmt ", test::pcmFormat());
    dir.put("notes.wav", Bytes{'h', 'e', 'l', 'l', 'o', '\n'});
    dir.put("movie.wav", test::riff("AVI ", fmt));
    dir.put("cut.wav", test::chunkStating("RIFF", 1000, test::text("WAVE") + fmt +
                                                          test::chunkStating("data", 900, test::pattern(100))));
    dir.put("nodata.wav", test::riff("WAVE", fmt));
    // States 2 GiB of data: more than a channel can hold, refused unread.
    dir.put("huge.wav", test::riff("WAVE", fmt + test::chunkStating("data", 0x80000000u, {})));

    SongState song;
    newSong(song);
    setNames(song, {"missing.wav", "notes.wav", "movie.wav", "cut.wav", "nodata.wav", "huge.wav"});
    const std::vector<Reported> reported = reload(song, dir / "");
    ASSERT_EQ(reported.size(), 6u);
    const SampleProblem expected[] = {SampleProblem::NotFound, SampleProblem::NotWave,
                                      SampleProblem::NotWave,  SampleProblem::Damaged,
                                      SampleProblem::Damaged,  SampleProblem::TooLarge};
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(reported[c].channel, c);
        EXPECT_EQ(reported[c].problem, expected[c]) << reported[c].name;
    }
}

// A name that gives a folder, a named pipe or a device is reported as what
// it is, without waiting on the pipe, and the channel stays silent.
TEST(SampleReload, NamesOfWhatIsNoFileSayWhatItIs) {
    ScratchDir dir;
    std::filesystem::create_directory(dir / "Kick.wav");
    ASSERT_TRUE(test::makeFifo(dir / "pipe.wav"));
    std::filesystem::create_symlink("/dev/null", dir / "null.wav");
    test::BoundSocket socket(dir / "socket.wav");
    ASSERT_TRUE(socket.bound());

    const int result = test::runWithin(20, [&] {
        SongState song;
        newSong(song);
        setNames(song, {"KICK.WAV", "pipe.wav", "null.wav", "socket.wav", "gone.wav"});
        const std::vector<Reported> reported = reload(song, dir / "");
        const SampleProblem expected[] = {SampleProblem::IsFolder, SampleProblem::IsNamedPipe,
                                          SampleProblem::IsDevice, SampleProblem::IsSocket,
                                          SampleProblem::NotFound};
        if (reported.size() != 5u)
            return 100;
        for (int c = 0; c < 5; ++c) {
            if (reported[c].problem != expected[c])
                return 10 + c;
            if (song.slots[c].sampleData || song.sampleName[c][0] != '\0')
                return 20 + c;
        }
        return 0;
    });
    EXPECT_EQ(result, 0) << (result < 0 ? "the reload waited or crashed"
                                        : "10 + channel: wrong reason; 20 + channel: not silent");

}

// Where a file and a folder differ only in case, the file is the sample.
TEST(SampleReload, AFileWinsOverAFolderOfTheSameNameInAnotherCase) {
    ScratchDir dir;
    std::filesystem::create_directory(dir / "KICK.WAV");  // first in byte order
    dir.put("kick.wav", smallWave(1));
    SongState song;
    newSong(song);
    setNames(song, {"Kick.wav"});
    EXPECT_TRUE(reload(song, dir / "").empty());
    EXPECT_TRUE(song.slots[0].sampleData);
}

// The address space this process has mapped now.
uint64_t mappedBytes() {
    std::ifstream statm("/proc/self/statm");
    uint64_t pages = 0;
    statm >> pages;
    return pages * static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
}

// Exit status of the child: 0 when every channel either loaded or failed
// for want of memory, and both happened; otherwise a code naming the fault.
int reloadUnderAddressLimit(const std::filesystem::path& folder, uint64_t headroom) {
    auto song = std::make_unique<SongState>();
    newSong(*song);
    setNames(*song, std::vector<std::string>(ChannelCount, "big.wav"));
    const rlimit limit{mappedBytes() + headroom, RLIM_INFINITY};
    if (::setrlimit(RLIMIT_AS, &limit) != 0)
        return 90;
    int outOfMemory = 0;
    int otherReasons = 0;
    reloadSamples(*song, folder, [&](const SampleLoadFailure& failure) {
        if (failure.problem == SampleProblem::OutOfMemory)
            ++outOfMemory;
        else
            ++otherReasons;
    });
    int loaded = 0;
    for (const SampleSlot& slot : song->slots)
        loaded += slot.sampleData ? 1 : 0;
    if (otherReasons != 0)
        return 10 + otherReasons;
    if (loaded + outOfMemory != ChannelCount)
        return 30;
    if (outOfMemory == 0)
        return 40;
    if (loaded == 0)
        return 50;
    return 0;
}

TEST(SampleReload, RunningOutOfMemoryIsReportedAsSuchOnEveryChannel) {
    ScratchDir dir;
    constexpr uint32_t SampleBytes = 48u << 20;
    putLargeWave(dir / "big.wav", SampleBytes);
    // Room for about two copies: the first channels load, every later one
    // runs out of memory, whichever allocation fails first.
    EXPECT_EQ(test::runInChild([&] { return reloadUnderAddressLimit(dir / "", 5 * (SampleBytes / 2)); }), 0);
}

}  // namespace
}  // namespace tamboro
