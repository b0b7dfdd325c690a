// Writing a render or a song never destroys what was there before: a failed
// write leaves an existing file byte for byte and no partial file, a
// finished one replaces it, and an output that is one of the render's own
// inputs is found before anything is written.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstring>

#include "engine/song_ops.h"
#include "files/file_replacement.h"
#include "files/output_checks.h"
#include "files/stream_to_disk.h"
#include "tests/support/child_process.h"
#include "tests/files/wave_bytes.h"
#include "tests/support/test_song.h"

namespace tamboro {
namespace {

using test::Bytes;
using test::ScratchDir;

using test::newSongState;


std::vector<std::string> entriesOf(const ScratchDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir / ""))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Limits the files this process may write to `bytes`; writing past it then
// fails with EFBIG instead of ending the process.
bool limitFileSize(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

// In a child under a file-size limit: the errno the render failed with, 100
// when it succeeded, 101 when the limit could not be set.
int streamUnderFileSizeLimit(SongState& song, const std::filesystem::path& path, rlim_t bytes) {
    if (!limitFileSize(bytes))
        return 101;
    int error = 0;
    return streamToDisk(song, test::testMixBuffer(), path, &error) == 1 ? 100 : error;
}

TEST(OutputSafety, FailedRenderKeepsTheExistingFileAndLeavesNoPartialFile) {
    ScratchDir dir;
    auto song = newSongState();  // 16 steps: a file of 352,312 bytes
    const Bytes previous = test::pattern(5000);
    dir.put("out.wav", previous);

    // The limit cuts the render off in the middle of its data.
    EXPECT_EQ(test::runInChild([&] { return streamUnderFileSizeLimit(*song, dir / "out.wav", 100000); }), EFBIG);
    EXPECT_EQ(test::readFile(dir / "out.wav"), previous);
    EXPECT_EQ(entriesOf(dir), std::vector<std::string>{"out.wav"});

    // Without a previous file, nothing at all is left.
    EXPECT_EQ(test::runInChild([&] { return streamUnderFileSizeLimit(*song, dir / "new.wav", 100000); }), EFBIG);
    EXPECT_EQ(entriesOf(dir), std::vector<std::string>{"out.wav"});

    // The same render without the limit replaces the file.
    ASSERT_EQ(streamToDisk(*song, test::testMixBuffer(), dir / "out.wav"), 1);
    EXPECT_EQ(std::filesystem::file_size(dir / "out.wav"), 352312u);
    EXPECT_EQ(entriesOf(dir), std::vector<std::string>{"out.wav"});
}

TEST(OutputSafety, ReplacingFollowsLinksAndKeepsPermissions) {
    ScratchDir dir;
    auto song = newSongState();
    ASSERT_EQ(streamToDisk(*song, test::testMixBuffer(), dir / "fresh.wav"), 1);
    const Bytes render = test::readFile(dir / "fresh.wav");

    dir.put("real.wav", test::pattern(10));
    ::chmod((dir / "real.wav").c_str(), 0640);
    std::filesystem::create_symlink("real.wav", dir / "link.wav");
    ASSERT_EQ(streamToDisk(*song, test::testMixBuffer(), dir / "link.wav"), 1);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.wav"));
    EXPECT_EQ(test::readFile(dir / "real.wav"), render);
    struct stat info {};
    ASSERT_EQ(::stat((dir / "real.wav").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(entriesOf(dir), (std::vector<std::string>{"fresh.wav", "link.wav", "real.wav"}));

    // Something that is not a regular file (here a pipe; a device alike) is
    // written in place, never swapped for a file. A pipe cannot be written at
    // offsets, so the render fails.
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    EXPECT_EQ(streamToDisk(*song, test::testMixBuffer(), dir / "pipe"), 0);
    EXPECT_TRUE(std::filesystem::is_fifo(dir / "pipe"));
    EXPECT_EQ(entriesOf(dir), (std::vector<std::string>{"fresh.wav", "link.wav", "pipe", "real.wav"}));
}

TEST(OutputSafety, ProbeNamesWhyAnOutputCannotBeWritten) {
    ScratchDir dir;
    dir.put("file", {1});
    std::filesystem::create_directories(dir / "folder");
    EXPECT_EQ(probeReplacement(dir / "out.wav"), 0);
    EXPECT_EQ(probeReplacement(dir / "file"), 0);  // an existing file may be replaced
    EXPECT_EQ(probeReplacement(dir / "missing" / "out.wav"), ENOENT);
    EXPECT_EQ(probeReplacement(dir / "file" / "out.wav"), ENOTDIR);
    EXPECT_EQ(probeReplacement(dir / "folder"), EISDIR);
    EXPECT_EQ(probeReplacement(dir / (std::string(300, 'x') + ".wav")), ENAMETOOLONG);
    // A name just short enough for the system still gets its temporary file.
    EXPECT_EQ(probeReplacement(dir / (std::string(251, 'x') + ".wav")), 0);
    EXPECT_EQ(entriesOf(dir), (std::vector<std::string>{"file", "folder"}));
}

TEST(OutputSafety, FindsAnOutputThatIsTheSongOrOneOfItsSamples) {
    ScratchDir dir;
    std::filesystem::create_directories(dir / "Samples" / "Kit");
    std::filesystem::create_directories(dir / "Songs");
    dir.put("Samples/Kit/Snare.wav", {1});
    dir.put("Samples/Kick.wav", {1});
    dir.put("Songs/beat.sng", {1});
    std::filesystem::create_symlink("../Samples/Kit/Snare.wav", dir / "Songs" / "snare-link.wav");
    std::filesystem::create_symlink("beat.sng", dir / "Songs" / "beat-link.sng");
    std::filesystem::create_hard_link(dir / "Samples" / "Kick.wav", dir / "Songs" / "kick-copy.wav");

    SongState song;
    newSong(song);
    std::strcpy(song.sampleName[2].data(), "kit\\snare.WAV");
    std::strcpy(song.sampleName[5].data(), "Kick.wav");
    const auto songFile = dir / "Songs" / "beat.sng";
    const auto samples = dir / "Samples";

    const auto clash = [&](const std::string& output) {
        const auto found = findOutputClash(song, songFile, samples, dir / output);
        return found ? found->channel : -99;
    };
    EXPECT_EQ(clash("Songs/beat.sng"), -1);
    EXPECT_EQ(clash("Songs/beat-link.sng"), -1);
    EXPECT_EQ(clash("Songs/../Songs/beat.sng"), -1);
    EXPECT_EQ(clash("Samples/Kit/Snare.wav"), 2);  // found in any case, as the song loads it
    EXPECT_EQ(clash("Songs/snare-link.wav"), 2);
    EXPECT_EQ(clash("Songs/kick-copy.wav"), 5);    // a hard link is the same file
    EXPECT_EQ(clash("Samples/Other.wav"), -99);
    EXPECT_EQ(clash("Songs/new.wav"), -99);
    EXPECT_FALSE(findOutputClash(song, {}, samples, dir / "Songs" / "beat.sng"));  // no song file given
}

}  // namespace
}  // namespace tamboro
