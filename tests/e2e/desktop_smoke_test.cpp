// The real program in a real window: an X server of the test's own (Xvfb)
// and a JACK server of its own (jackd -d dummy). tamboro starts in a
// scratch folder beside the default kit; the test finds its window, waits
// for the painted panel, presses Play and a step with XTest, checks the
// lamp and the step against the bitmaps, records what reaches JACK, and
// leaves through File > Exit with the keyboard. Figures for the report:
// the time to the first painted panel and the resident memory (the CPU use
// idle and playing is a benchmark: bench/desktop_bench.cpp).

#include <gtest/gtest.h>

#include "tests/e2e/desktop_rig.h"

namespace tamboro::e2e {
namespace {

class DesktopSmoke : public ::testing::Test, protected DesktopRig {
protected:
    void SetUp() override {
        const std::string problem = prepare();
        ASSERT_TRUE(problem.empty()) << problem;
    }
};

TEST_F(DesktopSmoke, StartsPlaysEditsAndExitsThroughTheMenu) {
    const double firstPaint = startAndWaitForPanel();
    ASSERT_GE(firstPaint, 0) << "no panel was painted; the program said:\n" << program->log();
    std::printf("[figure] first painted panel %.0f ms after the process started\n", firstPaint);
    // The output check runs after the first paint; with JACK there is a
    // device, so no warning box may take the input.
    std::this_thread::sleep_for(2s);
    std::printf("[figure] resident memory after start %s\n", program->memory().c_str());

    JackRecorder recorder(30);
    ASSERT_TRUE(recorder.ok());
    click({PlayLampX + LampWidth / 2, LampY + LampHeight / 2});
    EXPECT_TRUE(panelShows({PlayLampX, LampY}, bitmap("PLAYB"))) << "the Play lamp did not light";
    EXPECT_TRUE(panelShows({StopLampX, LampY}, bitmap("STOPA")));
    ASSERT_TRUE(recorder.connectTamboro(false)) << "no Tamboro ports in JACK; the program said:\n"
                                                << program->log();
    const size_t from = recorder.frames();
    recorder.waitFrames(from + 44100);
    const std::vector<int16_t> sound = recorder.samples();
    size_t loud = 0;
    for (size_t i = from * 2; i < sound.size(); ++i)
        loud += sound[i] != 0;
    EXPECT_GT(loud, 44100u / 4) << "the song did not reach JACK";

    // A step of channel 5, empty in the default song, lights when clicked
    // and goes out on a second click (after the double-click time).
    const QPoint step{3 * StepPitch, bandTop(5)};
    const QImage on = bitmap("BUTTON1B").copy(0, 0, StepWidth, StepRowHeight);
    const QImage off = bitmap("BUTTON1A").copy(0, 0, StepWidth, StepRowHeight);
    EXPECT_TRUE(panelShows(step, off));
    click(step + QPoint(10, 10));
    EXPECT_TRUE(panelShows(step, on)) << "the step did not light";
    std::this_thread::sleep_for(700ms);
    click(step + QPoint(10, 10));
    EXPECT_TRUE(panelShows(step, off));

    // File > Exit with the keyboard; the song is as it started, so no question.
    EXPECT_TRUE(exitThroughTheMenu()) << "Alt+F opened no menu";
    EXPECT_EQ(program->waitExit(10000ms), 0) << "the program said:\n" << program->log();
}

}  // namespace
}  // namespace tamboro::e2e
