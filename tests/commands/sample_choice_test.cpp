// Choosing a channel's sample with the open dialog, the folder the dialogs
// start in, and the extension rule of the save commands.

#include <gtest/gtest.h>

#include "commands/sample_choice.h"
#include "engine/song_ops.h"
#include "tests/files/wave_bytes.h"
#include "tests/support/scripted_shell.h"

namespace tamboro {
namespace {

using test::ScratchDir;
using test::ScriptedShell;
using test::operator+;

test::Bytes monoWave(size_t dataBytes) {
    return test::riff("WAVE", test::chunk("fmt ", test::pcmFormat(1)) +
                                  test::chunk("data", test::pattern(dataBytes)));
}

std::string nameOf(const SongState& song, int channel) {
    return song.sampleName[channel].data();
}

class SampleChoice : public ::testing::Test {
protected:
    SampleChoice() : folders(dir / "Tamboro") {
        std::filesystem::create_directories(dir / "Tamboro" / "Samples" / "Kits");
        std::filesystem::create_directories(dir / "Tamboro" / "Songs");
        newSong(song);
        // Channel 1 holds a stereo sample of 400 bytes before each choice.
        setName(1, "BD_02.WAV");
        auto format = std::make_unique<WaveFormat>();
        format->channels = 2;
        registerSample(song, 400, std::move(format), allocateSampleData(400), 1);
    }

    void setName(int channel, const std::string& name) {
        song.sampleName[channel].fill('\0');
        std::copy(name.begin(), name.end(), song.sampleName[channel].begin());
    }

    std::string choose(const std::filesystem::path& file) {
        shell.fileAnswers.push_back(file.string());
        chooseSample(song, folders, shell, 1);
        return nameOf(song, 1);
    }

    ScratchDir dir;
    FileFolders folders;
    SongState song;
    ScriptedShell shell;
};

TEST_F(SampleChoice, StoresTheNameRelativeToSamplesAndLoadsTheFile) {
    const auto plain = dir.put("Tamboro/Samples/Kick.wav", monoWave(1000));
    EXPECT_EQ(choose(plain), "Kick.wav");
    EXPECT_EQ(song.slots[1].sampleLength, 1000);
    EXPECT_EQ(song.slots[1].stereo, 0);
    EXPECT_EQ(shell.panelRepaints, 1);
    EXPECT_TRUE(shell.messages.empty());

    // A sub-folder is written with a backslash, as song files name it.
    const auto nested = dir.put("Tamboro/Samples/Kits/Snare 2.wav", monoWave(600));
    EXPECT_EQ(choose(nested), "Kits\\Snare 2.wav");
    EXPECT_EQ(song.slots[1].sampleLength, 600);

    // The dialog starts in the program's Samples folder, from the last path chosen.
    ASSERT_EQ(shell.fileDialogs.size(), 2u);
    EXPECT_EQ(shell.fileDialogs[1].mode, FileDialogMode::Open);
    EXPECT_EQ(shell.fileDialogs[1].filterDescription, "WAV-Dateien (*.WAV)");
    EXPECT_EQ(shell.fileDialogs[1].folder, (dir / "Tamboro" / "Samples").string());
    EXPECT_EQ(shell.fileDialogs[1].startPath, plain.string());
    EXPECT_EQ(folders.dialogPath, nested.string());
}

TEST_F(SampleChoice, AnyFolderNamedSamplesIsTakenButNoOther) {
    std::filesystem::create_directories(dir / "Elsewhere" / "Samples");
    std::filesystem::create_directories(dir / "Elsewhere" / "samples");
    const auto foreign = dir.put("Elsewhere/Samples/Clap.wav", monoWave(800));
    EXPECT_EQ(choose(foreign), "Clap.wav");
    EXPECT_EQ(song.slots[1].sampleLength, 800);

    for (const auto& refused : {dir.put("Elsewhere/samples/Hat.wav", monoWave(200)),
                                dir.put("Tamboro/Hat.wav", monoWave(200))}) {
        shell.messages.clear();
        EXPECT_EQ(choose(refused), "Clap.wav") << refused;
        EXPECT_EQ(song.slots[1].sampleLength, 800);
        ASSERT_EQ(shell.messages.size(), 1u);
        EXPECT_EQ(shell.messages[0].text, "You can only use samples from the \nTamboro\\Samples directory");
        EXPECT_EQ(shell.messages[0].caption, "Error");
        EXPECT_EQ(shell.messages[0].icon, MessageIcon::Warning);
    }
    EXPECT_EQ(shell.panelRepaints, 1);
}

TEST_F(SampleChoice, CancelAndRefusalsChangeNothing) {
    // Cancelled: no answer queued.
    chooseSample(song, folders, shell, 1);
    EXPECT_EQ(nameOf(song, 1), "BD_02.WAV");
    EXPECT_EQ(song.slots[1].sampleLength, 400);
    EXPECT_EQ(shell.panelRepaints, 0);

    // 127 bytes after Samples/ fit the 128-byte field; 128 do not.
    const std::string fits(123, 'f');
    const std::string tooLong(124, 'l');
    EXPECT_EQ(choose(dir.put("Tamboro/Samples/" + fits + ".wav", monoWave(100))), fits + ".wav");
    EXPECT_EQ(song.slots[1].sampleLength, 100);
    EXPECT_EQ(choose(dir.put("Tamboro/Samples/" + tooLong + ".wav", monoWave(300))), fits + ".wav");
    EXPECT_EQ(song.slots[1].sampleLength, 100);
    ASSERT_EQ(shell.messages.size(), 1u);
    EXPECT_EQ(shell.messages[0].text, NameTooLongMessage);
}

TEST_F(SampleChoice, AFileThatIsNoWaveLeavesTheChannelSilentUnderItsNewName) {
    const auto text = dir.put("Tamboro/Samples/notes.wav", test::Bytes{'h', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(choose(text), "notes.wav");
    EXPECT_EQ(song.slots[1].sampleData, nullptr);
    EXPECT_EQ(song.slots[1].sampleFormat, nullptr);
    EXPECT_EQ(song.slots[1].sampleLength, 0);
    EXPECT_TRUE(shell.messages.empty());
    EXPECT_EQ(shell.panelRepaints, 1);
}

TEST(Folders, EnteringAFolderThatIsMissingKeepsTheStartFolderCurrent) {
    ScratchDir dir;
    std::filesystem::create_directories(dir / "Songs");
    FileFolders folders(dir / "");
    enterFolder(folders, "Songs");
    EXPECT_EQ(folders.currentFolder, dir / "Songs");
    EXPECT_EQ(folders.dialogFolder, (dir / "Songs").string());
    enterFolder(folders, "Samples");
    EXPECT_EQ(folders.currentFolder, dir / "");
    EXPECT_EQ(folders.dialogFolder, (dir / "Samples").string());
}

TEST(Folders, ExtensionIsAppendedOnlyWhereItOccursNowhere) {
    EXPECT_EQ(withExtensionWhereMissing("/s/beat", ".sng"), "/s/beat.sng");
    EXPECT_EQ(withExtensionWhereMissing("/s/beat.SNG", ".sng"), "/s/beat.SNG.sng");
    EXPECT_EQ(withExtensionWhereMissing("/s/beat.sng", ".sng"), "/s/beat.sng");
    EXPECT_EQ(withExtensionWhereMissing("/s/beat.sng.old", ".sng"), "/s/beat.sng.old");
    EXPECT_EQ(withExtensionWhereMissing("/my.wav.files/take", ".wav"), "/my.wav.files/take");
    EXPECT_EQ(withExtensionWhereMissing("/s/take.WAV", ".wav"), "/s/take.WAV.wav");
}

}  // namespace
}  // namespace tamboro
