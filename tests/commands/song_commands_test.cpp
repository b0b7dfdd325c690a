// The File menu's commands with their dialogs and messages, against a fake
// output device: what each one changes, and that a failure changes nothing
// it should not.

#include <gtest/gtest.h>

#include <cstring>

#include "commands/song_commands.h"
#include "commands/unsaved_changes.h"
#include "engine/song_ops.h"
#include "files/song_file.h"
#include "tests/files/wave_bytes.h"
#include "tests/support/child_process.h"
#include "tests/support/fake_midi_input.h"
#include "tests/support/fake_wave_output.h"
#include "tests/support/scripted_shell.h"
#include "tests/support/unusual_files.h"

namespace tamboro {
namespace {

using test::Bytes;
using test::operator+;

Bytes monoWave(size_t dataBytes, uint32_t seed = 1) {
    return test::riff("WAVE", test::chunk("fmt ", test::pcmFormat(1)) +
                                  test::chunk("data", test::pattern(dataBytes, seed)));
}

void setName(SongState& song, int channel, const std::string& name) {
    song.sampleName[channel].fill('\0');
    std::copy(name.begin(), name.end(), song.sampleName[channel].begin());
}

std::string nameOf(const SongState& song, int channel) {
    return song.sampleName[channel].data();
}

// A start folder with Samples (Kick.wav, Snare.wav) and Songs, a song that
// plays both, and the output wired to a fake device.
class SongCommands : public ::testing::Test {
protected:
    SongCommands() : output(wave, midi), folders(dir.path()) {
        std::filesystem::create_directories(dir / "Samples");
        std::filesystem::create_directories(dir / "Songs");
        dir.put("Samples/Kick.wav", monoWave(2000, 1));
        dir.put("Samples/Snare.wav", monoWave(3000, 2));
        newSong(song);
        for (int c = 0; c < ChannelCount; ++c)
            setName(song, c, "");
        setName(song, 0, "Kick.wav");
        setName(song, 1, "Snare.wav");
        reloadAll();
        EXPECT_TRUE(allocateMixBuffer(output));
    }
    ~SongCommands() override { shutdownOutput(output, song); }

    void reloadAll() {
        newSongCommand(song, output, folders, shell);
        shell.messages.clear();
    }

    void play() {
        ASSERT_TRUE(startPlayback(output, song).ok());
        ASSERT_TRUE(output.outputOpen);
    }

    // A song file naming `names` per channel, tempo 150, 32 steps.
    std::filesystem::path songFile(const std::string& file, const std::vector<std::string>& names) {
        SongState other;
        newSong(other);
        other.tempo = 150;
        other.songLength = 32;
        for (int c = 0; c < ChannelCount; ++c)
            setName(other, c, c < static_cast<int>(names.size()) ? names[c] : "");
        const std::filesystem::path path = dir / ("Songs/" + file);
        EXPECT_EQ(saveSong(other, path), 0);
        return path;
    }

    test::ScratchDir dir;
    test::FakeWaveOutput wave;
    test::FakeMidiInput midi;
    test::ScriptedShell shell;
    SongState song;
    AudioOutput output;
    FileFolders folders;
};

TEST_F(SongCommands, OpenSongWarnsOncePerMissingSampleInChannelOrderAndClearsTheirNames) {
    play();
    const auto path = songFile("missing.sng", {"Kick.wav", "", "Gone.wav", "snare.WAV", "", "Drums\\Lost.wav",
                                                "Caf\xE9.wav"});
    shell.fileAnswers.push_back(path.string());
    const int repaints = shell.panelRepaints;

    EXPECT_EQ(openSongCommand(song, output, folders, shell), CommandResult::Done);

    ASSERT_EQ(shell.fileDialogs.size(), 1u);
    EXPECT_EQ(shell.fileDialogs[0].mode, FileDialogMode::Open);
    EXPECT_EQ(shell.fileDialogs[0].filterDescription, "Song Philes (*.sng)");
    EXPECT_EQ(shell.fileDialogs[0].folder, (dir / "Songs").string());
    ASSERT_EQ(shell.messages.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(shell.messages[i].caption, "Warning: Sample not found.");
        EXPECT_EQ(shell.messages[i].icon, MessageIcon::Warning);
        EXPECT_EQ(shell.messages[i].owner, MessageOwner::MainWindow);
    }
    EXPECT_EQ(shell.messages[0].text, "Gone.wav");
    EXPECT_EQ(shell.messages[1].text, "Drums\\Lost.wav");
    EXPECT_EQ(shell.messages[2].text, "Caf\u00e9.wav") << "an old Windows-1252 name is shown as it reads";
    EXPECT_EQ(nameOf(song, 2), "");
    EXPECT_EQ(nameOf(song, 5), "");
    EXPECT_EQ(nameOf(song, 6), "");
    EXPECT_EQ(nameOf(song, 3), "snare.WAV") << "a name found in another case keeps its spelling";
    EXPECT_EQ(song.slots[0].sampleLength, 2000);
    EXPECT_EQ(song.slots[3].sampleLength, 3000);
    EXPECT_EQ(song.slots[1].sampleLength, 0);
    EXPECT_EQ(song.tempo, 150);
    EXPECT_EQ(song.songLength, 32);
    EXPECT_EQ(song.playing, 0);
    EXPECT_FALSE(output.outputOpen);
    EXPECT_EQ(song.modalActive, 1);
    EXPECT_EQ(folders.dialogPath, path.string());
    EXPECT_GT(shell.panelRepaints, repaints);
}

TEST_F(SongCommands, OpenSongOfAFileThatCannotBeReadOrIsDamagedChangesNothing) {
    play();
    const std::vector<uint8_t> before = songFileImage(song);
    const int16_t* kick = song.slots[0].sampleData.get();
    const int closes = wave.closes;

    Bytes damaged = test::readFile(songFile("good.sng", {"Kick.wav"}));
    damaged[8] = 0;   // tempo 0
    damaged[9] = 0;
    Bytes cut = test::readFile(dir / "Songs/good.sng");
    cut.resize(1200);   // 32 steps need 1,376 bytes
    std::filesystem::create_directories(dir / "Songs/folder.sng");
    ASSERT_TRUE(test::makeFifo(dir / "Songs/pipe.sng"));
    struct Case {
        std::filesystem::path path;
        const char* reason;
    };
    const Case cases[] = {
        {dir.put("Songs/damaged.sng", damaged), "tempo"},
        {dir.put("Songs/cut.sng", cut), "shorter"},
        {dir / "Songs/folder.sng", "is a folder"},
        {dir / "Songs/pipe.sng", "(a named pipe)"},
        {dir / "Songs/vanished.sng", "No such file"},
    };
    for (const Case& c : cases) {
        shell.messages.clear();
        shell.fileAnswers.push_back(c.path.string());
        EXPECT_EQ(openSongCommand(song, output, folders, shell), CommandResult::Failed) << c.path;
        ASSERT_EQ(shell.messages.size(), 1u) << c.path;
        EXPECT_NE(shell.messages[0].text.find(c.path.string()), std::string::npos) << shell.messages[0].text;
        EXPECT_NE(shell.messages[0].text.find(c.reason), std::string::npos) << shell.messages[0].text;
        EXPECT_EQ(shell.messages[0].icon, MessageIcon::Warning);
    }
    // A cancelled dialog changes nothing either.
    EXPECT_EQ(openSongCommand(song, output, folders, shell), CommandResult::Cancelled);

    EXPECT_EQ(songFileImage(song), before);
    EXPECT_EQ(song.slots[0].sampleData.get(), kick) << "the samples were released";
    EXPECT_EQ(song.playing, 1);
    EXPECT_TRUE(output.outputOpen);
    EXPECT_EQ(wave.closes, closes) << "playback was interrupted";
}

TEST_F(SongCommands, SaveSongAppendsSngWhereItOccursNowhereAndPlaybackGoesOn) {
    play();
    std::filesystem::create_directories(dir / "Songs/old.sng.d");
    struct Case {
        std::string chosen;
        std::string written;
    };
    const Case cases[] = {
        {"Songs/beat", "Songs/beat.sng"},
        {"Songs/beat.SNG", "Songs/beat.SNG.sng"},
        {"Songs/beat.sng.bak", "Songs/beat.sng.bak"},
        {"Songs/old.sng.d/beat", "Songs/old.sng.d/beat"},
    };
    for (const Case& c : cases) {
        shell.fileAnswers.push_back((dir / c.chosen).string());
        EXPECT_EQ(saveSongCommand(song, output, folders, shell), CommandResult::Done) << c.chosen;
        EXPECT_EQ(test::readFile(dir / c.written), Bytes(songFileImage(song))) << c.written;
        EXPECT_EQ(folders.dialogPath, (dir / c.written).string());
    }
    EXPECT_TRUE(shell.messages.empty());
    EXPECT_EQ(shell.fileDialogs.back().mode, FileDialogMode::Save);
    EXPECT_EQ(shell.fileDialogs.back().folder, (dir / "Songs").string());
    EXPECT_EQ(shell.fileDialogs.back().startPath, (dir / "Songs/beat.sng.bak").string())
        << "the dialog starts from the last path chosen";
    EXPECT_EQ(song.modalActive, 1);
    EXPECT_EQ(song.playing, 1);
    EXPECT_TRUE(output.outputOpen);
}

TEST_F(SongCommands, FailedSaveSaysWhyAndKeepsThePreviousFile) {
    shell.fileAnswers.push_back((dir / "Songs/keep.sng").string());
    ASSERT_EQ(saveSongCommand(song, output, folders, shell), CommandResult::Done);
    const Bytes before = test::readFile(dir / "Songs/keep.sng");
    song.songLength = 128;
    song.tempo = 77;

    struct Case {
        std::filesystem::path path;
        const char* reason;
    };
    const Case cases[] = {
        {dir / "Songs/nowhere/song.sng", "No such file or directory"},
        {dir / ("Songs/" + std::string(300, 'x') + ".sng"), "File name too long"},
    };
    for (const Case& c : cases) {
        shell.messages.clear();
        shell.fileAnswers.push_back(c.path.string());
        EXPECT_EQ(saveSongCommand(song, output, folders, shell), CommandResult::Failed);
        ASSERT_EQ(shell.messages.size(), 1u);
        EXPECT_NE(shell.messages[0].text.find(c.path.string()), std::string::npos);
        EXPECT_NE(shell.messages[0].text.find(c.reason), std::string::npos) << shell.messages[0].text;
        EXPECT_EQ(shell.messages[0].icon, MessageIcon::Warning);
    }

    // The disk fills up while the file is written: a child may write no more
    // than 1,000 bytes, and the song needs 2,144.
    const int child = test::runInChild({.fileSizeBytes = 1000}, [&] {
        shell.messages.clear();
        shell.fileAnswers.push_back((dir / "Songs/keep.sng").string());
        const CommandResult result = saveSongCommand(song, output, folders, shell);
        return result == CommandResult::Failed && shell.messages.size() == 1 &&
                       shell.messages[0].text.find("File too large") != std::string::npos
                   ? 0
                   : 1;
    });
    EXPECT_EQ(child, 0) << "the failing save did not say why";
    EXPECT_EQ(test::readFile(dir / "Songs/keep.sng"), before);
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir / "Songs"))
        ++entries;
    EXPECT_EQ(entries, 1) << "a temporary file was left behind";
}

TEST_F(SongCommands, StreamToDiskAppendsWavStopsPlaybackAndWritesTheSong) {
    struct Case {
        std::string chosen;
        std::string written;
    };
    const Case cases[] = {
        {"Samples/mix", "Samples/mix.wav"},
        {"Samples/mix.WAV", "Samples/mix.WAV.wav"},
        {"Samples/mix.wav.take2", "Samples/mix.wav.take2"},
    };
    for (const Case& c : cases) {
        play();
        const int repaints = shell.panelRepaints;
        shell.fileAnswers.push_back((dir / c.chosen).string());
        EXPECT_EQ(streamToDiskCommand(song, output, folders, shell), CommandResult::Done) << c.chosen;
        EXPECT_EQ(song.playing, 0);
        EXPECT_FALSE(output.outputOpen);
        EXPECT_GT(shell.panelRepaints, repaints) << "the lamps still show playing";
        // 16 steps at tempo 120: 1,376 Blocks.
        EXPECT_EQ(std::filesystem::file_size(dir / c.written), 56u + 1376u * 256u) << c.written;
    }
    EXPECT_TRUE(shell.messages.empty());
    EXPECT_EQ(shell.fileDialogs.back().filterDescription, "WAV-Dateien (*.WAV)");
    EXPECT_EQ(shell.fileDialogs.back().folder, (dir / "Samples").string());
    EXPECT_EQ(song.modalActive, 1);
    EXPECT_EQ(song.stopAtEnd, 0) << "playback afterwards would stop at the song's end";
}

TEST_F(SongCommands, StreamToDiskFailureSaysFailureAndAClashWithASampleIsRefused) {
    const Bytes kick = test::readFile(dir / "Samples/Kick.wav");
    std::filesystem::create_symlink("Kick.wav", dir / "Samples/alias.wav");
    play();
    shell.fileAnswers.push_back((dir / "Samples/alias.wav").string());
    EXPECT_EQ(streamToDiskCommand(song, output, folders, shell), CommandResult::Failed);
    ASSERT_EQ(shell.messages.size(), 1u);
    EXPECT_NE(shell.messages[0].text.find("Kick.wav"), std::string::npos) << shell.messages[0].text;
    EXPECT_EQ(shell.messages[0].caption, "Error");
    EXPECT_EQ(song.playing, 1) << "a refused render stopped playback";
    EXPECT_EQ(test::readFile(dir / "Samples/Kick.wav"), kick);

    // The refusal also holds for the name as the dialog returns it.
    shell.messages.clear();
    shell.fileAnswers.push_back((dir / "Samples/Kick.wav").string());
    EXPECT_EQ(streamToDiskCommand(song, output, folders, shell), CommandResult::Failed);
    EXPECT_EQ(shell.messages.size(), 1u);
    EXPECT_EQ(test::readFile(dir / "Samples/Kick.wav"), kick);

    // The disk fills up during the render: "Failure.", the file that was
    // there stays, and no partial file is left.
    const Bytes old = test::readFile(dir.put("Samples/mix.wav", Bytes(100, 7)));
    const int child = test::runInChild({.fileSizeBytes = 100000}, [&] {
        shell.messages.clear();
        shell.fileAnswers.push_back((dir / "Samples/mix").string());
        const CommandResult result = streamToDiskCommand(song, output, folders, shell);
        const bool said = shell.messages.size() == 1 && shell.messages[0].text == "Failure." &&
                          shell.messages[0].caption == "Error" &&
                          shell.messages[0].icon == MessageIcon::Warning;
        return result == CommandResult::Failed && said && song.playing == 0 ? 0 : 1;
    });
    EXPECT_EQ(child, 0);
    EXPECT_EQ(test::readFile(dir / "Samples/mix.wav"), old);
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir / "Samples"))
        ++entries;
    EXPECT_EQ(entries, 4);

    // A folder that does not exist.
    shell.messages.clear();
    shell.fileAnswers.push_back((dir / "nowhere/mix").string());
    EXPECT_EQ(streamToDiskCommand(song, output, folders, shell), CommandResult::Failed);
    ASSERT_EQ(shell.messages.size(), 1u);
    EXPECT_EQ(shell.messages[0].text, "Failure.");
}

TEST_F(SongCommands, NewSongStopsResetsAndLoadsTheSamplesItsNamesShow) {
    play();
    song.stepGrid.fill(1);
    song.volume[0] = 3;
    setName(song, 2, "Gone.wav");
    newSongCommand(song, output, folders, shell);
    EXPECT_EQ(song.playing, 0);
    EXPECT_FALSE(output.outputOpen);
    EXPECT_EQ(song.volume[0], MaxLevel);
    EXPECT_EQ(song.stepGrid[1 * ChannelCount + 0], 0) << "the default Pattern was not laid down";
    EXPECT_EQ(song.stepGrid[0], 1);
    EXPECT_EQ(song.slots[0].sampleLength, 2000) << "a name the panel shows has no sample";
    EXPECT_EQ(song.slots[1].sampleLength, 3000);
    ASSERT_EQ(shell.messages.size(), 1u);
    EXPECT_EQ(shell.messages[0].text, "Gone.wav");
    EXPECT_EQ(nameOf(song, 2), "");
}

TEST_F(SongCommands, ClosingAsksOnlyWhenTheSongHasUnsavedChanges) {
    SavedSongImage saved;
    saved.remember(song);
    EXPECT_TRUE(mayCloseSong(song, output, folders, shell, saved));
    song.pitch[3] = 5;          // not stored in a song file
    song.currentPattern = 2;
    EXPECT_TRUE(mayCloseSong(song, output, folders, shell, saved));
    EXPECT_EQ(shell.saveChangesQuestions, 0);

    song.stepGrid[5] = 1;
    shell.saveChangesAnswers = {SaveChangesAnswer::Cancel};
    EXPECT_FALSE(mayCloseSong(song, output, folders, shell, saved));
    shell.saveChangesAnswers = {SaveChangesAnswer::Discard};
    EXPECT_TRUE(mayCloseSong(song, output, folders, shell, saved));
    EXPECT_EQ(shell.saveChangesQuestions, 2);

    // Save, but the dialog is cancelled, then the save fails: the window stays.
    shell.saveChangesAnswers = {SaveChangesAnswer::Save, SaveChangesAnswer::Save};
    EXPECT_FALSE(mayCloseSong(song, output, folders, shell, saved));
    shell.fileAnswers.push_back((dir / "nowhere/x.sng").string());
    EXPECT_FALSE(mayCloseSong(song, output, folders, shell, saved));
    // Saved: it closes, and the song is unchanged from then on.
    shell.saveChangesAnswers = {SaveChangesAnswer::Save};
    shell.fileAnswers.push_back((dir / "Songs/session").string());
    EXPECT_TRUE(mayCloseSong(song, output, folders, shell, saved));
    EXPECT_EQ(test::readFile(dir / "Songs/session.sng"), Bytes(songFileImage(song)));
    EXPECT_FALSE(saved.changedSince(song));
    EXPECT_EQ(shell.saveChangesQuestions, 5);
}

}  // namespace
}  // namespace tamboro
