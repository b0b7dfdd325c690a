// One renderHalf call: 8,192 frames, the work of one refill tick.

#include <benchmark/benchmark.h>

#include <vector>

#include "bench/bench_songs.h"
#include "engine/mixer.h"
#include "engine/mixer_kernels.h"
#include "engine/step_clock.h"

namespace tamboro::bench {
namespace {

void reportFrames(benchmark::State& state, double framesPerIteration) {
    const double frames = framesPerIteration * static_cast<double>(state.iterations());
    state.counters["time_per_frame"] =
        benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["x_real_time"] = benchmark::Counter(frames / 44100.0, benchmark::Counter::kIsRate);
}

void renderHalfNewSong(benchmark::State& state) {
    auto song = newSongWithKit();
    resetVoices(*song);
    std::vector<int16_t> half(HalfBytes / 2);
    for (auto _ : state) {
        renderHalf(*song, half.data());
        benchmark::DoNotOptimize(half.data());
    }
    reportFrames(state, 8192);
}
BENCHMARK(renderHalfNewSong)->Unit(benchmark::kMicrosecond);

void renderHalfWorstCase(benchmark::State& state) {
    auto song = worstCaseSong(128, 120);
    resetVoices(*song);
    std::vector<int16_t> half(HalfBytes / 2);
    for (auto _ : state) {
        renderHalf(*song, half.data());
        benchmark::DoNotOptimize(half.data());
    }
    reportFrames(state, 8192);
}
BENCHMARK(renderHalfWorstCase)->Unit(benchmark::kMicrosecond);

// The worst case on each kernel, for comparison; renderHalf above uses the
// fastest one the CPU runs.
void renderHalfWorstCaseOn(benchmark::State& state, mixer::Kernel kernel) {
    if (!mixer::kernelAvailable(kernel)) {
        state.SkipWithError("this CPU does not run the kernel");
        return;
    }
    auto song = worstCaseSong(128, 120);
    resetVoices(*song);
    std::vector<int16_t> half(HalfBytes / 2);
    for (auto _ : state) {
        mixer::renderHalfWith(*song, half.data(), kernel);
        benchmark::DoNotOptimize(half.data());
    }
    reportFrames(state, 8192);
}
BENCHMARK_CAPTURE(renderHalfWorstCaseOn, scalar, mixer::Kernel::Scalar)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(renderHalfWorstCaseOn, avx2, mixer::Kernel::Avx2)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(renderHalfWorstCaseOn, avx512, mixer::Kernel::Avx512)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tamboro::bench
