// The body of the vector mixer kernels, included by mixer_avx2.cpp and
// mixer_avx512.cpp only, each with its own instruction set:
//   MIXER_TARGET          the target attribute of the vector functions
//   MIXER_AVX512          1 when AVX-512 (F, BW, VL) may be used
//   MIXER_BLOCK_FUNCTION  the name of the kernel's mixBlock entry point
//
// One channel at a time, eight frames in a register, the same values as the
// scalar reference in mixer.cpp, bit for bit. A channel's read positions and
// phases within a Block follow from its state at the Block's start in closed
// form (see Walk), so the frames of a Block do not depend on each other and
// their reads, parabolas, waveshaping, overdrive and gains run eight at a
// time.
//
// Sample values are fetched as pairs: a 32-bit lane whose low half is the
// value at the index and whose high half the one after it, which is the right
// side of a stereo frame or the middle point of a mono parabola. With AVX2
// the pairs come from gathers. With AVX-512 the interpolating reads take them
// from permutes of a window of the data, loaded under a mask of 16-bit lanes
// that reads nothing at or beyond the end; gathers remain for the rare pitch 0
// Block that runs into the end of its data.
//
// The functions carry target attributes instead of their files being built
// with -mavx2 or -mavx512f, so no vector code can leak into callers that run
// on CPUs without it.

#include <immintrin.h>

#include "engine/mixer.h"
#include "engine/mixer_kernels.h"

namespace tamboro::mixer {

namespace {

#define VECTOR_FUNCTION __attribute__((target(MIXER_TARGET)))
#define VECTOR_INLINE __attribute__((target(MIXER_TARGET), always_inline)) inline

// How a channel moves through one Block.
//
// Copy (pitch 0): frame f reads at e0 + W*f.
//
// Up (phaseStep = -s, 0 < s < 4096, phase n0 in 0..4095): the phase grows by s
// and wraps at 4096, the position moving one frame more at each wrap. With
// t = n0 + f*s, frame f interpolates at t & 4095 and reads at
// e0 + W*(f + (t >> 12)).
//
// Down (phaseStep = s > 0): the phase falls from 4096 by s while it stays
// non-negative; the frame that would take it below 0 holds the position and
// puts the phase back to 4096. The phase is therefore always 4096 - j*s with
// j counting 0, 1, ..., q (q = 4096 / s) and starting again, a cycle of
// P = q + 1 frames whose last frame holds. With x = j0 + f, frame f
// interpolates at 4096 - (x mod P)*s and reads at e0 + W*(f - x / P).
enum class Read { Copy, Up, Down, Other };

struct Walk {
    uint32_t e0;
    int32_t start;    // Up: the phase n0; Down: j0
    int32_t step;     // s
    int32_t period;   // Down: P
    int32_t inverse;  // Down: ceil(2^20 / P), for x / P as (x * inverse) >> 20
};

// Down steps below this one (pitch tables other than the program's own) go
// to the scalar reference; it bounds P and makes the division below exact.
constexpr int32_t MinDownStep = 64;
constexpr int32_t MaxPeriod = 4096 / MinDownStep + 1;
constexpr int InverseShift = 20;

constexpr int32_t inverseOf(int32_t period) {
    return ((1 << InverseShift) + period - 1) / period;
}

// x / P as a multiplication and a shift, for every x a Block can reach
// (j0 < P, f <= 64) and every period a fast path takes.
constexpr bool divisionByInverseIsExact() {
    for (int32_t p = 1; p <= MaxPeriod; ++p)
        for (int32_t x = 0; x < p + BlockFrames; ++x)
            if ((x * inverseOf(p)) >> InverseShift != x / p)
                return false;
    return true;
}
static_assert(divisionByInverseIsExact());

Read classify(const ChannelBlock& ch, Walk& walk) {
    walk = Walk{ch.position, 0, 0, 1, 0};
    // Positions this far out are never reached by a sounding voice; leaving
    // them to the reference keeps index arithmetic in the vector path free of
    // 32-bit wrap-around.
    if (ch.position >= 0x40000000u)
        return Read::Other;
    if (ch.phase == NoInterpolation)
        return Read::Copy;
    if (ch.phaseStep < 0) {
        if (ch.phaseStep < -4095 || ch.phase < 0 || ch.phase > 4095)
            return Read::Other;
        walk.start = ch.phase;
        walk.step = -ch.phaseStep;
        return Read::Up;
    }
    const int32_t s = ch.phaseStep;
    if (s < MinDownStep || s > 4096 || ch.phase < 0 || ch.phase > 4096 || (4096 - ch.phase) % s != 0)
        return Read::Other;
    walk.start = (4096 - ch.phase) / s;
    walk.step = s;
    walk.period = 4096 / s + 1;
    walk.inverse = inverseOf(walk.period);
    return Read::Down;
}

// Position and phase after the Block's 64 frames.
template <Read R>
void finishWalk(ChannelBlock& ch, const Walk& walk) {
    const auto width = static_cast<uint32_t>(ch.width);
    if constexpr (R == Read::Copy) {
        ch.position = walk.e0 + width * BlockFrames;
    } else if constexpr (R == Read::Up) {
        const int32_t t = walk.start + BlockFrames * walk.step;
        ch.phase = t & 4095;
        ch.position = walk.e0 + width * static_cast<uint32_t>(BlockFrames + (t >> 12));
    } else {
        const int32_t x = walk.start + BlockFrames;
        const int32_t holds = x / walk.period;
        ch.phase = 4096 - (x - holds * walk.period) * walk.step;
        ch.position = walk.e0 + width * static_cast<uint32_t>(BlockFrames - holds);
    }
}

VECTOR_INLINE __m256i lessUnsigned(__m256i a, __m256i b) {
    const __m256i bias = _mm256_set1_epi32(INT32_MIN);
    return _mm256_cmpgt_epi32(_mm256_xor_si256(b, bias), _mm256_xor_si256(a, bias));
}

VECTOR_INLINE __m256i low16(__m256i pairs) {
    return _mm256_srai_epi32(_mm256_slli_epi32(pairs, 16), 16);
}

VECTOR_INLINE __m256i high16(__m256i pairs) {
    return _mm256_srai_epi32(pairs, 16);
}

// x / 2, truncating toward zero.
VECTOR_INLINE __m256i halve(__m256i x) {
    return _mm256_srai_epi32(_mm256_add_epi32(x, _mm256_srli_epi32(x, 31)), 1);
}

VECTOR_INLINE __m256i mul(__m256i a, __m256i b) {
    return _mm256_mullo_epi32(a, b);
}

// The parabola through (0, s0), (1, s1), (2, s2) at n / 4096.
VECTOR_INLINE __m256i parabola(__m256i s0, __m256i s1, __m256i s2, __m256i n) {
    const __m256i q = _mm256_sub_epi32(halve(_mm256_add_epi32(s0, s2)), s1);
    const __m256i slope = _mm256_sub_epi32(_mm256_sub_epi32(s1, s0), q);
    const __m256i linear = _mm256_srai_epi32(mul(slope, n), 12);
    const __m256i curve = _mm256_srai_epi32(mul(_mm256_srai_epi32(mul(n, q), 12), n), 12);
    return _mm256_add_epi32(_mm256_add_epi32(s0, linear), curve);
}

// The DST waveshaper, as shape() in mixer.h.
VECTOR_INLINE __m256i shape(__m256i y, __m256i a, __m256i b) {
    const __m256i u = _mm256_srai_epi32(y, 4);
    const __m256i sign = _mm256_srai_epi32(u, 31);
    const __m256i d = _mm256_sub_epi32(_mm256_abs_epi32(u), _mm256_set1_epi32(4096));
    const __m256i quadratic =
        _mm256_srai_epi32(mul(_mm256_srai_epi32(mul(a, d), 12), d), 12);
    const __m256i linear = _mm256_srai_epi32(mul(b, d), 12);
    const __m256i magnitude =
        _mm256_add_epi32(_mm256_slli_epi32(_mm256_add_epi32(quadratic, linear), 3),
                         _mm256_set1_epi32(32768));
    return _mm256_sub_epi32(_mm256_xor_si256(magnitude, sign), sign);
}

VECTOR_INLINE __m256i clip16(__m256i v) {
    return _mm256_max_epi32(_mm256_min_epi32(v, _mm256_set1_epi32(32767)), _mm256_set1_epi32(-32767));
}

// Value pairs at 16-bit indices; lanes whose index is not below valueCount
// read nothing and give 0 when Checked. An unchecked Block's reads all lie
// inside the data.
template <bool Checked>
VECTOR_INLINE __m256i gatherPairs(const int16_t* samples, __m256i index, __m256i valueCount) {
    const int* base = reinterpret_cast<const int*>(samples);
    if constexpr (Checked)
        return _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), base, index,
                                           lessUnsigned(index, valueCount), 2);
    else
        return _mm256_i32gather_epi32(base, index, 2);
}

// The high half of a pair, 0 when its index (index + 1) is not below
// valueCount: a gathered pair may end on the zeroed tail, or on the second
// byte of an odd-sized sample, which still reads as 0.
template <bool Checked>
VECTOR_INLINE __m256i highOf(__m256i pairs, __m256i index, __m256i valueCount) {
    const __m256i value = high16(pairs);
    if constexpr (Checked)
        return _mm256_and_si256(
            value, lessUnsigned(_mm256_add_epi32(index, _mm256_set1_epi32(1)), valueCount));
    else
        return value;
}

#if MIXER_AVX512
// 16 values from index `first` on, as 16-bit lanes; the values at or beyond
// valueCount read as 0 and are not touched.
VECTOR_INLINE __m256i loadWindow(const int16_t* samples, uint32_t first, uint32_t valueCount) {
    if (first >= valueCount)
        return _mm256_setzero_si256();
    const uint32_t available = valueCount - first;
    const __mmask16 mask =
        available >= 16 ? __mmask16{0xFFFF} : static_cast<__mmask16>((1u << available) - 1);
    return _mm256_maskz_loadu_epi16(mask, samples + first);
}
#endif

template <int W, Read R, bool Dst, bool Ovr, bool Checked>
VECTOR_FUNCTION void mixChannelBlock(ChannelBlock& ch, const Walk& walk, int32_t* accLeft,
                                     int32_t* accRight) {
    const int16_t* samples = ch.samples;
    const __m256i valueCount = _mm256_set1_epi32(static_cast<int32_t>(ch.valueCount));
    const __m256i e0 = _mm256_set1_epi32(static_cast<int32_t>(walk.e0));
    const __m256i start = _mm256_set1_epi32(walk.start);
    const __m256i step = _mm256_set1_epi32(walk.step);
    const __m256i period = _mm256_set1_epi32(walk.period);
    const __m256i inverse = _mm256_set1_epi32(walk.inverse);
    const __m256i dstA = _mm256_set1_epi32(ch.dstQuadratic);
    const __m256i dstB = _mm256_set1_epi32(ch.dstLinear);
    const __m256i overdrive = _mm256_set1_epi32(ch.overdriveFactor);
    const __m256i gainLeft = _mm256_set1_epi32(ch.gainLeft);
    const __m256i gainRight = _mm256_set1_epi32(ch.gainRight);
    const __m256i two = _mm256_set1_epi32(2);
    __m256i frame = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);

    for (int v = 0; v < BlockFrames / 8; ++v, frame = _mm256_add_epi32(frame, _mm256_set1_epi32(8))) {
        // Read index (in values) and phase of each of the eight frames.
        __m256i index;
        __m256i n = _mm256_setzero_si256();
        if constexpr (R == Read::Copy) {
            index = _mm256_add_epi32(e0, _mm256_slli_epi32(frame, W - 1));
        } else if constexpr (R == Read::Up) {
            const __m256i t = _mm256_add_epi32(start, mul(frame, step));
            n = _mm256_and_si256(t, _mm256_set1_epi32(4095));
            const __m256i frames = _mm256_add_epi32(frame, _mm256_srli_epi32(t, 12));
            index = _mm256_add_epi32(e0, _mm256_slli_epi32(frames, W - 1));
        } else {
            const __m256i x = _mm256_add_epi32(start, frame);
            const __m256i holds = _mm256_srli_epi32(mul(x, inverse), InverseShift);
            const __m256i j = _mm256_sub_epi32(x, mul(holds, period));
            n = _mm256_sub_epi32(_mm256_set1_epi32(4096), mul(j, step));
            const __m256i frames = _mm256_sub_epi32(frame, holds);
            index = _mm256_add_epi32(e0, _mm256_slli_epi32(frames, W - 1));
        }

        __m256i left;
        __m256i right;
        if constexpr (R == Read::Copy) {
            __m256i pairs;
            if constexpr (Checked)
                pairs = gatherPairs<true>(samples, index, valueCount);
            else if constexpr (W == 1)
                pairs = _mm256_cvtepi16_epi32(_mm_loadu_si128(
                    reinterpret_cast<const __m128i*>(samples + walk.e0 + 8u * static_cast<uint32_t>(v))));
            else
                pairs = _mm256_loadu_si256(
                    reinterpret_cast<const __m256i*>(samples + walk.e0 + 16u * static_cast<uint32_t>(v)));
            // An unchecked mono load already holds the values, sign-extended.
            left = (W == 1 && !Checked) ? pairs : low16(pairs);
            right = W == 2 ? highOf<Checked>(pairs, index, valueCount) : left;
        } else if constexpr (MIXER_AVX512 && W == 1) {
#if MIXER_AVX512
            // Eight frames read within 2 * 7 + 2 values of the first one: a
            // window of 32 values, each lane picking its pair of values.
            const uint32_t first = static_cast<uint32_t>(_mm256_cvtsi256_si32(index));
            const __m256i low = loadWindow(samples, first, ch.valueCount);
            const __m256i high = loadWindow(samples, first + 16, ch.valueCount);
            const __m256i at = _mm256_sub_epi32(index, _mm256_set1_epi32(static_cast<int32_t>(first)));
            const __m256i next = _mm256_add_epi32(at, _mm256_set1_epi32(1));
            const __m256i at01 = _mm256_or_si256(at, _mm256_slli_epi32(next, 16));
            const __m256i at23 = _mm256_add_epi32(at01, _mm256_set1_epi32(0x00020002));
            const __m256i p0 = _mm256_permutex2var_epi16(low, at01, high);
            const __m256i p2 = _mm256_permutex2var_epi16(low, at23, high);
            left = parabola(low16(p0), high16(p0), low16(p2), n);
            right = left;
#endif
        } else if constexpr (MIXER_AVX512 && W == 2) {
#if MIXER_AVX512
            // Eight frames read within 7 + 2 pairs of the first one: a window
            // of 16 pairs for the first two points of each parabola and one
            // two pairs further on for the third.
            const uint32_t first = static_cast<uint32_t>(_mm256_cvtsi256_si32(index));
            const __m256i low = loadWindow(samples, first, ch.valueCount);
            const __m256i high = loadWindow(samples, first + 16, ch.valueCount);
            const __m256i lowOn = loadWindow(samples, first + 4, ch.valueCount);
            const __m256i highOn = loadWindow(samples, first + 20, ch.valueCount);
            const __m256i at = _mm256_srli_epi32(
                _mm256_sub_epi32(index, _mm256_set1_epi32(static_cast<int32_t>(first))), 1);
            const __m256i p0 = _mm256_permutex2var_epi32(low, at, high);
            const __m256i next = _mm256_add_epi32(at, _mm256_set1_epi32(1));
            const __m256i p2 = _mm256_permutex2var_epi32(low, next, high);
            const __m256i p4 = _mm256_permutex2var_epi32(lowOn, at, highOn);
            left = parabola(low16(p0), low16(p2), low16(p4), n);
            right = parabola(high16(p0), high16(p2), high16(p4), n);
#endif
        } else if constexpr (W == 1) {
            const __m256i index2 = _mm256_add_epi32(index, two);
            const __m256i p0 = gatherPairs<Checked>(samples, index, valueCount);
            const __m256i p2 = gatherPairs<Checked>(samples, index2, valueCount);
            left = parabola(low16(p0), highOf<Checked>(p0, index, valueCount), low16(p2), n);
            right = left;
        } else {
            const __m256i index2 = _mm256_add_epi32(index, two);
            const __m256i index4 = _mm256_add_epi32(index2, two);
            const __m256i p0 = gatherPairs<Checked>(samples, index, valueCount);
            const __m256i p2 = gatherPairs<Checked>(samples, index2, valueCount);
            const __m256i p4 = gatherPairs<Checked>(samples, index4, valueCount);
            left = parabola(low16(p0), low16(p2), low16(p4), n);
            right = parabola(highOf<Checked>(p0, index, valueCount), highOf<Checked>(p2, index2, valueCount),
                             highOf<Checked>(p4, index4, valueCount), n);
        }

        if constexpr (Dst) {
            left = shape(left, dstA, dstB);
            if constexpr (W == 2)
                right = shape(right, dstA, dstB);
        }
        if constexpr (Ovr) {
            left = _mm256_srai_epi32(mul(left, overdrive), 5);
            if constexpr (W == 2)
                right = _mm256_srai_epi32(mul(right, overdrive), 5);
        }
        left = clip16(left);
        right = W == 2 ? clip16(right) : left;

        __m256i* outLeft = reinterpret_cast<__m256i*>(accLeft) + v;
        __m256i* outRight = reinterpret_cast<__m256i*>(accRight) + v;
        _mm256_store_si256(outLeft, _mm256_add_epi32(_mm256_load_si256(outLeft), mul(left, gainLeft)));
        _mm256_store_si256(outRight, _mm256_add_epi32(_mm256_load_si256(outRight), mul(right, gainRight)));
    }
    finishWalk<R>(ch, walk);
}

using ChannelFunction = void (*)(ChannelBlock&, const Walk&, int32_t*, int32_t*);

template <int W, Read R, bool Dst, bool Ovr>
ChannelFunction pickChecked(bool checked) {
    return checked ? &mixChannelBlock<W, R, Dst, Ovr, true> : &mixChannelBlock<W, R, Dst, Ovr, false>;
}

template <int W, Read R>
ChannelFunction pickEffects(bool dst, bool ovr, bool checked) {
    if (dst)
        return ovr ? pickChecked<W, R, true, true>(checked) : pickChecked<W, R, true, false>(checked);
    return ovr ? pickChecked<W, R, false, true>(checked) : pickChecked<W, R, false, false>(checked);
}

template <int W>
ChannelFunction pickRead(Read read, bool dst, bool ovr, bool checked) {
    switch (read) {
    case Read::Copy:
        return pickEffects<W, Read::Copy>(dst, ovr, checked);
    case Read::Up:
        return pickEffects<W, Read::Up>(dst, ovr, checked);
    default:
        return pickEffects<W, Read::Down>(dst, ovr, checked);
    }
}

void mixChannel(ChannelBlock& ch, int32_t* accLeft, int32_t* accRight) {
    Walk walk;
    const Read read = classify(ch, walk);
    if (read == Read::Other) {
        mixChannelScalar(ch, accLeft, accRight);
        return;
    }
    if (ch.gainLeft == 0 && ch.gainRight == 0) {
        // Silent: only the position and phase move.
        switch (read) {
        case Read::Copy:
            finishWalk<Read::Copy>(ch, walk);
            break;
        case Read::Up:
            finishWalk<Read::Up>(ch, walk);
            break;
        default:
            finishWalk<Read::Down>(ch, walk);
            break;
        }
        return;
    }
    // The same bound as the reference: a Block reads at most two frames
    // ahead per frame plus the parabola's reach, and a gathered pair one
    // value more.
    const uint32_t width = static_cast<uint32_t>(ch.width);
    const uint64_t lastRead = uint64_t{ch.position} + 2u * width * BlockFrames + 2u * width + 1u;
    const bool checked = lastRead >= ch.valueCount;
    const bool dst = ch.dstQuadratic != 0;
    const bool ovr = ch.overdriveFactor != 0;
    const ChannelFunction mix = width == 2 ? pickRead<2>(read, dst, ovr, checked)
                                           : pickRead<1>(read, dst, ovr, checked);
    mix(ch, walk, accLeft, accRight);
}

VECTOR_FUNCTION void writeBlock(const int32_t* accLeft, const int32_t* accRight, int16_t* out) {
    for (int v = 0; v < BlockFrames / 8; ++v) {
        const __m256i l = _mm256_load_si256(reinterpret_cast<const __m256i*>(accLeft) + v);
        const __m256i r = _mm256_load_si256(reinterpret_cast<const __m256i*>(accRight) + v);
        const __m256i left = clip16(_mm256_srai_epi32(_mm256_slli_epi32(l, 6), 14));
        const __m256i right = clip16(_mm256_srai_epi32(_mm256_slli_epi32(r, 6), 14));
        const __m256i frames = _mm256_or_si256(_mm256_and_si256(left, _mm256_set1_epi32(0xFFFF)),
                                               _mm256_slli_epi32(right, 16));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out) + v, frames);
    }
}

}  // namespace

VECTOR_FUNCTION void MIXER_BLOCK_FUNCTION(ChannelBlock* channels, int count, int16_t* out) {
    alignas(32) int32_t accLeft[BlockFrames];
    alignas(32) int32_t accRight[BlockFrames];
    for (int v = 0; v < BlockFrames / 8; ++v) {
        _mm256_store_si256(reinterpret_cast<__m256i*>(accLeft) + v, _mm256_setzero_si256());
        _mm256_store_si256(reinterpret_cast<__m256i*>(accRight) + v, _mm256_setzero_si256());
    }
    for (int i = 0; i < count; ++i)
        mixChannel(channels[i], accLeft, accRight);
    writeBlock(accLeft, accRight, out);
}

#undef VECTOR_FUNCTION
#undef VECTOR_INLINE

}  // namespace tamboro::mixer
