// Editing on the panel with the mouse, through the widget as Qt delivers
// the events: each zone at its edges with the state it sets and exactly the
// pixels it redraws, the knob's drag, the lamps, and the pointer shapes.

#include <gtest/gtest.h>

#include <QTest>
#include <QWindow>

#include <memory>

#include "engine/mixer.h"
#include "panel/panel_widget.h"
#include "tests/panel/panel_test_support.h"

namespace tamboro {
namespace {

using namespace test;

QRegion digitCells(int x, int y, int count) {
    QRegion region;
    for (int i = 0; i < count; ++i)
        region += QRect(x + 10 * i, y, 9, 14);
    return region;
}
QRegion tempoShuffleRedraw() {
    return digitCells(406, 8, 3) + digitCells(406, 36, 3) + QRect(250, 3, 151, 27) +
           QRect(250, 31, 151, 27);
}
QRegion patternTotalRedraw() {
    return rects({{80, 5, 26, 24}, {130, 5, 26, 24}, {80, 32, 26, 24}, {130, 32, 26, 24}}) +
           digitCells(108, 10, 2) + digitCells(108, 37, 2);
}
QRegion stepButton(int s, int c) { return QRect(38 * s, bandTop(c), 36, 22); }
QRegion allStepRows() {
    QRegion region;
    for (int c = 0; c < 8; ++c)
        for (int s = 0; s < 16; ++s)
            region += stepButton(s, c);
    return region;
}
QRegion lampsRedraw() { return rects({{470, 13, 76, 37}, {550, 13, 76, 37}}); }
QRegion barRedraw(int left, int c) { return QRect(left, controlTop(c), 100, 16); }
QRegion knobRedraw(int c) { return QRect(440, controlTop(c), 17, 17); }

class PanelMouse : public ::testing::Test {
protected:
    void SetUp() override {
        widget = std::make_unique<PanelWidget>(*song, host, resources());
        widget->resize(PanelWidth, PanelHeight);
        widget->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(widget.get()));
    }
    void TearDown() override {
        if (held)
            release(10, 10);
    }

    QWindow* window() const { return widget->windowHandle(); }
    void press(int x, int y, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mousePress(window(), button, {}, QPoint(x, y));
        held = button == Qt::LeftButton;
    }
    void move(int x, int y) { QTest::mouseMove(window(), QPoint(x, y)); }
    void release(int x, int y, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseRelease(window(), button, {}, QPoint(x, y));
        held = false;
    }
    void click(int x, int y) {
        press(x, y);
        release(x, y);
    }
    QRegion redraw() const { return widget->lastRedraw(); }
    const QImage& panel() const { return widget->panelImage(); }
    // The shape at (x, y), arriving once from a bar and once from the header.
    Qt::CursorShape pointerAt(int x, int y) {
        move(60, controlTop(0));
        move(x, y);
        const Qt::CursorShape fromBar = widget->cursor().shape();
        move(10, 10);
        move(x, y);
        return widget->cursor().shape() == fromBar ? fromBar : Qt::CustomCursor;
    }

    std::unique_ptr<SongState> song = startUpSong();
    FakePanelHost host{*song};
    std::unique_ptr<PanelWidget> widget;
    bool held = false;
};

TEST_F(PanelMouse, SlidersSetTempoAndShuffleInsideTheirZonesOnly) {
    struct Case {
        int x, y;
        int16_t tempo, shuffle;   // 200 and 50 where the press does nothing
    };
    const Case cases[] = {
        {250, 3, 60, 50},   {260, 29, 60, 50},   {261, 10, 62, 50},  {290, 10, 120, 50},
        {389, 10, 318, 50}, {400, 10, 318, 50},  {250, 31, 200, 0},  {389, 57, 200, 129},
        {291, 40, 200, 31}, {249, 10, 200, 50},  {401, 10, 200, 50}, {300, 30, 200, 50},
        {300, 58, 200, 50}, {300, 2, 200, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        song->tempo = 200;
        song->shuffle = 50;
        click(c.x, c.y);
        EXPECT_EQ(song->tempo, c.tempo);
        EXPECT_EQ(song->shuffle, c.shuffle);
        const bool acted = c.tempo != 200 || c.shuffle != 50;
        EXPECT_EQ(redraw(), acted ? tempoShuffleRedraw() : QRegion());
        if (acted) {
            EXPECT_EQ(tempoShown(panel()), std::string(c.tempo < 100 ? "0" : "") + std::to_string(c.tempo));
            EXPECT_EQ(thumbShownAt(panel(), 31), 252 + c.shuffle);
        }
    }
}

// While a master's tempo is followed, TEMPO shows it (its thumb inside the
// slider) and the slider takes no drag; the song's tempo stays as it was
// and shows again when following ends.
TEST_F(PanelMouse, AFollowedTempoIsShownAndTheSliderLeftAlone) {
    song->tempo = 200;
    song->followedTempo = 126;
    widget->repaintTempo();
    EXPECT_EQ(redraw(), tempoShuffleRedraw());
    EXPECT_EQ(tempoShown(panel()), "126");
    EXPECT_EQ(thumbShownAt(panel(), 3), 252 + 33);
    click(389, 10);
    press(300, 10);
    move(260, 10);
    release(260, 10);
    EXPECT_EQ(song->tempo, 200);
    EXPECT_EQ(tempoShown(panel()), "126");

    for (int16_t followed : {30, 7, 999, 1500}) {
        song->followedTempo = followed;
        widget->repaintTempo();
        const int shown = followed < 999 ? followed : 999;
        EXPECT_EQ(tempoShown(panel()), std::string(shown < 10 ? "00" : shown < 100 ? "0" : "") + std::to_string(shown));
        EXPECT_EQ(thumbShownAt(panel(), 3), 252 + (followed < 60 ? 0 : 129));
    }
    song->followedTempo = 0;
    widget->repaintTempo();
    EXPECT_EQ(tempoShown(panel()), "200");
    click(290, 10);
    EXPECT_EQ(song->tempo, 120);
}

TEST_F(PanelMouse, BarsSetTheirLevelFromLeftEndToRightEnd) {
    const int lefts[3] = {30, 166, 300};
    for (int bar = 0; bar < 3; ++bar) {
        const int left = lefts[bar];
        const int c = bar + 2;
        const int y = controlTop(c) + 5;
        auto level = [&]() -> int16_t& {
            return bar == 0 ? song->volume[c] : bar == 1 ? song->distortion[c] : song->overdrive[c];
        };
        const std::pair<int, int> cases[] = {{0, 0}, {1, 0}, {2, 1}, {50, 32}, {99, 63}, {100, 64}};
        for (const auto& [dx, expected] : cases) {
            SCOPED_TRACE(testing::Message() << "x " << left + dx);
            level() = 7;
            click(left + dx, y);
            EXPECT_EQ(level(), expected);
            EXPECT_EQ(redraw(), barRedraw(left, c));
            EXPECT_EQ(litColumnsShown(panel(), left, c), ((100 * expected) / 64 + 1) / 2);
        }
        for (int x : {left - 1, left + 101}) {
            level() = 7;
            click(x, y);
            EXPECT_EQ(level(), 7) << "x " << x;
            EXPECT_TRUE(redraw().isEmpty());
        }
    }
    // The whole controlRow answers, rows 22 to 49 of the band.
    click(130, bandTop(1) + 22);
    EXPECT_EQ(song->volume[1], 64);
    click(30, bandTop(1) + 49);
    EXPECT_EQ(song->volume[1], 0);
    // DST edits bring the channel's waveshaper along.
    SongState reference;
    reference.distortion[4] = 64;
    updateDistortionCurve(reference, 4);
    click(266, controlTop(4));
    EXPECT_EQ(song->dstQuadratic[4], reference.dstQuadratic[4]);
    EXPECT_EQ(song->dstLinear[4], reference.dstLinear[4]);
}

TEST_F(PanelMouse, StepButtonsToggleOnPressIncludingTheGapAndTheRightEnd) {
    auto cell = [&](int step, int c) -> uint8_t& {
        return song->stepGrid[(16 * song->currentPattern + step) * 8 + c];
    };
    ASSERT_EQ(cell(0, 1), 0);
    click(36, bandTop(1));           // the gap right of button 0
    EXPECT_EQ(cell(0, 1), 1);
    EXPECT_EQ(redraw(), stepButton(0, 1));
    EXPECT_TRUE(shows(panel(), {0, bandTop(1)}, "BUTTON1B", QRect(0, 0, 36, 22)));
    click(608, bandTop(1) + 21);     // beyond button 15's left edge: column 15
    EXPECT_EQ(cell(15, 1), 0);       // was set by the default Pattern
    EXPECT_EQ(redraw(), stepButton(15, 1));
    click(639, bandTop(7) + 10);
    EXPECT_EQ(cell(15, 7), 1);

    // Any value but 0 is on, and turns off.
    song->currentPattern = 5;
    cell(3, 4) = 9;
    click(38 * 3 + 20, bandTop(4) + 3);
    EXPECT_EQ(cell(3, 4), 0);

    // A drag over the buttons toggles nothing.
    press(38 * 6, bandTop(2));
    EXPECT_EQ(cell(6, 2), 1);
    move(38 * 7, bandTop(2));
    move(38 * 8, bandTop(2) + 5);
    release(38 * 8, bandTop(2) + 5);
    EXPECT_EQ(cell(7, 2), 0);
    EXPECT_EQ(cell(8, 2), 0);
    EXPECT_TRUE(redraw().isEmpty());
}

TEST_F(PanelMouse, ArrowsStepWithinTheirLimitsAndAlwaysRedraw) {
    click(80, 5);                   // PATTERN left at "01"
    EXPECT_EQ(song->currentPattern, 0);
    EXPECT_EQ(redraw(), patternTotalRedraw() + allStepRows());
    for (int i = 0; i < 9; ++i)
        click(155, 28);             // PATTERN right, past "08"
    EXPECT_EQ(song->currentPattern, 7);
    EXPECT_EQ(patternShown(panel()), "08");
    EXPECT_EQ(redraw(), patternTotalRedraw() + allStepRows());
    // Pattern 8's empty steps are shown.
    EXPECT_TRUE(shows(panel(), {0, bandTop(0)}, "BUTTON1A", QRect(0, 0, 36, 22)));

    click(105, 32);                 // #TOTAL left at 16 steps
    EXPECT_EQ(song->songLength, 16);
    EXPECT_EQ(redraw(), patternTotalRedraw());
    for (int i = 0; i < 8; ++i)
        click(130, 55);
    EXPECT_EQ(song->songLength, 128);
    EXPECT_EQ(totalShown(panel()), "08");
    click(80, 40);
    EXPECT_EQ(song->songLength, 112);

    // Just outside the arrows nothing happens.
    for (auto [x, y] : {std::pair{106, 10}, {79, 10}, {129, 40}, {156, 40}, {90, 29}, {90, 4}, {90, 56}}) {
        click(x, y);
        EXPECT_TRUE(redraw().isEmpty()) << x << "," << y;
    }
    EXPECT_EQ(song->currentPattern, 7);
    EXPECT_EQ(song->songLength, 112);

    // Holding the button steps once per event.
    press(90, 40);
    move(91, 41);
    move(92, 41);
    release(92, 41);
    EXPECT_EQ(song->songLength, 64);
}

TEST_F(PanelMouse, LampsStartAndStopPlaybackThroughTheHost) {
    click(500, 30);
    EXPECT_EQ(host.starts, 1);
    EXPECT_EQ(song->playing, 1);
    EXPECT_EQ(redraw(), lampsRedraw());
    EXPECT_TRUE(shows(panel(), {470, 13}, "PLAYB"));
    EXPECT_TRUE(shows(panel(), {550, 13}, "STOPA"));

    click(545, 49);                 // Play while playing
    EXPECT_EQ(host.starts, 1);
    EXPECT_TRUE(redraw().isEmpty());

    click(625, 13);
    EXPECT_EQ(host.stops, 1);
    EXPECT_EQ(song->playing, 0);
    EXPECT_EQ(redraw(), lampsRedraw());
    EXPECT_TRUE(shows(panel(), {470, 13}, "PLAYA"));
    EXPECT_TRUE(shows(panel(), {550, 13}, "STOPB"));

    click(550, 13);                 // Stop while stopped
    EXPECT_EQ(host.stops, 1);
    press(300, 20);
    move(500, 20);
    release(500, 20);
    EXPECT_EQ(host.starts, 1);
    for (auto [x, y] : {std::pair{469, 30}, {546, 30}, {626, 30}, {500, 12}, {500, 50}}) {
        click(x, y);
        EXPECT_EQ(host.starts + host.stops, 2) << x << "," << y;
    }
}

// The output cannot be opened: the lamps go on showing stopped.
TEST_F(PanelMouse, PlayWithAnOutputThatFailsStaysStopped) {
    host.outputOpens = false;
    click(500, 30);
    EXPECT_EQ(host.starts, 1);
    EXPECT_EQ(song->playing, 0);
    EXPECT_TRUE(shows(panel(), {470, 13}, "PLAYA"));
    EXPECT_TRUE(shows(panel(), {550, 13}, "STOPB"));
    click(590, 30);
    EXPECT_EQ(host.stops, 0);
}

TEST_F(PanelMouse, MidiSyncModeAnswersThePlayLampWithAMessageOnly) {
    song->midiSync = 1;
    click(500, 30);
    EXPECT_EQ(host.starts, 0);
    EXPECT_EQ(host.midiSyncPlayPresses, 1);
    EXPECT_TRUE(redraw().isEmpty());

    song->playing = 1;              // MIDI started playback
    press(480, 20);                 // also while playing, and on a drag
    move(481, 20);
    release(481, 20);
    EXPECT_EQ(host.midiSyncPlayPresses, 3);
    click(600, 30);                 // Stop still stops
    EXPECT_EQ(host.stops, 1);
    EXPECT_EQ(song->playing, 0);
    EXPECT_EQ(host.midiSyncPlayPresses, 3);
}

TEST_F(PanelMouse, KnobTurnsFromTheSecondMoveByOneSemitoneAPixel) {
    const int y = controlTop(3) + 8;
    press(448, y);                  // a press on the knob does nothing
    EXPECT_EQ(widget->drag().pitchDrag, 0);
    EXPECT_TRUE(redraw().isEmpty());
    move(448, y - 5);               // the first move starts the drag
    EXPECT_EQ(widget->drag().pitchDrag, 1);
    EXPECT_EQ(song->pitch[3], 0);
    move(448, y - 8);               // 3 more pixels up
    EXPECT_EQ(song->pitch[3], 3);
    EXPECT_EQ(redraw(), knobRedraw(3));
    EXPECT_EQ(knobFrameShown(panel(), 3), 15);
    move(200, y - 10);              // leaving the knob sideways, over the VOL bar
    EXPECT_EQ(song->pitch[3], 5);
    EXPECT_EQ(song->volume[3], 24);
    move(200, 0);
    EXPECT_EQ(song->pitch[3], 12);
    move(200, 400);
    EXPECT_EQ(song->pitch[3], -12);
    EXPECT_EQ(knobFrameShown(panel(), 3), 0);
    release(200, 400);
    EXPECT_EQ(widget->drag().pitchDrag, 0);
    move(200, 300);                 // a move without the button
    press(448, y);
    EXPECT_EQ(song->pitch[3], -12);
    release(448, y);
}

TEST_F(PanelMouse, KnobLimitHoldsOnlyInTheDirectionOfMovement) {
    const int y = controlTop(0) + 8;
    press(440, y);
    move(457, y);                   // starts on the knob's right column
    song->pitch[0] = 20;
    move(457, y + 1);               // down: 19, no limit that way
    EXPECT_EQ(song->pitch[0], 19);
    move(457, y);                   // up: the upper limit applies
    EXPECT_EQ(song->pitch[0], 12);
    song->pitch[0] = -20;
    move(457, y - 2);
    EXPECT_EQ(song->pitch[0], -18);
    move(457, y + 1);
    EXPECT_EQ(song->pitch[0], -12);
    release(457, y);
}

TEST_F(PanelMouse, DragsActWhereThePointerIsNotWhereTheyBegan) {
    press(300, 10);                 // TEMPO ...
    move(320, 31);                  // ... drifting down to SHUFFLE
    EXPECT_EQ(song->shuffle, 60);
    move(330, 30);                  // the gap between them
    EXPECT_EQ(song->shuffle, 60);
    release(330, 30);

    press(60, controlTop(0) + 2);   // VOL of channel 0 ...
    move(70, controlTop(1) + 2);    // ... into channel 1's controlRow
    EXPECT_EQ(song->volume[0], 19);
    EXPECT_EQ(song->volume[1], 25);
    move(90, bandTop(2) + 5);       // a stepRow: nothing
    EXPECT_EQ(song->stepGrid[(0 * 16 + 2) * 8 + 2], 1);
    EXPECT_TRUE(redraw().isEmpty());
    move(448, controlTop(2));       // the knob of channel 2 starts turning
    EXPECT_EQ(widget->drag().pitchDrag, 1);
    EXPECT_EQ(widget->drag().pitchDragChannel, 2);
    move(60, controlTop(2) - 4);
    EXPECT_EQ(song->pitch[2], 4);
    EXPECT_EQ(song->volume[2], 32);
    release(60, controlTop(2) - 4);

    move(500, controlTop(6));       // hovering over a name does nothing
    EXPECT_TRUE(host.sampleChoices.empty());
    press(400, controlTop(6));      // dragging into a name chooses a sample
    move(465, controlTop(6));
    EXPECT_TRUE(host.sampleChoices.empty());
    move(466, controlTop(6));
    EXPECT_EQ(host.sampleChoices, std::vector<int>{6});
    release(466, controlTop(6));
    click(639, bandTop(5) + 49);
    EXPECT_EQ(host.sampleChoices, (std::vector<int>{6, 5}));
}

TEST_F(PanelMouse, BelowTheLastBandIsChannelSevensControlRow) {
    widget->resize(PanelWidth, 520);
    click(130, 470);
    EXPECT_EQ(song->volume[7], 64);
    EXPECT_EQ(redraw(), barRedraw(30, 7));
    click(600, 515);
    EXPECT_EQ(host.sampleChoices, std::vector<int>{7});
    press(300, 500);
    move(450, 500);
    move(450, 498);
    EXPECT_EQ(song->pitch[7], 2);
    release(450, 498);
    EXPECT_EQ(pointerAt(130, 470), Qt::ArrowCursor);   // pointers stop at the panel
}

// Outside the window Qt keeps sending the drag: held at the panel's edges.
TEST_F(PanelMouse, EventsOutsideTheWindowAreHeldAtThePanelsEdges) {
    press(448, controlTop(0) + 3);
    move(448, controlTop(0) + 4);   // the drag starts
    move(448, 3);                   // turning; anchor y 3
    song->pitch[0] = -100;
    move(448, -40);                 // as y 0
    EXPECT_EQ(song->pitch[0], -97);
    move(700, 450);
    song->pitch[0] = 100;
    move(-30, 600);                 // as y 459
    EXPECT_EQ(song->pitch[0], 91);
    release(900, 900);              // a release outside the window ends the drag
    EXPECT_EQ(widget->drag().pitchDrag, 0);
    press(448, controlTop(0) + 3);
    EXPECT_EQ(song->pitch[0], 91);
    release(448, controlTop(0) + 3);

    press(350, 20);                 // TEMPO dragged past the right edge
    move(800, 20);                  // as x 639: outside the slider
    EXPECT_EQ(song->tempo, 240);
    release(800, 20);
}

TEST_F(PanelMouse, ModalFlagIgnoresPressesAndDragsUntilARelease) {
    song->modalActive = 1;
    press(38 * 2, bandTop(0) + 5);
    move(60, controlTop(0));
    EXPECT_EQ(song->stepGrid[2 * 8 + 0], 0);
    EXPECT_EQ(song->volume[0], 64);
    EXPECT_TRUE(redraw().isEmpty());
    release(60, controlTop(0));
    EXPECT_EQ(song->modalActive, 0);
    EXPECT_EQ(pointerAt(61, controlTop(0) + 1), Qt::SizeHorCursor);
    click(38 * 2, bandTop(0) + 5);
    EXPECT_EQ(song->stepGrid[2 * 8 + 0], 1);
}

TEST_F(PanelMouse, DoubleClickTogglesOnceAndOnlyTheLeftButtonActs) {
    QTest::mouseDClick(window(), Qt::LeftButton, {}, QPoint(38 * 5 + 3, bandTop(3) + 3));
    EXPECT_EQ(song->stepGrid[5 * 8 + 3], 1);
    EXPECT_EQ(widget->drag().pitchDrag, 0);

    press(38 * 5 + 3, bandTop(3) + 3, Qt::RightButton);
    release(38 * 5 + 3, bandTop(3) + 3, Qt::RightButton);
    press(100, controlTop(3), Qt::RightButton);
    move(120, controlTop(3));
    release(120, controlTop(3), Qt::RightButton);
    EXPECT_EQ(song->stepGrid[5 * 8 + 3], 1);
    EXPECT_EQ(song->volume[3], 24);

    // Closing a dialog with a double click: its second press is no press,
    // its release lets the panel answer again.
    song->modalActive = 1;
    QTest::mouseDClick(window(), Qt::LeftButton, {}, QPoint(38 * 7 + 3, bandTop(3) + 3));
    EXPECT_EQ(song->stepGrid[7 * 8 + 3], 0);
    EXPECT_EQ(song->modalActive, 0);
}

TEST_F(PanelMouse, PointerShapesMarkTheThumbsTheBarsAndTheNames) {
    // TEMPO 120: thumb drawn from x 282, its zone 280..299.
    EXPECT_EQ(widget->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(pointerAt(279, 10), Qt::ArrowCursor);
    EXPECT_EQ(pointerAt(280, 3), Qt::SizeHorCursor);
    EXPECT_EQ(pointerAt(299, 29), Qt::SizeHorCursor);
    EXPECT_EQ(pointerAt(300, 10), Qt::ArrowCursor);
    EXPECT_EQ(pointerAt(290, 30), Qt::ArrowCursor);
    // SHUFFLE 0: 250..269.
    EXPECT_EQ(pointerAt(250, 31), Qt::SizeHorCursor);
    EXPECT_EQ(pointerAt(269, 57), Qt::SizeHorCursor);
    EXPECT_EQ(pointerAt(270, 40), Qt::ArrowCursor);
    song->shuffle = 129;           // read as the pointer moves
    EXPECT_EQ(pointerAt(378, 40), Qt::ArrowCursor);
    EXPECT_EQ(pointerAt(379, 40), Qt::SizeHorCursor);
    EXPECT_EQ(pointerAt(398, 40), Qt::SizeHorCursor);
    EXPECT_EQ(pointerAt(399, 40), Qt::ArrowCursor);

    for (int x : {30, 130, 166, 266, 300, 400})
        EXPECT_EQ(pointerAt(x, controlTop(4)), Qt::SizeHorCursor) << x;
    for (int x : {29, 131, 165, 267, 299, 401, 448, 465})
        EXPECT_EQ(pointerAt(x, controlTop(4)), Qt::ArrowCursor) << x;
    EXPECT_EQ(pointerAt(60, controlTop(4) - 1), Qt::ArrowCursor);   // stepRow

    move(466, controlTop(2) + 27);
    EXPECT_EQ(widget->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(widget->cursor().hotSpot(), QPoint(1, 1));
    EXPECT_EQ(widget->cursor().pixmap().size(), QSize(32, 32));
    // During a drag the shape stays as it was.
    press(466, controlTop(2) + 27);
    move(100, 10);
    EXPECT_EQ(widget->cursor().shape(), Qt::BitmapCursor);
    release(100, 10);
}

TEST_F(PanelMouse, LampsAndWholePanelRepaintOnRequest) {
    song->playing = 1;             // as MIDI Start does: nothing redrawn yet
    EXPECT_TRUE(shows(panel(), {470, 13}, "PLAYA"));
    widget->repaintLamps();
    EXPECT_EQ(redraw(), lampsRedraw());
    EXPECT_TRUE(shows(panel(), {470, 13}, "PLAYB"));
    EXPECT_TRUE(shows(panel(), {550, 13}, "STOPA"));

    song->tempo = 318;
    song->currentPattern = 4;
    widget->repaintPanel();
    EXPECT_EQ(tempoShown(panel()), "318");
    EXPECT_EQ(patternShown(panel()), "05");
    // What the window shows is the panel, pixel for pixel.
    QCoreApplication::processEvents();
    EXPECT_EQ(widget->grab().toImage().convertToFormat(QImage::Format_RGB32), panel());
}

TEST(PanelScale, WholeScreenPixelsPerPanelPixel) {
    EXPECT_EQ(panelScaleFor(1.0), 1);
    EXPECT_EQ(panelScaleFor(1.25), 1);
    EXPECT_EQ(panelScaleFor(1.5), 2);
    EXPECT_EQ(panelScaleFor(2.0), 2);
    EXPECT_EQ(panelScaleFor(2.75), 3);
    EXPECT_EQ(panelScaleFor(0.5), 1);
}

// Run a second time with QT_SCALE_FACTOR=2 (see CMakeLists.txt).
TEST(PanelScale, DenseScreenShowsSquaresAndMapsThePointer) {
    auto song = startUpSong();
    FakePanelHost host(*song);
    PanelWidget widget(*song, host, resources());
    widget.resize(widget.sizeHint());
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    const int scale = widget.panelScale();
    if (scale == 1)
        GTEST_SKIP() << "device pixel ratio 1";
    // The widget may round up to a whole logical pixel; beyond the panel it is black.
    const QImage shown = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_GE(shown.width(), 640 * scale);
    ASSERT_GE(shown.height(), 460 * scale);
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const bool onPanel = x < 640 * scale && y < 460 * scale;
            ASSERT_EQ(shown.pixel(x, y), onPanel ? widget.panelImage().pixel(x / scale, y / scale)
                                                 : qRgb(0, 0, 0))
                << x << "," << y;
        }
    // A press lands on the panel pixel under it.
    const qreal toLogical = scale / widget.devicePixelRatioF();
    auto at = [&](int x, int y) {
        return QPoint(static_cast<int>((x + 0.5) * toLogical), static_cast<int>((y + 0.5) * toLogical));
    };
    QTest::mouseClick(widget.windowHandle(), Qt::LeftButton, {}, at(130, controlTop(2)));
    EXPECT_EQ(song->volume[2], 64);
    QTest::mouseClick(widget.windowHandle(), Qt::LeftButton, {}, at(37, bandTop(2)));
    EXPECT_EQ(song->stepGrid[0 * 8 + 2], 0);
    QTest::mouseClick(widget.windowHandle(), Qt::LeftButton, {}, at(38, bandTop(2)));
    EXPECT_EQ(song->stepGrid[1 * 8 + 2], 1);
}

}  // namespace
}  // namespace tamboro
