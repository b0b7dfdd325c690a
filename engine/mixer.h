#pragma once
// The voice mixer and its tables. Main thread only: renderHalf runs from the
// refill timer, from the start of playback and from Stream To Disk.

#include <cstdint>

#include "engine/song_state.h"

namespace tamboro {

// Marks a channel at pitch 0: its samples are copied, not interpolated.
inline constexpr int32_t NoInterpolation = -100000;

// Fills song.pitchTable with the phase steps of pitch -12..-1 and +1..+12.
void buildPitchTable(SongState& song);

// Recomputes dstQuadratic and dstLinear of a channel from its distortion.
void updateDistortionCurve(SongState& song, int channel);

// The DST waveshaper for one sample value, with coefficients a (quadratic)
// and b (linear) in 4096ths. The result may leave the 16-bit range.
//
// The curve is odd-symmetric: for u = y >> 4 below zero the result is the
// negated result for -u. Computing it on |u| and restoring the sign without a
// branch keeps noisy material from defeating the branch predictor.
constexpr int32_t shape(int32_t y, int32_t a, int32_t b) {
    const int32_t u = y >> 4;
    const int32_t sign = u >> 31;              // 0 or -1
    const int32_t d = ((u ^ sign) - sign) - 4096;
    const int32_t magnitude = 8 * ((((a * d) >> 12) * d) >> 12) + 8 * ((b * d) >> 12) + 32768;
    return (magnitude ^ sign) - sign;
}

// Renders 128 Blocks (8,192 stereo frames) into buffer and runs the step
// clock after each Block. Returns the bytes rendered: 32,768, or fewer when
// the song ended with stopAtEnd set.
uint32_t renderHalf(SongState& song, int16_t* buffer);

struct FollowClock;
struct StepTimeline;
struct StepMarks;

// renderHalf, noting after which Blocks a new step began (for the MIDI
// clock sent along, engine/clock_out.h). The sound is renderHalf's.
uint32_t renderHalfMarking(SongState& song, int16_t* buffer, StepMarks& marks);

// Renders 128 Blocks as renderHalf does, but with the step clock that
// follows a master (engine/follow_steps.h): the next step is planned anew
// on `timeline` first, and steps begin where it puts them.
void renderHalfFollowing(SongState& song, int16_t* buffer, FollowClock& clock, const StepTimeline& timeline);

}  // namespace tamboro
