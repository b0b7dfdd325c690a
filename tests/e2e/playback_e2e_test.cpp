// End to end against a real JACK server that each test starts itself: what
// `tamboro --play` sends to JACK is recorded by a JACK client of the test's
// own and compared with the offline render; MIDI Start, Continue and Stop
// go to "Tamboro:MIDI In" at chosen frames inside the period and act at
// those frames; a 48 kHz server is fed through the resampler; the end
// fades out; a server that goes away is said in the program's own words.
// Figures are printed for the report.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <thread>

#include <unistd.h>

#include "tests/e2e/jack_harness.h"

namespace tamboro::e2e {
namespace {

using namespace std::chrono_literals;

struct Folder : TestSongs {
    Folder() : TestSongs("tamboro-e2e") {}
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
    const uint64_t launched = jack_get_time();
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
    // The song's frame 0 went out `offset` frames before the capture's onset.
    const uint32_t songStart = recorder.firstFrameTime() + static_cast<uint32_t>(onset) - static_cast<uint32_t>(offset);
    std::printf("[figure] start to first sound on JACK: %.3f s (tamboro --play started, to the song's "
                "first frame in the JACK graph)\n",
                (static_cast<double>(recorder.microseconds(songStart)) - static_cast<double>(launched)) / 1e6);
}

// The last frames fade down instead of jumping from the music to zero.
TEST(JackPlayback, PlayEndsWithAFadeNotAClick) {
    JackServer server(44100, 256);
    ASSERT_TRUE(server.ready()) << "jackd -d dummy did not start";
    JackRecorder recorder(40);
    ASSERT_TRUE(recorder.ok());
    Folder folder;
    TamboroProcess tamboro({"--play", folder.song("drone.sng"), "--samples", folder.samples(),
                            "--seconds", "1.5"},
                           true);
    ASSERT_TRUE(recorder.connectTamboro(false));
    EXPECT_EQ(tamboro.wait(), 0);
    recorder.waitFrames(recorder.frames() + 4410);
    EXPECT_EQ(tamboro.errors(), "");
    const auto capture = recorder.samples();
    size_t last = capture.size() / 2;
    while (last > 0 && capture[2 * (last - 1)] == 0 && capture[2 * (last - 1) + 1] == 0)
        --last;
    ASSERT_GT(last, 1000u) << "nothing was recorded";
    ASSERT_LT(last + 4410, capture.size() / 2) << "the recording ended before the sound did";
    int loudBefore = 0, endPeak = 0;
    for (size_t f = last - 1000; f < last - 300; ++f)
        loudBefore = std::max(loudBefore, std::abs(int{capture[2 * f]}));
    for (size_t f = last - 8; f < last; ++f)
        endPeak = std::max({endPeak, std::abs(int{capture[2 * f]}), std::abs(int{capture[2 * f + 1]})});
    EXPECT_GT(loudBefore, 1500) << "the song was not sounding before the end";
    EXPECT_LT(endPeak, loudBefore / 16) << "the last frames jump to zero";
    std::printf("[figure] end of --play: peak %d in the last 8 frames after %d before the fade\n", endPeak,
                loudBefore);
}

// The server goes away while playing: the program's own message, and not
// a word from the audio libraries.
TEST(JackPlayback, AServerThatGoesAwayIsSaidInTheProgramsOwnWords) {
    auto server = std::make_unique<JackServer>(44100, 256);
    ASSERT_TRUE(server->ready()) << "jackd -d dummy did not start";
    Folder folder;
    TamboroProcess tamboro({"--play", folder.song("beat.sng"), "--samples", folder.samples(),
                            "--seconds", "20"},
                           true);
    EXPECT_EQ(tamboro.readLine(10).rfind("playing: ", 0), 0u);
    EXPECT_EQ(tamboro.readLine(1), "playing");
    std::this_thread::sleep_for(300ms);
    server.reset();
    EXPECT_EQ(tamboro.readLine(10), "stopped");
    EXPECT_EQ(tamboro.wait(), 1);
    EXPECT_EQ(tamboro.errors(), "tamboro: Output Device Error: The output device has stopped (the audio "
                                "server may have closed the connection).\n");
}

// MIDI Sync to the frame: Start/Continue and Stop pairs sent at random
// frames inside the period, after a System Exclusive message without its
// end. The song (drone.sng) sounds in every frame, so its first and last
// sounding frames show where each message acted: 0 to 64 frames after it.
struct SyncCase {
    unsigned rate;
    unsigned period;
    int pairs;
};

void PrintTo(const SyncCase& c, std::ostream* out) {
    *out << c.rate << " Hz, period " << c.period;
}

class JackMidiSync : public ::testing::TestWithParam<SyncCase> {};

TEST_P(JackMidiSync, StartAndStopActAtTheirOwnFrameInsideThePeriod) {
    const auto [rate, period, pairs] = GetParam();
    JackServer server(rate, period);
    ASSERT_TRUE(server.ready()) << "jackd -d dummy did not start";
    JackRecorder recorder(6 + pairs * 1.5);
    ASSERT_TRUE(recorder.ok());
    Folder folder;
    TamboroProcess tamboro({"--play", folder.song("drone.sng"), "--samples", folder.samples(),
                            "--midi-sync", "--seconds", "120"});
    EXPECT_EQ(tamboro.readLine(10).rfind("armed: ", 0), 0u);
    ASSERT_TRUE(recorder.connectTamboro(true));
    std::this_thread::sleep_for(200ms);
    recorder.send({0xF0, 0x41, 0x10, 0x42}, 0);   // and never its F7

    std::mt19937 random(rate + period);
    std::vector<uint32_t> startAt, stopAt;
    for (int i = 0; i < pairs; ++i) {
        startAt.push_back(recorder.send(i % 3 == 1 ? 0xFB : 0xFA, random() % period));
        ASSERT_EQ(tamboro.readLine(2), "playing") << "Start " << i;
        std::this_thread::sleep_for(std::chrono::milliseconds(250 + random() % 100));
        stopAt.push_back(recorder.send(0xFC, random() % period));
        ASSERT_EQ(tamboro.readLine(2), "stopped") << "Stop " << i;
        std::this_thread::sleep_for(200ms);
    }
    recorder.waitFrames(recorder.frames() + 4 * period);
    EXPECT_EQ(tamboro.stop(), 0);

    const auto capture = recorder.samples();
    const auto left = recorder.left();
    const auto right = recorder.right();
    auto sounds = [&](size_t f) { return left[f] != 0.0f || right[f] != 0.0f; };
    const uint32_t first = recorder.firstFrameTime();
    const auto reference = renderFromStepZero(folder.song("drone.sng"), folder.samples(), rate);
    const bool resampled = rate != 44100;
    std::vector<long> startErrors, stopErrors;
    for (size_t i = 0; i < startAt.size(); ++i) {
        const size_t start = startAt[i] - first;
        const size_t stop = stopAt[i] - first;
        const size_t next = i + 1 < startAt.size() ? startAt[i + 1] - first : left.size();
        ASSERT_LT(next, left.size() + 1);
        ASSERT_TRUE(silentFrames(capture, start - std::min<size_t>(start, 2000), start))
            << "sound before Start " << i;
        // The first sounding frame, and the first of the silence that follows.
        size_t onset = start;
        while (onset < stop && !sounds(onset))
            ++onset;
        size_t silentFrom = next;
        while (silentFrom > onset && !sounds(silentFrom - 1))
            --silentFrom;
        startErrors.push_back(static_cast<long>(onset) - static_cast<long>(start));
        stopErrors.push_back(static_cast<long>(silentFrom) - static_cast<long>(stop));
        EXPECT_GE(startErrors.back(), 0) << "Start " << i << " sounded before its message";
        EXPECT_LE(startErrors.back(), 64) << "Start " << i;
        EXPECT_GE(stopErrors.back(), 0) << "Stop " << i << " silenced before its message";
        EXPECT_LE(stopErrors.back(), 64) << "Stop " << i;
        if (!resampled) {
            // Sample for sample the song from step 0, up to the Stop.
            EXPECT_EQ(matchingFrames(capture, onset, reference), silentFrom - onset) << "Start " << i;
        } else {
            // Through the resampler: the song's first frame at full height
            // at once (its time, not a filter's lead-in), and every frame
            // up to the Stop sounds.
            EXPECT_GT(std::fabs(left[onset]), 0.5f * std::abs(reference[0]) / 32768.0f) << "Start " << i;
            size_t f = onset;
            while (f < silentFrom && sounds(f))
                ++f;
            EXPECT_EQ(f, silentFrom) << "a gap after Start " << i;
        }
    }
    ASSERT_FALSE(startErrors.empty());
    std::printf("[figure] %u Hz, period %u: MIDI Start error %ld..%ld frames, Stop error %ld..%ld frames "
                "(%zu events each, at random frames of the period)\n",
                rate, period, *std::min_element(startErrors.begin(), startErrors.end()),
                *std::max_element(startErrors.begin(), startErrors.end()),
                *std::min_element(stopErrors.begin(), stopErrors.end()),
                *std::max_element(stopErrors.begin(), stopErrors.end()), startErrors.size());
}

INSTANTIATE_TEST_SUITE_P(Periods, JackMidiSync,
                         ::testing::Values(SyncCase{44100, 256, 8}, SyncCase{44100, 1024, 8},
                                           SyncCase{48000, 256, 8}, SyncCase{48000, 1024, 8},
                                           SyncCase{44100, 16, 3}, SyncCase{44100, 4096, 3},
                                           SyncCase{48000, 16, 3}, SyncCase{48000, 4096, 3}),
                         [](const ::testing::TestParamInfo<SyncCase>& info) {
                             return std::to_string(info.param.rate) + "Hz_period" +
                                    std::to_string(info.param.period);
                         });

// A flood of 1,000 Starts and Stops, up to four in a period, while the
// main thread primes again after every Stop it sees: the program keeps up,
// and the next Start after it plays the song from step 0 at its frame.
// (Under ThreadSanitizer too, with every thread of the program.)
TEST(JackMidiFlood, AThousandStartsAndStopsThenAStartPlaysAtItsFrame) {
    JackServer server(44100, 64);
    ASSERT_TRUE(server.ready()) << "jackd -d dummy did not start";
    JackRecorder recorder(60);
    ASSERT_TRUE(recorder.ok());
    Folder folder;
    TamboroProcess tamboro({"--play", folder.song("drone.sng"), "--samples", folder.samples(),
                            "--midi-sync", "--seconds", "120"},
                           true);
    EXPECT_EQ(tamboro.readLine(10).rfind("armed: ", 0), 0u);
    ASSERT_TRUE(recorder.connectTamboro(true));
    std::mt19937 random(1000);
    const uint8_t messages[] = {0xFA, 0xFC, 0xFB, 0xFC};
    for (int i = 0; i < 1000; ++i)
        recorder.post(messages[random() % 4], random() % 64);
    recorder.waitSent();
    recorder.send(0xFC, 10);
    std::this_thread::sleep_for(300ms);
    const uint32_t start = recorder.send(0xFA, 33);
    std::this_thread::sleep_for(300ms);
    const uint32_t stop = recorder.send(0xFC, 5);
    recorder.waitFrames(recorder.frames() + 256);
    EXPECT_EQ(tamboro.stop(), 0);
    EXPECT_EQ(tamboro.errors(), "");

    const auto capture = recorder.samples();
    const size_t from = start - recorder.firstFrameTime();
    const size_t to = stop - recorder.firstFrameTime();
    ASSERT_LT(to, capture.size() / 2);
    EXPECT_TRUE(silentFrames(capture, from - 2000, from));
    const auto reference = renderFromStepZero(folder.song("drone.sng"), folder.samples(), 44100);
    EXPECT_EQ(matchingFrames(capture, from, reference), to - from);
    EXPECT_TRUE(silentFrames(capture, to, to + 200));
}

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
