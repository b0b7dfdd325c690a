// One renderHalf call: 8,192 frames, the work of one refill tick.

#include <benchmark/benchmark.h>

#include <vector>

#include "bench/bench_songs.h"
#include "engine/mixer_kernels.h"
#include "engine/step_clock.h"

namespace tamboro::bench {
namespace {

void renderHalves(benchmark::State& state, SongState& song, mixer::Kernel kernel) {
    if (!mixer::kernelAvailable(kernel)) {
        state.SkipWithError("this CPU does not run the kernel");
        return;
    }
    resetVoices(song);
    std::vector<int16_t> half(HalfBytes / 2);
    for (auto _ : state) {
        mixer::renderHalfWith(song, half.data(), kernel);
        benchmark::DoNotOptimize(half.data());
    }
    reportFrames(state, 8192);
}

void renderHalfNewSong(benchmark::State& state) {
    renderHalves(state, *newSongWithKit(), mixer::bestKernel());
}
BENCHMARK(renderHalfNewSong)->Unit(benchmark::kMicrosecond);

void renderHalfWorstCase(benchmark::State& state) {
    renderHalves(state, *worstCaseSong(128, 120), mixer::bestKernel());
}
BENCHMARK(renderHalfWorstCase)->Unit(benchmark::kMicrosecond);

// The worst case on each kernel, for comparison; renderHalf uses the fastest
// one the CPU runs.
void renderHalfWorstCaseOn(benchmark::State& state, mixer::Kernel kernel) {
    renderHalves(state, *worstCaseSong(128, 120), kernel);
}
BENCHMARK_CAPTURE(renderHalfWorstCaseOn, scalar, mixer::Kernel::Scalar)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(renderHalfWorstCaseOn, avx2, mixer::Kernel::Avx2)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(renderHalfWorstCaseOn, avx512, mixer::Kernel::Avx512)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tamboro::bench
