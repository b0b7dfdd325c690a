#pragma once
// Inside the voice mixer: the per-Block work shared by its kernels (a plain
// scalar one, the reference, and vector ones for CPUs with AVX2 and with
// AVX-512), and the choice between them. renderHalf picks the fastest kernel the CPU runs;
// tests and benchmarks name one explicitly to compare them.

#include <cstdint>

#include "engine/song_state.h"

namespace tamboro::mixer {

// Everything one channel needs to render one Block; position and phase are
// moved by the Block's 64 frames.
struct ChannelBlock {
    const int16_t* samples;   // the data block, with its zeroed tail
    uint32_t valueCount;      // sample values in the data; reads beyond give 0
    uint32_t position;
    int32_t phase;            // NoInterpolation at pitch 0
    int32_t phaseStep;
    int32_t width;            // interleaved values per frame: 1 mono, 2 stereo
    int32_t dstQuadratic;     // 0: no waveshaping
    int32_t dstLinear;
    int32_t overdriveFactor;  // 0: no overdrive
    int32_t gainLeft;
    int32_t gainRight;
};

enum class Kernel { Scalar = 0, Avx2, Avx512 };

// Whether this CPU can run a kernel. The scalar one runs everywhere.
bool kernelAvailable(Kernel kernel);

// The fastest kernel this CPU runs, decided when the program starts.
Kernel bestKernel();

// Mixes one Block of the given channels (those with sample data) into `out`,
// 64 frames of left and right values, and moves every channel's position
// and phase past the Block. The kernel must be available.
void mixBlock(Kernel kernel, ChannelBlock* channels, int count, int16_t* out);

// renderHalf with a chosen kernel.
uint32_t renderHalfWith(SongState& song, int16_t* buffer, Kernel kernel);

// The scalar reference for one channel: adds its Block to the accumulators
// (64 values each) and moves it on. The vector kernel falls back to it for
// states it has no fast path for.
void mixChannelScalar(ChannelBlock& ch, int32_t* accLeft, int32_t* accRight);

// Kernel entry points; mixBlock dispatches to them.
void mixBlockScalar(ChannelBlock* channels, int count, int16_t* out);
void mixBlockAvx2(ChannelBlock* channels, int count, int16_t* out);
void mixBlockAvx512(ChannelBlock* channels, int count, int16_t* out);
bool cpuHasAvx2();
bool cpuHasAvx512();   // F, BW and VL, with AVX2

}  // namespace tamboro::mixer
