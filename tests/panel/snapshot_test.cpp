// `tamboro --snapshot`: its command line, and the picture it writes compared
// with the panel widget showing the same song after Open Song.

#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "files/sample_reload.h"
#include "files/song_file.h"
#include "panel/panel_widget.h"
#include "tests/cli/run_tamboro.h"
#include "tests/files/wave_bytes.h"
#include "tests/panel/panel_test_support.h"

namespace tamboro {
namespace {

using namespace test;

const std::filesystem::path Data = std::filesystem::path(TAMBORO_SOURCE_DIR) / "data";

// Runs the program as a user without any window system would.
RunResult snapshot(std::vector<std::string> args, const ScratchDir& dir) {
    args.insert(args.begin(), "--snapshot");
    return runTamboro(args, dir / "", "unset QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY; ");
}

QImage readPng(const std::filesystem::path& path) {
    return QImage(QString::fromStdString(path.string())).convertToFormat(QImage::Format_RGB32);
}

TEST(SnapshotCommandLine, ParsesScaleAndRefusesWhatDoesNotFit) {
    const CommandLine line = parseCommandLine(
        {"--snapshot", "a.sng", "b.png", "--scale", "3", "--pitch", "2=-5", "--samples", "kit"});
    ASSERT_EQ(line.action, CommandLine::Action::Snapshot) << line.error;
    EXPECT_EQ(line.song, "a.sng");
    EXPECT_EQ(line.output, "b.png");
    EXPECT_EQ(line.scale, 3);
    EXPECT_EQ(line.pitch[2], -5);
    EXPECT_EQ(line.samples, "kit");
    EXPECT_EQ(parseCommandLine({"--snapshot", "a", "b"}).scale, 1);
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--snapshot", "a.sng"},
             {"--snapshot", "a", "b", "--scale", "0"},
             {"--snapshot", "a", "b", "--scale", "9"},
             {"--snapshot", "a", "b", "--scale", "2x"},
             {"--snapshot", "a", "b", "--scale"},
             {"--render", "a", "b", "--scale", "2"},
             {"--scale", "2"},
         })
        EXPECT_EQ(parseCommandLine(bad).action, CommandLine::Action::Error) << bad.back();
}

// The song as the widget shows it after Open Song from the Samples folder.
QImage widgetShowing(const std::filesystem::path& songFile, const std::filesystem::path& samples,
                     int pitchChannel = 0, int16_t pitch = 0) {
    auto song = startUpSong();
    song->pitch[pitchChannel] = pitch;
    EXPECT_EQ(loadSong(*song, songFile), SongLoadResult::Loaded);
    reloadSamples(*song, samples, [](const SampleLoadFailure&) {});
    FakePanelHost host(*song);
    PanelWidget widget(*song, host, resources());
    return widget.panelImage().copy();
}

TEST(Snapshot, PaintsTheDemoSongAsTheWidgetShowsIt) {
    ScratchDir dir;
    const auto song = Data / "Songs" / "Broken Beat.sng";
    auto result = snapshot({song.string(), "one.png", "--samples", (Data / "Samples").string(),
                            "--pitch", "2=-5"},
                           dir);
    ASSERT_EQ(result.status, 0) << result.err;
    const QImage one = readPng(dir / "one.png");
    ASSERT_EQ(one.size(), QSize(640, 460));
    const QImage expected = widgetShowing(song, Data / "Samples", 2, -5);
    EXPECT_EQ(one, expected);
    EXPECT_EQ(knobFrameShown(one, 2), 7);
    EXPECT_EQ(tempoShown(one), "138");
    EXPECT_TRUE(shows(one, {470, 13}, "PLAYA"));
    EXPECT_GT(namePixels(one, 7), 40);

    result = snapshot({song.string(), "two.png", "--samples", (Data / "Samples").string(),
                       "--pitch", "2=-5", "--scale", "2"},
                      dir);
    ASSERT_EQ(result.status, 0) << result.err;
    const QImage two = readPng(dir / "two.png");
    ASSERT_EQ(two.size(), QSize(1280, 920));
    for (int y = 0; y < two.height(); ++y)
        for (int x = 0; x < two.width(); ++x)
            ASSERT_EQ(two.pixel(x, y), one.pixel(x / 2, y / 2)) << x << "," << y;
}

TEST(Snapshot, MissingSamplesClearTheirNamesAndFailuresSayWhy) {
    ScratchDir dir;
    std::filesystem::create_directory(dir / "empty");
    const auto song = Data / "Songs" / "Slow Shuffle.sng";
    auto result = snapshot({song.string(), "out.png", "--samples", (dir / "empty").string()}, dir);
    ASSERT_EQ(result.status, 0) << result.err;
    const QImage picture = readPng(dir / "out.png");
    for (int c = 0; c < ChannelCount; ++c) {
        EXPECT_EQ(namePixels(picture, c), 0) << c;
        EXPECT_NE(result.err.find("channel " + std::to_string(c) + ": sample"), std::string::npos) << result.err;
    }
    EXPECT_NE(result.err.find("not found"), std::string::npos) << result.err;
    EXPECT_EQ(picture, widgetShowing(song, dir / "empty"));

    Bytes damaged = readFile(song);
    damaged[8] = damaged[9] = 0;   // tempo 0
    dir.put("damaged.sng", damaged);
    result = snapshot({"damaged.sng", "bad.png"}, dir);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("tempo"), std::string::npos) << result.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "bad.png"));

    result = snapshot({song.string(), "no/such/folder/out.png"}, dir);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("out.png"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace tamboro
