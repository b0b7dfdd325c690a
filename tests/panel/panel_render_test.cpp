// The panel as painted: every element where it belongs, drawn from the
// committed bitmaps, the numbers in their formats, the bars in their
// colours, the names in theirs.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include <QFontMetrics>

#include "files/song_file.h"
#include "panel/panel_renderer.h"
#include "panel/panel_surface.h"
#include "panel/sample_name_text.h"
#include "tests/panel/panel_test_support.h"

namespace tamboro {
namespace {

using namespace test;

QImage painted(const SongState& song, const PanelResources& res = resources()) {
    QImage image(PanelWidth, PanelHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    PanelSurface surface(image, res);
    paintPanel(surface, song);
    return image;
}

TEST(PanelPaint, StartUpPanel) {
    const auto song = startUpSong();
    const QImage p = painted(*song);

    EXPECT_TRUE(shows(p, {0, 0}, "TOP", QRect(0, 0, 80, 5)));   // header corner, not covered
    EXPECT_TRUE(shows(p, {470, 13}, "PLAYA"));
    EXPECT_TRUE(shows(p, {550, 13}, "STOPB"));
    for (const auto& pair : arrowPairs) {
        EXPECT_TRUE(shows(p, {pair.leftX, pair.y}, "LBUTTON"));
        EXPECT_TRUE(shows(p, {pair.rightX, pair.y}, "RBUTTON"));
    }
    EXPECT_EQ(patternShown(p), "01");
    EXPECT_EQ(totalShown(p), "01");
    EXPECT_EQ(tempoShown(p), "120");
    EXPECT_EQ(shuffleShown(p), "000");
    EXPECT_EQ(thumbShownAt(p, 3), 282);
    EXPECT_EQ(thumbShownAt(p, 31), 252);
    // The track shows left of the thumb.
    EXPECT_TRUE(shows(p, {250, 3}, "SLIDER", QRect(0, 0, 32, 27)));

    const int volume[8] = {64, 64, 32, 24, 64, 64, 64, 64};
    for (int c = 0; c < ChannelCount; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(knobFrameShown(p, c), 12);
        // Strip left of the bars and between the step buttons' lamps.
        EXPECT_TRUE(shows(p, {0, controlTop(c)}, "CHANNEL", QRect(0, 22, 30, 18)));
        EXPECT_TRUE(shows(p, {36, bandTop(c)}, "CHANNEL", QRect(36, 0, 2, 22)));
        // W = 100v/64 lights ceil(W/2) columns.
        EXPECT_EQ(litColumnsShown(p, 30, c), ((100 * volume[c]) / 64 + 1) / 2);
        EXPECT_EQ(litColumnsShown(p, 166, c), c == 0 ? 38 : 0);   // DST 48: W 75
        EXPECT_EQ(litColumnsShown(p, 300, c), 0);
        if (c < 4)
            EXPECT_GT(namePixels(p, c), 40);
        else
            EXPECT_EQ(namePixels(p, c), 0);
        // The 10 rows below each strip stay black.
        for (int x = 0; x < PanelWidth; x += 7)
            EXPECT_EQ(p.pixel(x, bandTop(c) + 45), qRgb(0, 0, 0));
    }
    // The default Pattern: kick on step 4, nothing for channel 0 on step 1.
    EXPECT_TRUE(shows(p, {38 * 4, bandTop(0)}, "BUTTON1B", QRect(0, 0, 36, 22)));
    EXPECT_TRUE(shows(p, {38 * 1, bandTop(0)}, "BUTTON1A", QRect(0, 0, 36, 22)));
}

TEST(PanelPaint, NumbersThumbsAndKnobsAcrossTheirRanges) {
    auto song = startUpSong();
    struct Case {
        int16_t tempo, shuffle, songLength, pattern;
        const char *tempoText, *shuffleText, *totalText, *patternText;
        int tempoThumb, shuffleThumb;
    };
    const Case cases[] = {
        {60, 9, 16, 0, "060", "009", "01", "01", 252, 261},
        {99, 10, 48, 3, "099", "010", "03", "04", 271, 262},
        {100, 99, 63, 6, "100", "099", "03", "07", 272, 351},
        {318, 100, 128, 7, "318", "100", "08", "08", 381, 352},
        {317, 129, 127, 7, "317", "129", "07", "08", 380, 381},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tempoText);
        song->tempo = c.tempo;
        song->shuffle = c.shuffle;
        song->songLength = c.songLength;
        song->currentPattern = c.pattern;
        const QImage p = painted(*song);
        EXPECT_EQ(tempoShown(p), c.tempoText);
        EXPECT_EQ(shuffleShown(p), c.shuffleText);
        EXPECT_EQ(totalShown(p), c.totalText);
        EXPECT_EQ(patternShown(p), c.patternText);
        EXPECT_EQ(thumbShownAt(p, 3), c.tempoThumb);
        EXPECT_EQ(thumbShownAt(p, 31), c.shuffleThumb);
    }
    song->pitch = {-12, -1, 0, 1, 12, 5, -5, 0};
    const QImage p = painted(*song);
    for (int c = 0; c < ChannelCount; ++c)
        EXPECT_EQ(knobFrameShown(p, c), song->pitch[c] + 12) << c;
}

TEST(PanelPaint, LevelBarsLightEveryOtherColumnUpToTheirValue) {
    auto song = startUpSong();
    const int16_t values[8] = {0, 1, 2, 3, 32, 63, 64, 40};
    for (int c = 0; c < ChannelCount; ++c) {
        song->volume[c] = values[c];
        song->overdrive[c] = values[7 - c];
    }
    const QImage p = painted(*song);
    const int expected[8] = {0, 1, 2, 2, 25, 49, 50, 31};   // ceil((100v/64) / 2)
    for (int c = 0; c < ChannelCount; ++c) {
        EXPECT_EQ(litColumnsShown(p, 30, c), expected[c]) << c;
        EXPECT_EQ(litColumnsShown(p, 300, c), expected[7 - c]) << c;
    }
    // Yellow in the middle of a full bar, red-orange at its end.
    EXPECT_EQ(p.pixel(30 + 50, controlTop(6) + 3), qRgb(150, 150, 0));
    EXPECT_EQ(p.pixel(30 + 98, controlTop(6) + 3), qRgb(150, 54, 0));
}

TEST(PanelPaint, ValuesBeyondTheBarsAndKnobStayInsideThePicture) {
    auto song = startUpSong();
    song->volume[0] = 1000;       // W 1562: cut at the panel's right edge
    song->volume[1] = -64;        // no columns
    song->pitch[2] = 13;          // frame 25 lies partly beyond the strip
    song->pitch[3] = -300;
    const QImage p = painted(*song);
    EXPECT_EQ(p.pixel(638, controlTop(0) + 8), litColour(304));
    EXPECT_EQ(litColumnsShown(p, 30, 1), 0);
    // Frame 25: the strip's last 3 (black) columns, the rest left as the strip was.
    EXPECT_EQ(p.pixel(440, controlTop(2) + 8), qRgb(0, 0, 0));
}

TEST(PanelPaint, NamesAreShownAsUtf8OrElseWindows1252AndRunToTheEdge) {
    EXPECT_EQ(sampleNameText("Caf\xC3\xA9.wav"), QStringLiteral(u"Caf\u00E9.wav"));
    EXPECT_EQ(sampleNameText("Caf\xE9 \x80\x93.wav"), QStringLiteral(u"Caf\u00E9 \u20AC\u201C.wav"));
    EXPECT_EQ(sampleNameText("\xC3"), QStringLiteral(u"\u00C3"));          // cut sequence
    EXPECT_EQ(sampleNameText("\xED\xA0\x80"), QStringLiteral(u"\u00ED\u00A0\u20AC"));  // surrogate
    EXPECT_EQ(sampleNameText(std::string_view("kick\0junk", 9)), QStringLiteral("kick"));

    auto song = startUpSong();
    std::memset(song->sampleName[5].data(), 'W', SampleNameBytes - 1);
    song->sampleName[5].back() = '\0';
    const QImage p = painted(*song);
    int rightmost = 0;
    for (int y = controlTop(5); y < controlTop(5) + 14; ++y)
        for (int x = NameX; x < PanelWidth; ++x)
            if (p.pixel(x, y) == qRgb(150, 150, 50))
                rightmost = std::max(rightmost, x);
    EXPECT_GE(rightmost, 636);
    // The font's cell: 14 rows high, every character 7 pixels wide.
    const QFontMetrics metrics(resources().font);
    EXPECT_EQ(metrics.height(), 14);
    EXPECT_EQ(metrics.horizontalAdvance(QStringLiteral("WWWW")), 28);
    EXPECT_TRUE(resources().fontLoaded);
}

TEST(PanelPaint, MissingBitmapsLeaveTheirPlacesAndTheRestIsDrawn) {
    PanelResources bare;   // no bitmaps, the default font
    bare.font = resources().font;
    const auto song = startUpSong();
    const QImage p = painted(*song, bare);
    EXPECT_EQ(p.pixel(10, 10), qRgb(0, 0, 0));
    EXPECT_EQ(litColumnsShown(p, 30, 0), 50);
    EXPECT_GT(namePixels(p, 0), 40);
}

// A hand-edited song file with a tempo and shuffle no control can show.
TEST(PanelPaint, SongValuesOutOfRangeAreBroughtIntoRangeOnLoad) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("tamboro-panel-range-" + std::to_string(::getpid()) + ".sng");
    struct Case {
        int16_t tempo, shuffle;
        const char *tempoText, *shuffleText;
    };
    for (const Case& c : {Case{1000, -5, "318", "000"}, Case{30, 30000, "060", "129"},
                          Case{1, 200, "060", "129"}}) {
        SCOPED_TRACE(c.tempoText);
        auto saved = startUpSong();
        saved->tempo = c.tempo;
        saved->shuffle = c.shuffle;
        ASSERT_EQ(saveSong(*saved, path), 0);
        auto song = startUpSong();
        ASSERT_EQ(loadSong(*song, path), SongLoadResult::Loaded);
        const QImage p = painted(*song);
        EXPECT_EQ(tempoShown(p), c.tempoText);
        EXPECT_EQ(shuffleShown(p), c.shuffleText);
        EXPECT_NE(thumbShownAt(p, 3), -1);
        EXPECT_NE(thumbShownAt(p, 31), -1);
    }
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace tamboro
