// Writes the demo songs shipped in data/Songs.
//
//   make_demo_songs [songs-folder]
//
// Without an argument the songs go to data/Songs of the source tree. Every
// sample a song names must exist in the Samples folder beside the songs
// folder; each written file is read back and compared with what was meant.
// Exit code 0 when all songs were written and checked.

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "engine/song_ops.h"
#include "engine/song_state.h"
#include "files/song_file.h"

namespace {

using namespace tamboro;

// One channel of the kit: its sample and its VOL, DST and OVR settings.
struct ChannelSetup {
    const char* sample;
    int16_t volume;
    int16_t distortion = 0;
    int16_t overdrive = 0;
};

// A Pattern as eight rows of 16 steps, one row per channel: 'x' sets the
// step, '.' leaves it clear.
using PatternRows = std::array<std::string_view, ChannelCount>;

struct DemoSong {
    const char* fileName;
    int16_t tempo;
    int16_t shuffle;
    std::array<ChannelSetup, ChannelCount> channels;
    std::vector<PatternRows> patterns;   // played in this order
};

// ------------------------------------------------------------------ songs

// Straight house groove at 124 BPM: kick on every beat, clap on 2 and 4,
// closed hats on the sixteenths with the open hat on the off-beats.
// Eight Patterns: intro, build, two grooves, a tom fill and the return.
DemoSong fourOnTheFloor() {
    const PatternRows intro{
        "x...x...x...x...",   // kick
        "................",   // clap
        "..x...x...x...x.",   // closed hat
        "................",   // open hat
        "................",   // rim
        "................",   // shaker
        "................",   // mid tom
        "x...............",   // crash
    };
    const PatternRows build{
        "x...x...x...x...",
        "....x.......x...",
        "xx.xxx.xxx.xxx.x",
        "..x...x...x...x.",
        "................",
        "................",
        "................",
        "................",
    };
    const PatternRows groove{
        "x...x...x...x...",
        "....x.......x...",
        "xx.xxx.xxx.xxx.x",
        "..x...x...x...x.",
        "...x..x....x..x.",
        "x.xxx.xxx.xxx.xx",
        "................",
        "................",
    };
    const PatternRows grooveCrash{
        "x...x...x...x...",
        "....x.......x...",
        ".x.xxx.xxx.xxx.x",
        "..x...x...x...x.",
        "...x..x....x..x.",
        "x.xxx.xxx.xxx.xx",
        "................",
        "x...............",
    };
    const PatternRows fill{
        "x...x...x...x...",
        "....x.......x.xx",
        "xx.xxx.xxx......",
        "..x...x...x.....",
        "...x..x.........",
        "x.xxx.xxx.......",
        "..........x.xx.x",
        "................",
    };
    return {"Four On The Floor.sng", 124, 0,
            {{{"BD_02.WAV", 64, 24},
              {"CLAP_02.WAV", 50},
              {"909 Closed Hihat.WAV", 28},
              {"909 Open Hihat+Rvrb.WAV", 30},
              {"RIM_01.WAV", 34},
              {"SHAKER.WAV", 22},
              {"TOM_MID.WAV", 44},
              {"CRASH_01.WAV", 38}}},
            {intro, build, groove, grooveCrash, groove, fill, grooveCrash, groove}};
}

// Broken beat at 138 BPM: a syncopated kick, a backbeat snare with quiet
// ghost notes on a second snare, hats that give way to the ride, and toms
// at the end of the phrase. A touch of shuffle loosens the groove.
DemoSong brokenBeat() {
    const PatternRows a{
        "x.x.......x.....",   // kick
        "....x.......x...",   // snare
        ".......x.x....x.",   // ghost snare
        "x.x.x.x.x.x.x.x.",   // closed hat
        "................",   // ride
        "................",   // high tom
        "................",   // low tom
        "x...............",   // crash
    };
    const PatternRows b{
        "x.x.......x..x..",
        "....x.......x...",
        ".x.....x.x.....x",
        "x.x.x.x.x.xxx.x.",
        "................",
        "................",
        "................",
        "................",
    };
    const PatternRows ride{
        "x.x.......x..x..",
        "....x.......x...",
        ".......x.x....x.",
        "................",
        "x.x.x.x.x.x.x.x.",
        "................",
        "................",
        "................",
    };
    const PatternRows fill{
        "x.x.......x.....",
        "....x.......x.xx",
        ".......x.x......",
        "x.x.x.x.x.......",
        "................",
        "........x.x.....",
        "............x.x.",
        "................",
    };
    return {"Broken Beat.sng", 138, 6,
            {{{"BD_01.WAV", 64, 16, 8},
              {"SNARE_01.WAV", 56, 0, 12},
              {"SNARE_02.WAV", 20},
              {"909 Closed Hihat.WAV", 30},
              {"RIDE_01.WAV", 30},
              {"TOM_HI.WAV", 44},
              {"TOM_LO.WAV", 48},
              {"CRASH_01.WAV", 36}}},
            {a, b, a, ride, b, fill}};
}

// A slow, laid-back groove at 96 BPM with plenty of shuffle: lazy kick,
// rim-shot backbeat, hats and a clave figure, a cowbell answer in the
// second half and a low tom turnaround.
DemoSong slowShuffle() {
    const PatternRows a{
        "x......x..x.....",   // kick
        "....x.......x...",   // rim shot
        "x.x.x.x.x.x.x.x.",   // closed hat
        "..............x.",   // open hat
        "................",   // clave
        "................",   // cowbell
        "................",   // low tom
        "................",   // snare accent
    };
    const PatternRows b{
        "x......x.xx.....",
        "....x.......x...",
        "x.x.x.x.x.x.x.x.",
        "......x.......x.",
        "x..x..x...x.x...",
        "................",
        "................",
        "............x...",
    };
    const PatternRows c{
        "x......x..x.....",
        "....x.......x...",
        "x.x.x.x.x.x.x.x.",
        "..............x.",
        "x..x..x...x.x...",
        "..x.......x.....",
        "................",
        "................",
    };
    const PatternRows turnaround{
        "x......x..x.....",
        "....x.......x...",
        "x.x.x.x.x.x.....",
        "................",
        "x..x..x...x.x...",
        "................",
        "..........x.xx.x",
        "............x..x",
    };
    return {"Slow Shuffle.sng", 96, 18,
            {{{"BD_01.WAV", 60, 32},
              {"RIM_01.WAV", 46},
              {"909 Closed Hihat.WAV", 26},
              {"909 Open Hihat+Rvrb.WAV", 26},
              {"CLAVE.WAV", 30},
              {"COWBELL.WAV", 24},
              {"TOM_LO.WAV", 46},
              {"SNARE_02.WAV", 40}}},
            {a, b, c, turnaround}};
}

// ---------------------------------------------------------------- writing

SampleName sampleName(const char* name) {
    SampleName result{};
    std::strncpy(result.data(), name, result.size() - 1);
    return result;
}

// Fills the song state from the demo song, starting from a New Song.
// Returns false when a pattern row is malformed.
bool buildSong(const DemoSong& demo, SongState& song) {
    newSong(song);
    song.stepGrid.fill(0);
    song.tempo = demo.tempo;
    song.shuffle = demo.shuffle;
    song.songLength = static_cast<int16_t>(PatternSteps * demo.patterns.size());
    song.currentPattern = 0;
    for (int c = 0; c < ChannelCount; ++c) {
        const ChannelSetup& setup = demo.channels[c];
        song.sampleName[c] = sampleName(setup.sample);
        song.volume[c] = setup.volume;
        song.distortion[c] = setup.distortion;
        song.overdrive[c] = setup.overdrive;
    }
    for (size_t p = 0; p < demo.patterns.size(); ++p) {
        for (int c = 0; c < ChannelCount; ++c) {
            const std::string_view row = demo.patterns[p][c];
            if (row.size() != PatternSteps) {
                return false;
            }
            for (int s = 0; s < PatternSteps; ++s) {
                const int step = static_cast<int>(p) * PatternSteps + s;
                song.stepGrid[step * ChannelCount + c] = row[s] == 'x' ? 1 : 0;
            }
        }
    }
    return true;
}

bool checkDemo(const DemoSong& demo, const std::filesystem::path& samples) {
    bool ok = true;
    if (demo.patterns.empty() || demo.patterns.size() > PatternCount) {
        std::fprintf(stderr, "%s: %zu Patterns\n", demo.fileName, demo.patterns.size());
        ok = false;
    }
    if (demo.tempo < MinTempo || demo.tempo > MaxTempo || demo.shuffle < 0 || demo.shuffle > 129) {
        std::fprintf(stderr, "%s: tempo or shuffle out of range\n", demo.fileName);
        ok = false;
    }
    for (const ChannelSetup& setup : demo.channels) {
        if (!std::filesystem::is_regular_file(samples / setup.sample)) {
            std::fprintf(stderr, "%s: no sample %s in %s\n", demo.fileName, setup.sample,
                         samples.c_str());
            ok = false;
        }
        for (int16_t level : {setup.volume, setup.distortion, setup.overdrive}) {
            if (level < 0 || level > MaxLevel) {
                std::fprintf(stderr, "%s: level %d of %s\n", demo.fileName, level, setup.sample);
                ok = false;
            }
        }
    }
    return ok;
}

// Reads the written file back and compares what a load restores.
bool verifySaved(const SongState& written, const std::filesystem::path& path) {
    SongState loaded;
    if (loadSong(loaded, path) != SongLoadResult::Loaded) {
        return false;
    }
    const auto steps = static_cast<size_t>(written.songLength) * ChannelCount;
    return std::filesystem::file_size(path) == songFileBytes(written.songLength) &&
           loaded.tempo == written.tempo && loaded.shuffle == written.shuffle &&
           loaded.songLength == written.songLength && loaded.volume == written.volume &&
           loaded.distortion == written.distortion && loaded.overdrive == written.overdrive &&
           loaded.sampleName == written.sampleName &&
           std::equal(written.stepGrid.begin(), written.stepGrid.begin() + steps,
                      loaded.stepGrid.begin());
}

bool writeDemo(const DemoSong& demo, const std::filesystem::path& songs) {
    SongState song;
    if (!buildSong(demo, song)) {
        std::fprintf(stderr, "%s: a pattern row is not 16 steps long\n", demo.fileName);
        return false;
    }
    const std::filesystem::path path = songs / demo.fileName;
    if (saveSong(song, path) != 0) {
        std::fprintf(stderr, "%s: cannot write\n", path.c_str());
        return false;
    }
    if (!verifySaved(song, path)) {
        std::fprintf(stderr, "%s: does not read back as written\n", path.c_str());
        return false;
    }
    std::printf("%s: %d BPM, shuffle %d, %d steps\n", path.c_str(), song.tempo, song.shuffle,
                song.songLength);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path songs =
        argc > 1 ? std::filesystem::path(argv[1])
                 : std::filesystem::path(TAMBORO_SOURCE_DIR) / "data" / "Songs";
    if (!songs.has_filename()) {
        songs = songs.parent_path();   // "data/Songs/"
    }
    const std::filesystem::path samples = songs.parent_path() / "Samples";
    std::error_code error;
    std::filesystem::create_directories(songs, error);

    bool ok = true;
    for (const DemoSong& demo : {fourOnTheFloor(), brokenBeat(), slowShuffle()}) {
        ok = checkDemo(demo, samples) && writeDemo(demo, songs) && ok;
    }
    return ok ? 0 : 1;
}
