// Stream To Disk of whole songs, file writing included. The file goes to
// TAMBORO_BENCH_DIR when set, else to the current folder.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_songs.h"
#include "engine/song_ops.h"
#include "files/stream_to_disk.h"

namespace tamboro::bench {
namespace {

std::filesystem::path outputPath() {
    const char* folder = std::getenv("TAMBORO_BENCH_DIR");
    return std::filesystem::path(folder ? folder : ".") / "tamboro-bench-stream.wav";
}

void streamSong(benchmark::State& state, SongState& song, double frames) {
    std::vector<int16_t> mixBuffer(MixBufferValues);
    const auto path = outputPath();
    for (auto _ : state) {
        if (streamToDisk(song, mixBuffer.data(), path) != 1) {
            state.SkipWithError("the file could not be written");
            break;
        }
    }
    std::filesystem::remove(path);
    reportFrames(state, frames);
}

void streamNewSong(benchmark::State& state) {
    auto song = newSongWithKit();
    streamSong(state, *song, songFrames(16, 120));
}
BENCHMARK(streamNewSong)->Unit(benchmark::kMillisecond);

void streamWorstCase128StepsAtTempo60(benchmark::State& state) {
    auto song = worstCaseSong(128, 60);
    streamSong(state, *song, songFrames(128, 60));
}
BENCHMARK(streamWorstCase128StepsAtTempo60)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tamboro::bench
