// End to end against a real JACK server that each test starts itself: what
// `tamboro --play` sends to JACK is recorded by a JACK client of the test's
// own and compared with the offline render; MIDI Start, Continue and Stop
// go to "Tamboro MIDI In" through JACK MIDI; a 48 kHz server is fed through
// the resampler. Latency figures are printed for the report.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

#include <unistd.h>

#include "tests/e2e/jack_harness.h"

namespace tamboro::e2e {
namespace {

using namespace std::chrono_literals;

struct Folder {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("tamboro-e2e-" + std::to_string(::getpid()));
    Folder() { writeTestSongs(path); }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string song(const char* name) const { return (path / name).string(); }
    std::string samples() const { return (path / "Samples").string(); }
};

bool silentFrames(const std::vector<int16_t>& values, size_t from, size_t to) {
    for (size_t i = from * 2; i < to * 2 && i < values.size(); ++i)
        if (values[i] != 0)
            return false;
    return true;
}

size_t firstSounding(const std::vector<int16_t>& values, size_t fromFrame) {
    for (size_t f = fromFrame; f * 2 < values.size(); ++f)
        if (values[2 * f] != 0 || values[2 * f + 1] != 0)
            return f;
    return values.size() / 2;
}

// Frames `from`.. of the capture equal the reference from frame 0 on.
size_t matchingFrames(const std::vector<int16_t>& capture, size_t from,
                      const std::vector<int16_t>& reference) {
    size_t f = 0;
    while ((from + f) * 2 + 1 < capture.size() && f * 2 + 1 < reference.size() &&
           capture[(from + f) * 2] == reference[f * 2] &&
           capture[(from + f) * 2 + 1] == reference[f * 2 + 1])
        ++f;
    return f;
}

TEST(JackPlayback, PlayEqualsTheOfflineRenderSampleForSample) {
    JackServer server(44100, 256);
    ASSERT_TRUE(server.ready()) << "jackd -d dummy did not start";
    JackRecorder recorder(12);
    ASSERT_TRUE(recorder.ok());
    Folder folder;
    TamboroProcess tamboro({"--play", folder.song("beat.sng"), "--samples", folder.samples(),
                            "--seconds", "5"});
    ASSERT_TRUE(recorder.connectTamboro(false));
    EXPECT_EQ(tamboro.readLine(10).rfind("playing: Default output (JACK: ", 0), 0u);
    EXPECT_EQ(tamboro.wait(), 0);

    const auto capture = recorder.samples();
    const auto reference = renderFromStepZero(folder.song("beat.sng"), folder.samples(), 6 * 44100);
    // The recorder joined within milliseconds of the ports appearing, and
    // the song sounds from its first frame; if it came late, find where.
    size_t onset = firstSounding(capture, 0);
    size_t offset = 0;
    while (offset < 44100 && matchingFrames(capture, onset, std::vector<int16_t>(
               reference.begin() + offset * 2, reference.begin() + offset * 2 + 512)) < 256)
        ++offset;
    ASSERT_LT(offset, 44100u) << "the capture is not the song";
    const std::vector<int16_t> rest(reference.begin() + offset * 2, reference.end());
    const size_t same = matchingFrames(capture, onset, rest);
    // 5 s were played; at least 3 s of it must be exactly the song.
    EXPECT_GE(same, 3u * 44100) << "differs at " << same << " frames after the onset (song frame "
                                << offset << ")";
    std::printf("[figure] --play capture equals the render for %.2f s (from song frame %zu)\n",
                same / 44100.0, offset);
}

// Start, Stop, Continue, Stop, Start, then more Start/Stop pairs for the
// latency figure: each Start begins the song at step 0 within one period
// (plus 1 ms), each Stop is silent from the next period on.
class JackMidiSync : public ::testing::TestWithParam<unsigned> {};

TEST_P(JackMidiSync, StartAndContinuePlayFromStepZeroAndStopSilences) {
    const unsigned period = GetParam();
    JackServer server(44100, period);
    ASSERT_TRUE(server.ready()) << "jackd -d dummy did not start";
    JackRecorder recorder(40);
    ASSERT_TRUE(recorder.ok());
    Folder folder;
    TamboroProcess tamboro({"--play", folder.song("straight.sng"), "--samples", folder.samples(),
                            "--midi-sync", "--seconds", "60"});
    EXPECT_EQ(tamboro.readLine(10).rfind("armed: ", 0), 0u);
    ASSERT_TRUE(recorder.connectTamboro(true));
    std::this_thread::sleep_for(200ms);

    const uint8_t starts[] = {0xFA, 0xFB, 0xFA, 0xFA, 0xFB, 0xFA, 0xFA, 0xFA, 0xFB, 0xFA};
    std::vector<uint32_t> startAt, stopAt;
    for (uint8_t start : starts) {
        startAt.push_back(recorder.send(start));
        EXPECT_EQ(tamboro.readLine(2), "playing");
        std::this_thread::sleep_for(startAt.size() <= 3 ? 800ms : 300ms);
        stopAt.push_back(recorder.send(0xFC));
        EXPECT_EQ(tamboro.readLine(2), "stopped");
        std::this_thread::sleep_for(250ms);
    }
    recorder.waitFrames(recorder.frames() + 4 * period);
    EXPECT_EQ(tamboro.stop(), 0);

    const auto capture = recorder.samples();
    const uint32_t first = recorder.firstFrameTime();
    const auto reference = renderFromStepZero(folder.song("straight.sng"), folder.samples(), 44100);
    std::vector<double> latencies;
    for (size_t i = 0; i < startAt.size(); ++i) {
        const size_t start = startAt[i] - first;
        const size_t stop = stopAt[i] - first;
        ASSERT_TRUE(silentFrames(capture, stop - 1000 < start ? start : start - 1000, start))
            << "not silent before Start " << i;
        const size_t onset = firstSounding(capture, start);
        latencies.push_back((onset - start) * 1000.0 / 44100);
        EXPECT_LE(onset - start, period + 44u) << "Start " << i;
        // From the onset up to the Stop's effect: the song from step 0.
        const size_t silentFrom = stop + period;
        EXPECT_GE(matchingFrames(capture, onset, reference), std::min<size_t>(silentFrom - onset, 44100))
            << "Start " << i;
        const size_t next = i + 1 < startAt.size() ? startAt[i + 1] - first : capture.size() / 2;
        EXPECT_TRUE(silentFrames(capture, silentFrom, next)) << "sound after Stop " << i;
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("[figure] period %u: MIDI Start to first sounding frame: median %.2f ms, worst %.2f ms "
                "(one period is %.2f ms)\n",
                period, latencies[latencies.size() / 2], latencies.back(), period * 1000.0 / 44100);
}

INSTANTIATE_TEST_SUITE_P(Periods, JackMidiSync, ::testing::Values(256u, 1024u));

TEST(JackResampling, At48kHzStepsLandOnTheSongTimesAndTheToneKeepsItsPitch) {
    JackServer server(48000, 256);
    ASSERT_TRUE(server.ready()) << "jackd -d dummy did not start";
    JackRecorder recorder(10);
    ASSERT_TRUE(recorder.ok());
    ASSERT_EQ(recorder.rate(), 48000u);
    Folder folder;
    TamboroProcess tamboro({"--play", folder.song("tone.sng"), "--samples", folder.samples(),
                            "--seconds", "3.5"});
    ASSERT_TRUE(recorder.connectTamboro(false));
    EXPECT_NE(tamboro.readLine(10).find(", 48000 Hz,"), std::string::npos);
    EXPECT_EQ(tamboro.wait(), 0);

    const auto left = recorder.left();
    // Onsets: the first sample above a quarter of the tone's peak after 20 ms of quiet.
    std::vector<double> onsets;
    size_t quiet = 0;
    for (size_t f = 0; f < left.size(); ++f) {
        if (std::fabs(left[f]) > 0.12f) {
            if (quiet > 960)
                onsets.push_back(f / 48000.0);
            quiet = 0;
        } else {
            ++quiet;
        }
    }
    ASSERT_GE(onsets.size(), 5u);
    // Every four steps: 4 x 86 Blocks of 64 frames at 44,100 Hz.
    const double stepsApart = 4 * 86 * 64 / 44100.0;
    double worst = 0;
    for (size_t i = 1; i < onsets.size(); ++i) {
        const double expected = onsets[0] + i * stepsApart;
        worst = std::max(worst, std::fabs(onsets[i] - expected));
        EXPECT_NEAR(onsets[i], expected, 0.001) << "onset " << i;
    }
    // Pitch from the zero crossings inside the second tone.
    const size_t begin = static_cast<size_t>(onsets[1] * 48000) + 240;
    const size_t end = begin + 1920;   // 40 ms
    std::vector<double> crossings;
    for (size_t f = begin; f < end; ++f)
        if ((left[f - 1] < 0) != (left[f] < 0))
            crossings.push_back(f - 1 + left[f - 1] / (left[f - 1] - left[f]));
    ASSERT_GE(crossings.size(), 20u);
    const double hz = (crossings.size() - 1) / 2.0 / ((crossings.back() - crossings.front()) / 48000.0);
    EXPECT_NEAR(hz, 1000.0, 2.0);
    std::printf("[figure] 48 kHz server: onsets within %.3f ms of the song times, tone %.2f Hz\n",
                worst * 1000, hz);
}

}  // namespace
}  // namespace tamboro::e2e
