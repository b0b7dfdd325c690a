// The vector mixer kernels against the scalar reference: random songs and
// random channel states must give the same output values, positions, levels
// and phases on each.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "engine/mixer.h"
#include "engine/mixer_kernels.h"
#include "engine/song_ops.h"
#include "engine/song_state.h"

namespace tamboro {
namespace {

using mixer::ChannelBlock;
using mixer::Kernel;

class Random {
public:
    explicit Random(uint32_t seed) : engine_(seed) {}
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(engine_); }
    bool chance(int percent) { return pick(0, 99) < percent; }

private:
    std::mt19937 engine_;
};

// The vector kernels this CPU runs.
std::vector<Kernel> vectorKernels() {
    std::vector<Kernel> kernels;
    for (Kernel kernel : {Kernel::Avx2, Kernel::Avx512})
        if (mixer::kernelAvailable(kernel))
            kernels.push_back(kernel);
    return kernels;
}

const char* nameOf(Kernel kernel) {
    return kernel == Kernel::Avx512 ? "AVX-512" : kernel == Kernel::Avx2 ? "AVX2" : "scalar";
}

// Values that keep the parabola and the waveshaper busy: noise, full-scale
// square waves (the parabola overshoots the 16-bit range on them), slow
// ramps and silence.
std::vector<int16_t> randomValues(Random& random, uint32_t count) {
    std::vector<int16_t> values(count);
    const int kind = random.pick(0, 3);
    for (uint32_t i = 0; i < count; ++i) {
        switch (kind) {
        case 0:
            values[i] = static_cast<int16_t>(random.pick(-32768, 32767));
            break;
        case 1:
            values[i] = static_cast<int16_t>((i / 2) % 2 ? 32767 : -32768);
            break;
        case 2:
            values[i] = static_cast<int16_t>(static_cast<int>(i * 97 % 65536) - 32768);
            break;
        default:
            values[i] = static_cast<int16_t>(random.chance(90) ? 0 : random.pick(-5, 5));
            break;
        }
    }
    return values;
}

uint32_t randomValueCount(Random& random) {
    switch (random.pick(0, 3)) {
    case 0:
        return static_cast<uint32_t>(random.pick(0, 9));       // a few values
    case 1:
        return static_cast<uint32_t>(random.pick(10, 700));    // a Block or a few
    case 2:
        return static_cast<uint32_t>(random.pick(700, 12000));
    default:
        return static_cast<uint32_t>(random.pick(12000, 60000));
    }
}

int16_t randomPan(Random& random) {
    return static_cast<int16_t>(random.chance(40) ? 64 : random.pick(0, 64));
}

// A song with random samples and settings; the same seed builds the same song.
std::unique_ptr<SongState> randomSong(uint32_t seed) {
    Random random(seed);
    auto song = std::make_unique<SongState>();
    newSong(*song);
    song->tempo = static_cast<int16_t>(random.pick(MinTempo, MaxTempo));
    song->shuffle = static_cast<int16_t>(random.chance(30) ? random.pick(1, 129) : 0);
    song->songLength = static_cast<int16_t>(PatternSteps * random.pick(1, PatternCount));
    song->stopAtEnd = random.chance(20) ? 1 : 0;
    const int density = random.pick(5, 60);
    for (auto& cell : song->stepGrid)
        cell = random.chance(density) ? 1 : 0;

    for (int c = 0; c < ChannelCount; ++c) {
        if (random.chance(15))
            continue;  // an empty slot
        const bool stereo = random.chance(50);
        const uint32_t count = randomValueCount(random);
        // Odd byte counts leave half a value at the end of the data, which
        // still reads as 0; make its byte nonzero to catch a read of it.
        const bool oddBytes = random.chance(20);
        const uint32_t bytes = 2 * count + (oddBytes ? 1 : 0);
        SampleData data = allocateSampleData(bytes);
        const auto values = randomValues(random, count);
        if (count > 0)
            std::memcpy(data.get(), values.data(), count * sizeof(int16_t));
        if (oddBytes)
            reinterpret_cast<unsigned char*>(data.get())[bytes - 1] = 0x5A;
        auto format = std::make_unique<WaveFormat>();
        format->formatTag = 1;
        format->channels = stereo ? 2 : 1;
        registerSample(*song, bytes, std::move(format), std::move(data), c);

        song->pitch[c] = static_cast<int16_t>(random.pick(-MaxPitch, MaxPitch));
        song->distortion[c] = static_cast<int16_t>(random.chance(40) ? 0 : random.pick(0, MaxLevel));
        updateDistortionCurve(*song, c);
        song->overdrive[c] = static_cast<int16_t>(random.chance(40) ? 0 : random.pick(0, MaxLevel));
        song->volume[c] = static_cast<int16_t>(random.pick(0, MaxLevel));
        song->panLeft[c] = randomPan(random);
        song->panRight[c] = randomPan(random);
        song->voices[c].level = static_cast<int16_t>(random.chance(70) ? random.pick(1, MaxLevel) : 0);
        song->voices[c].position =
            random.chance(30) ? static_cast<uint32_t>(random.pick(0, static_cast<int>(count) + 300)) : 0;
    }
    return song;
}

// Knob moves between halves, the same on both songs.
void moveKnobs(SongState& song, Random& random) {
    const int c = random.pick(0, ChannelCount - 1);
    switch (random.pick(0, 4)) {
    case 0:
        song.pitch[c] = static_cast<int16_t>(random.pick(-MaxPitch, MaxPitch));
        break;
    case 1:
        song.distortion[c] = static_cast<int16_t>(random.pick(0, MaxLevel));
        updateDistortionCurve(song, c);
        break;
    case 2:
        song.overdrive[c] = static_cast<int16_t>(random.pick(0, MaxLevel));
        break;
    case 3:
        song.tempo = static_cast<int16_t>(random.pick(MinTempo, MaxTempo));
        break;
    default:
        song.volume[c] = static_cast<int16_t>(random.pick(0, MaxLevel));
        break;
    }
}

void expectSongsRenderAlike(Kernel kernel) {
    SCOPED_TRACE(nameOf(kernel));
    const int halves = 6;
    long nonzeroValues = 0;
    for (uint32_t seed = 1; seed <= 120; ++seed) {
        SCOPED_TRACE(testing::Message() << "song seed " << seed);
        auto scalar = randomSong(seed);
        auto vector = randomSong(seed);
        Random knobs(seed * 7919u);
        for (int h = 0; h < halves; ++h) {
            std::vector<int16_t> expected(HalfBytes / 2, 0x1234);
            std::vector<int16_t> actual(HalfBytes / 2, 0x1234);
            const uint32_t expectedBytes = mixer::renderHalfWith(*scalar, expected.data(), Kernel::Scalar);
            const uint32_t actualBytes = mixer::renderHalfWith(*vector, actual.data(), kernel);
            ASSERT_EQ(actualBytes, expectedBytes) << "half " << h;
            for (size_t i = 0; i < expected.size(); ++i)
                ASSERT_EQ(actual[i], expected[i]) << "half " << h << ", frame " << i / 2
                                                  << (i % 2 ? " right" : " left");
            for (int c = 0; c < ChannelCount; ++c) {
                SCOPED_TRACE(testing::Message() << "half " << h << ", channel " << c);
                ASSERT_EQ(vector->voices[c].position, scalar->voices[c].position);
                ASSERT_EQ(vector->voices[c].level, scalar->voices[c].level);
            }
            ASSERT_EQ(vector->stepCounter, scalar->stepCounter);
            ASSERT_EQ(vector->blockCounter, scalar->blockCounter);
            ASSERT_EQ(vector->endReached, scalar->endReached);
            for (int16_t value : expected)
                nonzeroValues += value != 0;
            const uint32_t knobSeed = static_cast<uint32_t>(knobs.pick(0, 1 << 30));
            Random scalarKnobs(knobSeed);
            Random vectorKnobs(knobSeed);
            moveKnobs(*scalar, scalarKnobs);
            moveKnobs(*vector, vectorKnobs);
        }
    }
    // The songs must actually sound, or the comparison proves little.
    EXPECT_GT(nonzeroValues, 120L * halves * HalfBytes / 2 / 4);
}

TEST(MixerKernels, RandomSongsRenderAlikeOnEveryKernel) {
    const auto kernels = vectorKernels();
    if (kernels.empty())
        GTEST_SKIP() << "this CPU runs no vector kernel";
    for (Kernel kernel : kernels)
        expectSongsRenderAlike(kernel);
}

// One channel's data for the block-level test: the values, then a tail of
// nonzero garbage. Reads at or beyond valueCount must give 0 and never look
// at the tail's contents.
struct Source {
    std::vector<int16_t> storage;
    uint32_t valueCount;
};

Source randomSource(Random& random) {
    Source source;
    source.valueCount = randomValueCount(random);
    source.storage = randomValues(random, source.valueCount);
    for (uint32_t i = 0; i < SampleTailBytes / 2; ++i)
        source.storage.push_back(static_cast<int16_t>(0x4000 + i));
    return source;
}

// A channel at the start of a renderHalf call; phaseStep is one of the
// pitch table's or, now and then, any value the arithmetic allows. The DST
// curve comes from `tables`, whose channel 0 serves as scratch.
ChannelBlock randomChannel(Random& random, const Source& source, SongState& tables) {
    ChannelBlock ch{};
    ch.samples = source.storage.data();
    ch.valueCount = source.valueCount;
    ch.width = random.chance(50) ? 2 : 1;
    ch.position = static_cast<uint32_t>(random.pick(0, static_cast<int>(source.valueCount) + 300));
    const int pitch = random.pick(-MaxPitch, MaxPitch);
    if (pitch == 0) {
        ch.phase = NoInterpolation;
    } else if (random.chance(80)) {
        const int32_t step = tables.pitchTable[pitchTableIndex(pitch)];
        ch.phaseStep = pitch < 0 ? step : -step;
        ch.phase = pitch < 0 ? 4096 : 0;
    } else {
        // Steps at the edges of the fast paths: tiny, near a whole value,
        // beyond it.
        switch (random.pick(0, 3)) {
        case 0:
            ch.phaseStep = random.pick(-4095, -1);
            break;
        case 1:
            ch.phaseStep = random.pick(0, 80);
            break;
        case 2:
            ch.phaseStep = random.pick(4000, 4500);
            break;
        default:
            ch.phaseStep = random.pick(-4095, 4500);
            break;
        }
        ch.phase = ch.phaseStep < 0 ? 0 : 4096;
    }
    // Start somewhere along the phase's course, as a Block later in a call
    // would: upward anywhere in 0..4095, downward at 4096 less whole steps.
    if (pitch != 0 && random.chance(50)) {
        if (ch.phaseStep < 0)
            ch.phase = random.pick(0, 4095);
        else if (ch.phaseStep > 0)
            ch.phase = 4096 - random.pick(0, 4096 / ch.phaseStep) * ch.phaseStep;
    }
    tables.distortion[0] = static_cast<int16_t>(random.chance(30) ? 0 : random.pick(0, MaxLevel));
    updateDistortionCurve(tables, 0);
    ch.dstQuadratic = tables.dstQuadratic[0];
    ch.dstLinear = tables.dstLinear[0];
    const int overdrive = random.chance(30) ? 0 : random.pick(1, MaxLevel);
    ch.overdriveFactor = overdrive > 0 ? 2 * overdrive + 32 : 0;
    const int level = random.chance(20) ? 0 : random.pick(1, MaxLevel);
    ch.gainLeft = level * randomPan(random) / 64;
    ch.gainRight = level * randomPan(random) / 64;
    return ch;
}

void expectBlocksAlike(Kernel kernel) {
    SCOPED_TRACE(nameOf(kernel));
    SongState tables;
    buildPitchTable(tables);
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        Random random(seed);
        const int count = random.pick(1, ChannelCount);
        std::vector<Source> sources;
        for (int i = 0; i < count; ++i)
            sources.push_back(randomSource(random));
        ChannelBlock scalar[ChannelCount];
        ChannelBlock vector[ChannelCount];
        for (int i = 0; i < count; ++i)
            scalar[i] = vector[i] = randomChannel(random, sources[i], tables);

        for (int block = 0; block < 60; ++block) {
            int16_t expected[BlockFrames * 2];
            int16_t actual[BlockFrames * 2];
            mixer::mixBlock(Kernel::Scalar, scalar, count, expected);
            mixer::mixBlock(kernel, vector, count, actual);
            for (int i = 0; i < BlockFrames * 2; ++i)
                ASSERT_EQ(actual[i], expected[i]) << "block " << block << ", frame " << i / 2;
            for (int i = 0; i < count; ++i) {
                ASSERT_EQ(vector[i].position, scalar[i].position) << "block " << block << ", channel " << i;
                ASSERT_EQ(vector[i].phase, scalar[i].phase) << "block " << block << ", channel " << i;
                // Release and retrigger as the step clock would, the same on both.
                if (scalar[i].position >= scalar[i].valueCount || random.chance(3))
                    scalar[i].position = vector[i].position = 0;
            }
        }
    }
}

TEST(MixerKernels, BlocksMovePositionsAndPhasesAlike) {
    const auto kernels = vectorKernels();
    if (kernels.empty())
        GTEST_SKIP() << "this CPU runs no vector kernel";
    for (Kernel kernel : kernels)
        expectBlocksAlike(kernel);
}

}  // namespace
}  // namespace tamboro
