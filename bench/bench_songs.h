#pragma once
// The songs the benchmarks render.

#include <benchmark/benchmark.h>

#include <memory>

#include "engine/song_state.h"

namespace tamboro::bench {

// The New Song pattern with the four default kit samples (mono), pitch 0.
std::unique_ptr<SongState> newSongWithKit();

// Eight long stereo samples, all sounding all the time, every channel at a
// different non-zero pitch, DST 64 and OVR 64: the most work a Block can be.
std::unique_ptr<SongState> worstCaseSong(int16_t songLength, int16_t tempo);

// Audio frames a song of this length and tempo renders (shuffle 0).
inline double songFrames(int songLength, int tempo) {
    return songLength * ((2646000 / tempo) / 256) * 64.0;
}

// Reports the time per audio frame and the speed as a multiple of real time.
inline void reportFrames(benchmark::State& state, double framesPerIteration) {
    const double frames = framesPerIteration * static_cast<double>(state.iterations());
    state.counters["time_per_frame"] =
        benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["x_real_time"] = benchmark::Counter(frames / 44100.0, benchmark::Counter::kIsRate);
}

}  // namespace tamboro::bench
