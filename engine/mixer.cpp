#include "engine/mixer.h"

#include <algorithm>
#include <cmath>

#include "engine/clock_out.h"
#include "engine/follow_steps.h"
#include "engine/mixer_kernels.h"
#include "engine/step_clock.h"

namespace tamboro {

void buildPitchTable(SongState& song) {
    // k^n by successive multiplications, as the table has always been built;
    // a call to pow() could differ in the last bit and move a truncation.
    const double k = 1.059463094;
    double power = 1.0;
    for (int n = 1; n <= MaxPitch; ++n) {
        power *= k;
        const auto up = static_cast<int32_t>(std::trunc(4096.0 * (power - 1.0)));
        song.pitchTable[pitchTableIndex(n)] = up;
        song.pitchTable[pitchTableIndex(-n)] = up - 1;
    }
}

void updateDistortionCurve(SongState& song, int channel) {
    // The curve d*t^2 + e*t through (-1, -1), (0, 0) and (a, b), with a and b
    // moving from -0.5 towards -0.93 and -0.07 as DST rises.
    const double scale = static_cast<double>(1.0f / 150.0f);
    const double x = song.distortion[channel] * scale + 0.5;
    const double a = static_cast<float>(-x);
    const double b = static_cast<float>(x - 1.0);
    const double d = (b - a) / (a * (a + 1.0));
    song.dstQuadratic[channel] = static_cast<int32_t>(std::trunc(4096.0 * d));
    song.dstLinear[channel] = static_cast<int32_t>(std::trunc(4096.0 * (b - d * a * a) / a));
}

namespace mixer {
namespace {

template <bool Checked>
inline int32_t sampleAt(const ChannelBlock& ch, uint32_t index) {
    if constexpr (Checked)
        return index < ch.valueCount ? ch.samples[index] : 0;
    else
        return ch.samples[index];
}

// The parabola through (0, s0), (1, s1), (2, s2) at n / 4096.
inline int32_t parabola(int32_t s0, int32_t s1, int32_t s2, int32_t n) {
    const int32_t q = (s0 + s2) / 2 - s1;
    return s0 + (((s1 - s0 - q) * n) >> 12) + ((((n * q) >> 12) * n) >> 12);
}

inline int32_t clip16(int32_t v) {
    return std::clamp(v, -32767, 32767);
}

// How a channel reads its sample; the same for every frame of a Block.
//   Copy: pitch 0, the values as they stand.
//   Up: the phase rises by -phaseStep per frame; where it passes 4095 it
//       wraps and the read position moves on by one frame more.
//   Down: the phase falls by phaseStep per frame; where it would drop below
//       0 the read position holds for one frame and the phase restarts at
//       4096 instead of wrapping.
enum class Read { Copy, Up, Down };

Read readOf(const ChannelBlock& ch) {
    if (ch.phase == NoInterpolation)
        return Read::Copy;
    return ch.phaseStep < 0 ? Read::Up : Read::Down;
}

// One frame's values before DST, OVR and gain; right equals left for mono.
struct Frame {
    int32_t left;
    int32_t right;
};

// Width is the number of interleaved values per frame (1 mono, 2 stereo).
template <int Width, bool Checked>
inline Frame copiedFrame(const ChannelBlock& ch, uint32_t e) {
    const int32_t left = sampleAt<Checked>(ch, e);
    return {left, Width == 2 ? sampleAt<Checked>(ch, e + 1) : left};
}

// The parabola through the frames at e, e + 1 and e + 2, at the phase.
template <int Width, bool Checked>
inline Frame interpolatedFrame(const ChannelBlock& ch, uint32_t e) {
    const int32_t n = ch.phase;
    const int32_t left = parabola(sampleAt<Checked>(ch, e), sampleAt<Checked>(ch, e + Width),
                                  sampleAt<Checked>(ch, e + 2 * Width), n);
    if constexpr (Width == 1)
        return {left, left};
    return {left, parabola(sampleAt<Checked>(ch, e + 1), sampleAt<Checked>(ch, e + 3),
                           sampleAt<Checked>(ch, e + 5), n)};
}

// Moves the read position and the phase past one frame.
template <int Width, Read R>
inline void advanceFrame(ChannelBlock& ch) {
    const uint32_t e = ch.position;
    ch.position = e + Width;
    if constexpr (R == Read::Up) {
        ch.phase -= ch.phaseStep;
        if (ch.phase > 4095) {
            ch.phase -= 4096;
            ch.position = e + 2 * Width;
        }
    } else if constexpr (R == Read::Down) {
        ch.phase -= ch.phaseStep;
        if (ch.phase < 0) {
            ch.phase = 4096;
            ch.position = e;
        }
    }
}

// DST, OVR, the clip to 16 bits and the gains; adds the frame to the sums.
template <int Width>
inline void addFrame(const ChannelBlock& ch, Frame v, int32_t& accLeft, int32_t& accRight) {
    if (ch.dstQuadratic != 0) {
        v.left = shape(v.left, ch.dstQuadratic, ch.dstLinear);
        v.right = Width == 2 ? shape(v.right, ch.dstQuadratic, ch.dstLinear) : v.left;
    }
    if (ch.overdriveFactor != 0) {
        v.left = (v.left * ch.overdriveFactor) >> 5;
        v.right = (v.right * ch.overdriveFactor) >> 5;
    }
    accLeft += clip16(v.left) * ch.gainLeft;
    accRight += clip16(v.right) * ch.gainRight;
}

template <int Width, Read R, bool Checked>
void mixChannelBlock(ChannelBlock& ch, int32_t* accLeft, int32_t* accRight) {
    for (int f = 0; f < BlockFrames; ++f) {
        // The frame is read at the position and phase it starts with.
        const Frame v = R == Read::Copy ? copiedFrame<Width, Checked>(ch, ch.position)
                                        : interpolatedFrame<Width, Checked>(ch, ch.position);
        advanceFrame<Width, R>(ch);
        addFrame<Width>(ch, v, accLeft[f], accRight[f]);
    }
}

// A voice at level 0 is silent but still runs through its sample; only its
// position and phase need to move.
template <int Width, Read R>
void advanceSilentBlock(ChannelBlock& ch) {
    if constexpr (R == Read::Copy) {
        ch.position += BlockFrames * Width;
    } else {
        for (int f = 0; f < BlockFrames; ++f)
            advanceFrame<Width, R>(ch);
    }
}

// A Block reads at most two frames ahead per frame, plus the parabola's
// reach; only Blocks near the end of the data need checked reads.
template <int Width, Read R>
void mixChannelAs(ChannelBlock& ch, int32_t* accLeft, int32_t* accRight) {
    if (ch.gainLeft == 0 && ch.gainRight == 0) {
        advanceSilentBlock<Width, R>(ch);
        return;
    }
    const uint64_t lastRead = uint64_t{ch.position} + 2u * Width * BlockFrames + 2u * Width + 1u;
    if (lastRead < ch.valueCount)
        mixChannelBlock<Width, R, false>(ch, accLeft, accRight);
    else
        mixChannelBlock<Width, R, true>(ch, accLeft, accRight);
}

template <int Width>
void mixChannel(ChannelBlock& ch, int32_t* accLeft, int32_t* accRight) {
    switch (readOf(ch)) {
    case Read::Copy:
        mixChannelAs<Width, Read::Copy>(ch, accLeft, accRight);
        break;
    case Read::Up:
        mixChannelAs<Width, Read::Up>(ch, accLeft, accRight);
        break;
    case Read::Down:
        mixChannelAs<Width, Read::Down>(ch, accLeft, accRight);
        break;
    }
}

void writeBlock(const int32_t* accLeft, const int32_t* accRight, int16_t* out) {
    for (int f = 0; f < BlockFrames; ++f) {
        out[2 * f] = static_cast<int16_t>(clip16((accLeft[f] * 64) >> 14));
        out[2 * f + 1] = static_cast<int16_t>(clip16((accRight[f] * 64) >> 14));
    }
}

}  // namespace

void mixChannelScalar(ChannelBlock& ch, int32_t* accLeft, int32_t* accRight) {
    if (ch.width == 2)
        mixChannel<2>(ch, accLeft, accRight);
    else
        mixChannel<1>(ch, accLeft, accRight);
}

void mixBlockScalar(ChannelBlock* channels, int count, int16_t* out) {
    int32_t accLeft[BlockFrames] = {};
    int32_t accRight[BlockFrames] = {};
    for (int i = 0; i < count; ++i)
        mixChannelScalar(channels[i], accLeft, accRight);
    writeBlock(accLeft, accRight, out);
}

bool kernelAvailable(Kernel kernel) {
    switch (kernel) {
    case Kernel::Scalar:
        return true;
    case Kernel::Avx2:
        return cpuHasAvx2();
    case Kernel::Avx512:
        return cpuHasAvx512();
    }
    return false;
}

namespace {

Kernel chooseKernel() {
    if (kernelAvailable(Kernel::Avx512))
        return Kernel::Avx512;
    if (kernelAvailable(Kernel::Avx2))
        return Kernel::Avx2;
    return Kernel::Scalar;
}

// Chosen while the program starts, so that renderHalf never passes an
// initialisation guard. Should a renderHalf run before this initialiser, it
// finds the zero value, the scalar kernel.
const Kernel chosenKernel = chooseKernel();

}  // namespace

Kernel bestKernel() {
    return chosenKernel;
}

void mixBlock(Kernel kernel, ChannelBlock* channels, int count, int16_t* out) {
    switch (kernel) {
    case Kernel::Avx512:
        mixBlockAvx512(channels, count, out);
        break;
    case Kernel::Avx2:
        mixBlockAvx2(channels, count, out);
        break;
    case Kernel::Scalar:
        mixBlockScalar(channels, count, out);
        break;
    }
}

namespace {

// The 128 Blocks of a half, with `afterBlock()` run after each; it returns
// true to end the half there.
template <typename AfterBlock>
uint32_t renderBlocks(SongState& song, int16_t* buffer, Kernel kernel, AfterBlock&& afterBlock) {
    // Pitch set-up, once per call: a knob change is heard from the next call.
    int32_t phase[ChannelCount];
    int32_t phaseStep[ChannelCount];
    for (int c = 0; c < ChannelCount; ++c) {
        const int p = song.pitch[c];
        phaseStep[c] = 0;
        if (p < 0) {
            phase[c] = 4096;
            phaseStep[c] = song.pitchTable[pitchTableIndex(p)];
        } else if (p > 0) {
            phase[c] = 0;
            phaseStep[c] = -song.pitchTable[pitchTableIndex(p)];
        } else {
            phase[c] = NoInterpolation;
        }
    }

    for (int k = 1; k <= BlocksPerHalf; ++k) {
        ChannelBlock channels[ChannelCount];
        int channelOf[ChannelCount];
        int count = 0;
        for (int c = 0; c < ChannelCount; ++c) {
            const SampleSlot& slot = song.slots[c];
            if (!slot.sampleData)
                continue;
            const Voice& voice = song.voices[c];
            const int32_t overdrive = song.overdrive[c];
            channels[count] = ChannelBlock{
                slot.sampleData.get(),
                static_cast<uint32_t>(slot.sampleLength / 2),
                voice.position,
                phase[c],
                phaseStep[c],
                slot.stereo ? 2 : 1,
                song.dstQuadratic[c],
                song.dstLinear[c],
                overdrive > 0 ? 2 * overdrive + 32 : 0,
                static_cast<int16_t>((voice.level * song.panLeft[c]) / 64),
                static_cast<int16_t>((voice.level * song.panRight[c]) / 64),
            };
            channelOf[count++] = c;
        }
        mixBlock(kernel, channels, count, buffer + (k - 1) * BlockFrames * 2);
        for (int i = 0; i < count; ++i) {
            song.voices[channelOf[i]].position = channels[i].position;
            phase[channelOf[i]] = channels[i].phase;
        }

        if (afterBlock())
            return static_cast<uint32_t>(k * BlockBytes);
    }
    return HalfBytes;
}

}  // namespace

uint32_t renderHalfWith(SongState& song, int16_t* buffer, Kernel kernel) {
    uint32_t blocksPerStep = blocksPerStepFor(song.tempo);
    return renderBlocks(song, buffer, kernel, [&] { return stepClockAfterBlock(song, blocksPerStep); });
}

}  // namespace mixer

uint32_t renderHalf(SongState& song, int16_t* buffer) {
    return mixer::renderHalfWith(song, buffer, mixer::bestKernel());
}

uint32_t renderHalfMarking(SongState& song, int16_t* buffer, StepMarks& marks) {
    uint32_t blocksPerStep = blocksPerStepFor(song.tempo);
    marks.count = 0;
    int block = 0;
    return mixer::renderBlocks(song, buffer, mixer::bestKernel(), [&] {
        ++block;
        const bool ended = stepClockAfterBlock(song, blocksPerStep);
        if (song.blockCounter == 0 && !ended)
            marks.blocks[marks.count++] = static_cast<uint8_t>(block);
        return ended;
    });
}

void renderHalfFollowing(SongState& song, int16_t* buffer, FollowClock& clock, const StepTimeline& timeline) {
    planNextStep(clock, timeline);
    mixer::renderBlocks(song, buffer, mixer::bestKernel(), [&] {
        followClockAfterBlock(song, clock, timeline);
        return false;
    });
}

}  // namespace tamboro
