// Live playback costs: the audio callback's work per device period (a plain
// copy at 44,100 Hz, and through the resampler for a 48 kHz device), and
// the main thread's work per second of playback (100 ticks and the halves
// they render).

#include <benchmark/benchmark.h>

#include <vector>

#include "bench/bench_songs.h"
#include "engine/audio_output.h"
#include "platform/resampler.h"
#include "tests/support/fake_midi_input.h"
#include "tests/support/fake_wave_output.h"

namespace tamboro::bench {
namespace {

// A playing loop whose halves are handed back as ready without rendering,
// so that only the callback's side is measured.
struct PlayingLoop {
    LoopBuffer loop;
    PlayingLoop() {
        loop.allocate();
        loop.beginPriming();
        loop.publish();
        loop.requestStart();
        loop.obeyTransport();
    }
    void keepReady() {
        int half = 0;
        if (loop.beginRefill(half))
            loop.publish();
    }
};

void callbackPeriod44100(benchmark::State& state) {
    const auto frames = static_cast<uint32_t>(state.range(0));
    PlayingLoop playing;
    std::vector<int16_t> out(size_t{frames} * 2);
    int n = 0;
    for (auto _ : state) {
        playing.loop.obeyTransport();
        playing.loop.readFrames(out.data(), frames);
        benchmark::DoNotOptimize(out.data());
        if (++n % 8 == 0) {
            state.PauseTiming();
            playing.keepReady();
            state.ResumeTiming();
        }
    }
}
BENCHMARK(callbackPeriod44100)->Arg(256)->Arg(1024);

void callbackPeriodResampledTo48000(benchmark::State& state) {
    const auto frames = static_cast<uint32_t>(state.range(0));
    PlayingLoop playing;
    Resampler resampler;
    std::string error;
    if (!resampler.open(playing.loop, 48000, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::vector<float> out(size_t{frames} * 2);
    int n = 0;
    for (auto _ : state) {
        playing.loop.obeyTransport();
        resampler.read(out.data(), frames);
        benchmark::DoNotOptimize(out.data());
        if (++n % 8 == 0) {
            state.PauseTiming();
            playing.keepReady();
            state.ResumeTiming();
        }
    }
}
BENCHMARK(callbackPeriodResampledTo48000)->Arg(256)->Arg(1024);

// One second of playback of the New Song with the kit: 100 ticks, each
// after 441 frames of a fake device (whose copying is not timed).
void mainThreadPerSecondOfPlayback(benchmark::State& state) {
    auto song = newSongWithKit();
    test::FakeWaveOutput wave;
    wave.recording = false;
    wave.period = 441;
    test::FakeMidiInput midi;
    AudioOutput out(wave, midi);
    allocateMixBuffer(out);
    startPlayback(out, *song);
    for (auto _ : state) {
        for (int tick = 0; tick < 100; ++tick) {
            state.PauseTiming();
            wave.play(441);
            state.ResumeTiming();
            outputTick(out, *song);
        }
    }
    state.counters["cpu_share"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(mainThreadPerSecondOfPlayback)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tamboro::bench
