// The desktop program's window on the offscreen platform, wired to a fake
// output device, a fake MIDI input and a scripted Shell: start-up in its
// variants, every menu command, the panel after them, the refill inside
// modal loops, MIDI repainting the lamps, and closing.

#include <gtest/gtest.h>

#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "desktop/desktop_startup.h"
#include "desktop/dialog_ids.h"
#include "desktop/main_window.h"
#include "desktop/menu_table.h"
#include "engine/midi_sync.h"
#include "files/song_file.h"
#include "resources/resource_names.h"
#include "tests/files/wave_bytes.h"
#include "tests/panel/panel_test_support.h"
#include "tests/support/fake_midi_input.h"
#include "tests/support/fake_wave_output.h"
#include "tests/support/playback_song.h"
#include "tests/support/qt_application.h"
#include "tests/support/scripted_shell.h"

namespace tamboro {
namespace {

using test::operator+;
using test::ScratchDir;
using test::whenModalOpens;

const char* const DefaultKit[] = {"BD_02.WAV", "CLAP_02.WAV", "909 Closed Hihat.WAV", "909 Open Hihat+Rvrb.WAV"};

test::Bytes monoWave(size_t dataBytes) {
    return test::riff("WAVE", test::chunk("fmt ", test::pcmFormat(1)) +
                                  test::chunk("data", test::pattern(dataBytes)));
}

// A scripted Shell whose repaints also reach the window's panel, so that
// the tests can look at what the user would see.
class WindowShell : public test::ScriptedShell {
public:
    MainWindow* window = nullptr;
    void repaintPanel() override {
        ScriptedShell::repaintPanel();
        if (window != nullptr)
            window->panel().repaintPanel();
    }
    void repaintLamps() override {
        ScriptedShell::repaintLamps();
        if (window != nullptr)
            window->panel().repaintLamps();
    }
};

// Makes `song` the playback test song, whose every half differs.
void becomePlaybackSong(SongState& song) {
    auto source = test::playbackSong();
    song.slots.swap(source->slots);
    song.stepGrid = source->stepGrid;
    song.volume = source->volume;
    song.distortion = source->distortion;
    song.dstQuadratic = source->dstQuadratic;
    song.dstLinear = source->dstLinear;
    song.overdrive = source->overdrive;
    song.pitch = source->pitch;
    song.panLeft = source->panLeft;
    song.panRight = source->panRight;
    song.tempo = source->tempo;
    song.shuffle = source->shuffle;
    song.songLength = source->songLength;
    song.random = source->random;
}

// The program as start-up leaves it, in a scratch start folder.
class Desktop {
public:
    enum class Kit { InSamples, InStartFolder, WithoutClap };

    explicit Desktop(Kit kit = Kit::InSamples)
        : song(std::make_unique<SongState>()), output(wave, midi), folders(dir.path()) {
        if (kit != Kit::InStartFolder)
            std::filesystem::create_directories(dir / "Samples");
        std::filesystem::create_directories(dir / "Songs");
        for (const char* name : DefaultKit) {
            if (kit == Kit::WithoutClap && std::string(name) == "CLAP_02.WAV")
                continue;
            dir.put((kit == Kit::InStartFolder ? "" : "Samples/") + std::string(name), monoWave(1000));
        }
    }
    ~Desktop() {
        window.reset();
        shutdownOutput(output, *song);
    }

    // Start-up, up to the end of its warnings.
    void start() {
        window = std::make_unique<MainWindow>(*song, output, folders, test::resources(), &shell);
        shell.window = window.get();
        bool done = false;
        initApplication(*window, [&done] { done = true; });
        ASSERT_TRUE(QTest::qWaitFor([&done] { return done; }, 5000)) << "start-up did not finish";
    }

    const QImage& panel() { return window->panel().panelImage(); }
    void click(QPoint at) { QTest::mouseClick(&window->panel(), Qt::LeftButton, {}, at); }
    static QPoint step(int s, int channel) { return {StepPitch * s + 10, bandTop(channel) + 10}; }
    bool stepLit(int s, int channel) {
        return test::shows(panel(), {StepPitch * s, bandTop(channel)}, "BUTTON1B",
                           QRect(0, 0, StepWidth, StepRowHeight));
    }
    bool playLampLit() { return test::shows(panel(), {PlayLampX, LampY}, "PLAYB"); }

    ScratchDir dir;
    std::unique_ptr<SongState> song;
    test::FakeWaveOutput wave;
    test::FakeMidiInput midi;
    AudioOutput output;
    FileFolders folders;
    WindowShell shell;
    std::unique_ptr<MainWindow> window;
};

TEST(DesktopStartUp, WindowShowsTitleMenuAndTheDefaultSongAtTheTopLeft) {
    Desktop desktop;
    desktop.start();
    MainWindow& window = *desktop.window;
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), "Tamboro 1.0a Beta");
    const QList<QAction*> dropDowns = window.menuBar()->actions();
    ASSERT_EQ(dropDowns.size(), 4);
    EXPECT_EQ(dropDowns[0]->text(), "&File");
    EXPECT_EQ(dropDowns[3]->text(), "&Help");
    EXPECT_EQ(window.pos(), QPoint(0, 0));
    EXPECT_EQ(window.panel().geometry().topLeft(), QPoint(0, window.menuBar()->height()));
    EXPECT_EQ(window.size(), QSize(PanelWidth, window.menuBar()->height() + PanelHeight));
    EXPECT_TRUE(window.refillTimerActive());

    EXPECT_TRUE(desktop.shell.messages.empty());
    for (int c = 0; c < ChannelCount; ++c) {
        EXPECT_EQ(desktop.song->slots[c].sampleLength, c < 4 ? 1000 : 0) << "channel " << c;
        EXPECT_EQ(desktop.song->pitch[c], 0);
    }
    EXPECT_EQ(desktop.song->playing, 0);
    EXPECT_TRUE(desktop.output.loop.allocated());
    EXPECT_EQ(desktop.song->outputDeviceCount, 2);
    // The default Pattern is shown: the kick on the beats.
    EXPECT_TRUE(desktop.stepLit(0, 0));
    EXPECT_FALSE(desktop.stepLit(1, 0));
    EXPECT_EQ(test::tempoShown(desktop.panel()), "120");
    EXPECT_GT(test::namePixels(desktop.panel(), 1), 0);

    // Resized, the panel stays at the top-left and the rest is black.
    window.resize(900, 700);
    QTest::qWait(20);
    EXPECT_EQ(window.panel().geometry().topLeft(), QPoint(0, window.menuBar()->height()));
    const QImage shown = window.panel().grab().toImage();
    EXPECT_EQ(shown.pixelColor(800, 600), QColor(Qt::black));
    EXPECT_EQ(shown.pixelColor(5, 5), desktop.panel().pixelColor(5, 5));
}

TEST(DesktopStartUp, ForgivesAMissingSamplesFolderAMissingSampleAndNoOutputDevice) {
    {
        // No Samples folder: the default names are looked for in the start folder.
        Desktop desktop(Desktop::Kit::InStartFolder);
        desktop.start();
        EXPECT_TRUE(desktop.shell.messages.empty());
        EXPECT_EQ(desktop.song->slots[0].sampleLength, 1000);
        EXPECT_EQ(desktop.song->slots[3].sampleLength, 1000);
    }
    {
        // CLAP_02.WAV missing: channel 1 is silent, keeps its name, no message.
        Desktop desktop(Desktop::Kit::WithoutClap);
        desktop.start();
        EXPECT_TRUE(desktop.shell.messages.empty());
        EXPECT_EQ(desktop.song->slots[1].sampleLength, 0);
        EXPECT_STREQ(desktop.song->sampleName[1].data(), "CLAP_02.WAV");
        EXPECT_GT(test::namePixels(desktop.panel(), 1), 0);
        EXPECT_EQ(desktop.song->slots[2].sampleLength, 1000);
    }
    {
        // No output device: one warning, and then the window with the song.
        Desktop desktop;
        desktop.wave.names.clear();
        desktop.start();
        ASSERT_EQ(desktop.shell.messages.size(), 1u);
        EXPECT_EQ(desktop.shell.messages[0].text, "No Output Devices available !!");
        EXPECT_EQ(desktop.shell.messages[0].caption, "Error");
        EXPECT_EQ(desktop.shell.messages[0].icon, MessageIcon::Warning);
        EXPECT_TRUE(desktop.window->isVisible());
        EXPECT_EQ(desktop.song->slots[0].sampleLength, 1000);
    }
}

TEST(DesktopMenu, EveryCommandDoesItsWorkAndLeavesModalActiveAsItShould) {
    Desktop desktop;
    desktop.start();
    MainWindow& window = *desktop.window;
    SongState& song = *desktop.song;
    WindowShell& shell = desktop.shell;

    // The dialog commands raise modalActive and leave it raised (cancelled here).
    for (int id : {MenuId::OpenSong, MenuId::SaveSong, MenuId::StreamToDisk, MenuId::SelectWavDevice,
                   MenuId::SelectMidiInDevice}) {
        song.modalActive = 0;
        window.onMenuCommand(id);
        EXPECT_EQ(song.modalActive, 1) << id;
    }
    EXPECT_EQ(shell.fileDialogs.size(), 3u);
    ASSERT_EQ(shell.deviceDialogs.size(), 2u);
    EXPECT_EQ(shell.deviceDialogs[0].caption, "Select WAV Device");
    EXPECT_EQ(shell.deviceDialogs[0].entries, desktop.wave.names);
    EXPECT_EQ(shell.deviceDialogs[1].caption, "Select MIDI Device");

    // About clears it once its box has closed.
    song.modalActive = 0;
    bool aboutShown = false;
    whenModalOpens([&](QWidget* box) {
        aboutShown = true;
        EXPECT_EQ(song.modalActive, 1);
        findDialogControl<QPushButton>(box, DialogControl::Ok)->click();
    });
    window.onMenuCommand(MenuId::About);
    EXPECT_TRUE(aboutShown);
    EXPECT_EQ(song.modalActive, 0);

    // The Pattern commands: Copy does not repaint, Clear and Paste do.
    int repaints = shell.panelRepaints;
    window.onMenuCommand(MenuId::CopyPattern);
    EXPECT_EQ(shell.panelRepaints, repaints);
    window.onMenuCommand(MenuId::ClearPattern);
    EXPECT_EQ(shell.panelRepaints, repaints + 1);
    EXPECT_FALSE(desktop.stepLit(0, 0));
    window.onMenuCommand(MenuId::PastePattern);
    EXPECT_EQ(shell.panelRepaints, repaints + 2);
    EXPECT_TRUE(desktop.stepLit(0, 0));

    // MIDI Sync: checked and armed, then off again.
    window.onMenuCommand(MenuId::EnableMidiSync);
    EXPECT_EQ(song.midiSync, 1);
    EXPECT_EQ(shell.checked(MenuId::EnableMidiSync), std::optional<bool>(true));
    EXPECT_TRUE(desktop.output.outputOpen);
    window.onMenuCommand(MenuId::EnableMidiSync);
    EXPECT_EQ(song.midiSync, 0);
    EXPECT_EQ(shell.checked(MenuId::EnableMidiSync), std::optional<bool>(false));
    EXPECT_FALSE(desktop.output.outputOpen);

    // Follow MIDI Clock: its own check mark, MIDI Sync untouched.
    window.onMenuCommand(MenuId::FollowMidiClock);
    EXPECT_EQ(song.followMidiClock, 1);
    EXPECT_EQ(shell.checked(MenuId::FollowMidiClock), std::optional<bool>(true));
    EXPECT_EQ(song.midiSync, 0);
    window.onMenuCommand(MenuId::FollowMidiClock);
    EXPECT_EQ(shell.checked(MenuId::FollowMidiClock), std::optional<bool>(false));

    // New Song: stops playback and lays down the default song.
    desktop.click(Desktop::step(1, 0));
    ASSERT_TRUE(desktop.stepLit(1, 0));
    desktop.click({PlayLampX + 30, LampY + 15});
    ASSERT_EQ(song.playing, 1);
    ASSERT_TRUE(desktop.playLampLit());
    window.onMenuCommand(MenuId::NewSong);
    EXPECT_EQ(song.playing, 0);
    EXPECT_FALSE(desktop.playLampLit());
    EXPECT_FALSE(desktop.stepLit(1, 0));
    EXPECT_EQ(song.slots[0].sampleLength, 1000);

    // Exit closes the window once the command has returned.
    bool closed = false;
    window.setOnClosed([&closed] { closed = true; });
    window.onMenuCommand(MenuId::Exit);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&closed] { return closed; }, 2000));
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(shell.saveChangesQuestions, 0) << "an unchanged song asked before closing";
}

TEST(DesktopMenu, UnknownCommandsRepaintTheWholePanelFromTheSong) {
    Desktop desktop;
    desktop.start();
    for (int id : {40012, 0, 40000, 40017, 65535, -1}) {
        const int16_t tempo = static_cast<int16_t>(100 + (id & 0x3F));
        desktop.song->tempo = tempo;     // changed behind the panel's back
        desktop.window->onMenuCommand(id);
        EXPECT_EQ(test::tempoShown(desktop.panel()), std::to_string(tempo)) << id;
    }
    EXPECT_TRUE(desktop.shell.messages.empty());
    EXPECT_TRUE(desktop.shell.fileDialogs.empty());
}

TEST(DesktopMenu, AfterADialogCommandTheFirstPressIsIgnoredButNotAfterAbout) {
    Desktop desktop;
    desktop.start();
    MainWindow& window = *desktop.window;
    QWidget* panel = &window.panel();
    const QPoint target = Desktop::step(2, 5);

    window.onMenuCommand(MenuId::SaveSong);   // cancelled
    QTest::mousePress(panel, Qt::LeftButton, {}, target);
    QTest::mouseMove(panel, target + QPoint(3, 0));
    EXPECT_FALSE(desktop.stepLit(2, 5)) << "the press after the dialog acted";
    QTest::mouseRelease(panel, Qt::LeftButton, {}, target);
    EXPECT_EQ(desktop.song->modalActive, 0);
    desktop.click(target);
    EXPECT_TRUE(desktop.stepLit(2, 5));

    whenModalOpens([](QWidget* box) { findDialogControl<QPushButton>(box, DialogControl::Ok)->click(); });
    window.onMenuCommand(MenuId::About);
    desktop.click(target);
    EXPECT_FALSE(desktop.stepLit(2, 5)) << "the first press after the About box was ignored";
}

TEST(DesktopWindow, AClickOnANameChoosesTheSampleFromSamplesOnly) {
    Desktop desktop;
    desktop.start();
    std::filesystem::create_directories(desktop.dir / "Samples/Perc");
    desktop.dir.put("Samples/Perc/Shaker.wav", monoWave(600));
    desktop.dir.put("Elsewhere.wav", monoWave(600));
    const QPoint name{NameX + 20, controlTop(6) + 6};

    desktop.shell.fileAnswers.push_back((desktop.dir / "Samples/Perc/Shaker.wav").string());
    desktop.click(name);
    EXPECT_STREQ(desktop.song->sampleName[6].data(), "Perc\\Shaker.wav");
    EXPECT_EQ(desktop.song->slots[6].sampleLength, 600);
    EXPECT_GT(test::namePixels(desktop.panel(), 6), 0);

    desktop.shell.fileAnswers.push_back((desktop.dir / "Elsewhere.wav").string());
    desktop.click(name);
    ASSERT_EQ(desktop.shell.messages.size(), 1u);
    EXPECT_EQ(desktop.shell.messages[0].text, "You can only use samples from the \nTamboro\\Samples directory");
    EXPECT_STREQ(desktop.song->sampleName[6].data(), "Perc\\Shaker.wav");
}

TEST(DesktopWindow, OpenSongShowsTheSongAndSaveSongMakesItUnchanged) {
    Desktop desktop;
    desktop.start();
    SongState& song = *desktop.song;
    {
        SongState other;
        newSong(other);
        other.tempo = 200;
        other.stepGrid[3 * ChannelCount + 4] = 1;
        ASSERT_EQ(saveSong(other, desktop.dir / "Songs/fast.sng"), 0);
    }
    desktop.shell.fileAnswers.push_back((desktop.dir / "Songs/fast.sng").string());
    desktop.window->onMenuCommand(MenuId::OpenSong);
    EXPECT_EQ(test::tempoShown(desktop.panel()), "200");
    EXPECT_TRUE(desktop.stepLit(3, 4));
    EXPECT_FALSE(desktop.window->session().saved.changedSince(song));

    desktop.click(Desktop::step(5, 4));   // the first press after a file dialog does nothing
    EXPECT_FALSE(desktop.stepLit(5, 4));
    desktop.click(Desktop::step(5, 4));
    EXPECT_TRUE(desktop.stepLit(5, 4));
    EXPECT_TRUE(desktop.window->session().saved.changedSince(song));
    desktop.shell.fileAnswers.push_back((desktop.dir / "Songs/fast").string());
    desktop.window->onMenuCommand(MenuId::SaveSong);
    EXPECT_FALSE(desktop.window->session().saved.changedSince(song));
}

TEST(DesktopWindow, ClosingWithUnsavedChangesAsksAndCancelKeepsTheWindow) {
    Desktop desktop;
    desktop.start();
    MainWindow& window = *desktop.window;
    int closed = 0;
    window.setOnClosed([&closed] { ++closed; });
    desktop.click(Desktop::step(7, 7));

    desktop.shell.saveChangesAnswers = {SaveChangesAnswer::Cancel};
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(closed, 0);

    desktop.shell.saveChangesAnswers = {SaveChangesAnswer::Save};
    desktop.shell.fileAnswers.push_back((desktop.dir / "Songs/kept").string());
    EXPECT_TRUE(window.close());
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(desktop.shell.saveChangesQuestions, 2);
    SongState saved;
    ASSERT_EQ(loadSong(saved, desktop.dir / "Songs/kept.sng"), SongLoadResult::Loaded);
    EXPECT_EQ(saved.stepGrid[7 * ChannelCount + 7], 1);
}

TEST(DesktopWindow, MidiStartAndStopLightTheLampsFromTheTick) {
    Desktop desktop;
    desktop.start();
    desktop.window->onMenuCommand(MenuId::EnableMidiSync);
    ASSERT_EQ(desktop.song->midiSync, 1);
    ASSERT_FALSE(desktop.playLampLit());

    desktop.midi.send(MidiStart);
    EXPECT_TRUE(QTest::qWaitFor([&] { return desktop.playLampLit(); }, 1000)) << "the lamps missed the Start";
    EXPECT_EQ(desktop.song->playing, 1);
    desktop.midi.send(MidiStop);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !desktop.playLampLit(); }, 1000)) << "the lamps missed the Stop";
    EXPECT_EQ(desktop.song->playing, 0);

    // Turning MIDI Sync off while MIDI plays stops it, and the lamps say so.
    desktop.midi.send(MidiStart);
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.playLampLit(); }, 1000));
    desktop.window->onMenuCommand(MenuId::EnableMidiSync);
    EXPECT_EQ(desktop.song->playing, 0);
    EXPECT_FALSE(desktop.playLampLit());
}

// While a modal box is up, Qt runs a nested event loop on the main thread;
// the refill timer must go on in it, so the device plays the song without
// a gap. A device thread plays in real time and records what it played.
TEST(DesktopWindow, RefillGoesOnWhileTheAboutBoxOrAMessageBoxIsOpen) {
    Desktop desktop;
    desktop.start();
    becomePlaybackSong(*desktop.song);

    constexpr int Halves = 6;
    desktop.wave.threadRecord.assign(size_t(Halves) * test::HalfFrames * 2, 0);
    desktop.click({PlayLampX + 30, LampY + 15});
    ASSERT_EQ(desktop.song->playing, 1);
    desktop.wave.runThread(std::chrono::microseconds(256 * 1000000 / 44100));
    const uint64_t periodsPerHalf = test::HalfFrames / desktop.wave.period;
    auto playedHalves = [&](uint64_t halves) {
        return QTest::qWaitFor([&] { return desktop.wave.periods.load() >= halves * periodsPerHalf + 4; }, 10000);
    };

    bool aboutUp = false;
    whenModalOpens([&](QWidget* box) {
        aboutUp = true;
        EXPECT_TRUE(playedHalves(3));
        findDialogControl<QPushButton>(box, DialogControl::Ok)->click();
    });
    desktop.window->onMenuCommand(MenuId::About);
    ASSERT_TRUE(aboutUp);
    bool boxUp = false;
    whenModalOpens([&](QWidget* modal) {
        boxUp = qobject_cast<QMessageBox*>(modal) != nullptr;
        EXPECT_TRUE(playedHalves(Halves));
        modal->close();
    });
    desktop.window->qtShell().showMessage(MessageOwner::MainWindow, "Busy", "Info", MessageIcon::Information);
    ASSERT_TRUE(boxUp);
    desktop.wave.stopThread();

    const std::vector<int16_t> expected = test::referenceHalves(Halves);
    for (int h = 0; h < Halves; ++h)
        EXPECT_TRUE(test::halfOf(desktop.wave.threadRecord, h) == test::halfOf(expected, h))
            << "half " << h << " was not rendered in time";
}

}  // namespace
}  // namespace tamboro
