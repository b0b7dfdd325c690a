// What the command line does around the user's own files: it never writes
// over the song or its samples, a failed write changes nothing, the output
// is checked before samples are loaded, and every message says why, with
// names and paths made safe for the terminal.

#include <gtest/gtest.h>

#include <cstring>

#include "files/wave_reader.h"
#include "tests/cli/run_tamboro.h"
#include "tests/files/wave_bytes.h"
#include "tests/support/unusual_files.h"

namespace tamboro {
namespace {

using test::Bytes;
using test::runTamboro;

const std::filesystem::path Golden = std::filesystem::path(TAMBORO_SOURCE_DIR) / "tests/cli/golden";

// A scratch folder holding the golden song as song.sng and its Samples.
struct SongFolder : test::ScratchDir {
    SongFolder() {
        std::filesystem::copy(Golden / "Samples", *this / "Samples",
                              std::filesystem::copy_options::recursive);
        std::filesystem::copy_file(Golden / "golden.sng", *this / "song.sng");
    }
};

// The folder's entries but the captured output of runTamboro.
std::vector<std::string> entriesOf(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name != ".stdout" && name != ".stderr")
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

long lines(const std::string& text) {
    return std::count(text.begin(), text.end(), '\n');
}

TEST(CommandLineOutput, NeverWritesOverTheSongOrItsSamples) {
    SongFolder dir;
    std::filesystem::create_symlink("song.sng", dir / "song-link.wav");
    std::filesystem::create_symlink("Samples/Kick.wav", dir / "kick-link.wav");
    const Bytes song = test::readFile(dir / "song.sng");
    const Bytes kick = test::readFile(dir / "Samples" / "Kick.wav");
    const Bytes clave = test::readFile(dir / "Samples" / "Perc" / "Clave.wav");
    const std::vector<std::string> before = entriesOf(dir / "");

    const std::pair<std::string, std::string> cases[] = {
        {"song.sng", "the song file being rendered"},
        {"song-link.wav", "the song file being rendered"},
        {"Samples/Kick.wav", "the sample of channel 0 (Kick.wav)"},
        {"kick-link.wav", "the sample of channel 0 (Kick.wav)"},
        // The song names it perc\clave.WAV, found in any case.
        {"Samples/Perc/Clave.wav", "the sample of channel 3 (perc\\clave.WAV)"},
    };
    for (const auto& [output, what] : cases) {
        SCOPED_TRACE(output);
        const auto result = runTamboro({"--render", "song.sng", output}, dir / "");
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(lines(result.err), 1) << result.err;  // refused before any sample was loaded
        EXPECT_NE(result.err.find(output + " is " + what + "; choose another output file"),
                  std::string::npos) << result.err;
    }
    EXPECT_EQ(test::readFile(dir / "song.sng"), song);
    EXPECT_EQ(test::readFile(dir / "Samples" / "Kick.wav"), kick);
    EXPECT_EQ(test::readFile(dir / "Samples" / "Perc" / "Clave.wav"), clave);
    EXPECT_EQ(entriesOf(dir / ""), before);
}

TEST(CommandLineOutput, AFailedWriteKeepsTheExistingFileAndLeavesNoPartialFile) {
    SongFolder dir;
    const Bytes previous = test::pattern(4000);
    dir.put("out.wav", previous);
    const std::vector<std::string> before = entriesOf(dir / "");
    // The render is 211,256 bytes; the limit stops it after some 50 kB.
    const auto result = runTamboro({"--render", "song.sng", "out.wav"}, dir / "",
                                   "trap '' XFSZ; ulimit -f 100; ");
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("cannot write out.wav: File too large; no file was changed"),
              std::string::npos) << result.err;
    EXPECT_EQ(test::readFile(dir / "out.wav"), previous);
    EXPECT_EQ(entriesOf(dir / ""), before);

    // Without the limit the file is replaced by the render.
    EXPECT_EQ(runTamboro({"--render", "song.sng", "out.wav"}, dir / "").status, 3);
    EXPECT_EQ(std::filesystem::file_size(dir / "out.wav"), 211256u);
    EXPECT_EQ(entriesOf(dir / ""), before);
}

TEST(CommandLineOutput, TheOutputFolderIsCheckedFirstAndTheReasonNamed) {
    SongFolder dir;
    const std::pair<std::string, std::string> cases[] = {
        {"no/such/folder/out.wav", "cannot write no/such/folder/out.wav: No such file or directory"},
        {"song.sng/out.wav", "cannot write song.sng/out.wav: Not a directory"},
        {"Samples", "cannot write Samples: Is a directory"},
        {std::string(300, 'x') + ".wav", ": File name too long"},
        // Control characters in the path are shown escaped.
        {"gone/\x1b]0;title\x07.wav", "cannot write gone/\\x1b]0;title\\x07.wav: No such file"},
    };
    for (const auto& [output, message] : cases) {
        SCOPED_TRACE(output);
        const auto result = runTamboro({"--render", "song.sng", output}, dir / "");
        EXPECT_EQ(result.status, 1);
        // One line: the samples, one of them missing, were not loaded.
        EXPECT_EQ(lines(result.err), 1) << result.err;
        EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find('\x1b'), std::string::npos);
    }
}

// The golden song with other sample names.
Bytes songNaming(const std::vector<std::string>& names) {
    Bytes song = test::readFile(Golden / "golden.sng");
    for (size_t c = 0; c < 8; ++c) {
        std::fill(song.begin() + 96 + 128 * c, song.begin() + 96 + 128 * (c + 1), 0);
        if (c < names.size())
            std::memcpy(song.data() + 96 + 128 * c, names[c].data(), names[c].size());
    }
    return song;
}

TEST(CommandLineOutput, EachSilentChannelSaysWhyAndASummaryEndsTheRun) {
    SongFolder dir;
    using test::operator+;
    const Bytes fmt = test::chunk("fmt ", test::pcmFormat());
    dir.put("Samples/notes.wav", Bytes{'h', 'i', '\n'});
    dir.put("Samples/cut.wav", test::chunkStating("RIFF", 1000, test::text("WAVE") + fmt +
                                                                    test::chunkStating("data", 900, {})));
    dir.put("Samples/huge.wav", test::riff("WAVE", fmt + test::chunkStating("data", 0x90000000u, {})));
    std::filesystem::copy_file(dir / "Samples" / "Kick.wav", dir / "Samples" / "Caf\xC3\xA9.wav");
    dir.put("names.sng", songNaming({"Kick.wav", "missing.wav", "notes.wav", "cut.wav", "huge.wav",
                                     "evil\x1b[2J\nforged: done.wav", "Caf\xE9.wav"}));

    const auto result = runTamboro({"--render", "names.sng", "out.wav"}, dir / "");
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.err,
              "tamboro: warning: channel 1: sample \"missing.wav\": not found in Samples\n"
              "tamboro: warning: channel 2: sample \"notes.wav\": not a WAV file\n"
              "tamboro: warning: channel 3: sample \"cut.wav\": damaged\n"
              "tamboro: warning: channel 4: sample \"huge.wav\": too large\n"
              "tamboro: warning: channel 5: sample \"evil\\x1b[2J\\x0aforged: done.wav\": not found in Samples\n"
              "tamboro: out.wav is incomplete: 5 channels are silent because a sample could not be loaded\n");
    LoadedWave wave;
    EXPECT_EQ(loadWaveFile(dir / "out.wav", wave), 0u);

    // Every sample there: no warning, status 0.
    dir.put("fine.sng", songNaming({"Kick.wav", "Caf\xE9.wav"}));
    const auto fine = runTamboro({"--render", "fine.sng", "fine.wav"}, dir / "");
    EXPECT_EQ(fine.status, 0);
    EXPECT_EQ(fine.err, "");
}

// A sample name that gives a folder, a named pipe or a device says what it
// gives; the render does not wait on the pipe and completes without them.
TEST(CommandLineOutput, SamplesThatAreNoFilesSayWhatTheyAre) {
    SongFolder dir;
    std::filesystem::create_directory(dir / "Samples" / "Folder.wav");
    ASSERT_TRUE(test::makeFifo(dir / "Samples" / "pipe.wav"));
    std::filesystem::create_symlink("/dev/null", dir / "Samples" / "null.wav");
    dir.put("odd.sng", songNaming({"Kick.wav", "folder.WAV", "pipe.wav", "null.wav"}));

    const auto result = runTamboro({"--render", "odd.sng", "out.wav"}, dir / "", "", 20);
    EXPECT_EQ(result.status, 3) << "137: it waited on the pipe";
    EXPECT_EQ(result.err,
              "tamboro: warning: channel 1: sample \"folder.WAV\": is a folder\n"
              "tamboro: warning: channel 2: sample \"pipe.wav\": is not a regular file (a named pipe)\n"
              "tamboro: warning: channel 3: sample \"null.wav\": is not a regular file (a device)\n"
              "tamboro: out.wav is incomplete: 3 channels are silent because a sample could not be loaded\n");
    LoadedWave wave;
    EXPECT_EQ(loadWaveFile(dir / "out.wav", wave), 0u);
}

}  // namespace
}  // namespace tamboro
