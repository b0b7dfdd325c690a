// Feeds arbitrary bytes to the song file reader: it must never write past the
// grid or read a name past its slot, and a refused file must change nothing.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/mixer.h"
#include "engine/step_clock.h"
#include "files/song_file.h"

using namespace tamboro;

namespace {

// Memory-backed when the system has it: rewriting a file on disk for every
// input would slow the fuzzer a hundredfold.
std::string inputPath() {
    const char* folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(folder) + "/fuzz-song-" + std::to_string(::getpid()) + ".sng";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = inputPath();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    static SongState song;
    const auto gridBefore = song.stepGrid;
    const int16_t tempoBefore = song.tempo;
    const SongLoadResult result = loadSong(song, path);
    if (result != SongLoadResult::Loaded) {
        if (song.stepGrid != gridBefore || song.tempo != tempoBefore)
            __builtin_trap();
        return 0;
    }
    // What the engine relies on after a load.
    if (song.tempo <= 0 || song.songLength < 1 || song.songLength > GridSteps)
        __builtin_trap();
    for (int c = 0; c < ChannelCount; ++c) {
        if (std::memchr(song.sampleName[c].data(), 0, SampleNameBytes) == nullptr)
            __builtin_trap();
        if (song.volume[c] < 0 || song.volume[c] > MaxLevel || song.distortion[c] < 0 ||
            song.distortion[c] > MaxLevel || song.overdrive[c] < 0 || song.overdrive[c] > MaxLevel)
            __builtin_trap();
    }
    // The step clock must cope with whatever tempo, shuffle and length got in.
    // A loaded song plays from its start, as after Open Song and Play.
    static int16_t half[HalfBytes / 2];
    resetVoices(song);
    renderHalf(song, half);
    if (song.stepCounter >= static_cast<uint32_t>(song.songLength))
        __builtin_trap();
    return 0;
}
