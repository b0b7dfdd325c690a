#pragma once
// The one record of the song and its playback: settings, channels, the step
// grid, the loaded samples, the sounding voices, the step clock and the
// device and mode flags. The application owns exactly one; tests build their
// own.
//
// Threads: every field is read and written on the main thread only. No other
// thread touches this record: the audio callback plays the MixBuffer, which
// lives with the output (engine/loop_buffer.h), and a MIDI Start or Stop
// changes only the output's transport atomics there. The main thread's
// 10 ms outputTick (engine/audio_output.h) copies the transport into
// `playing`, so `playing` follows MIDI within one tick.

#include <array>
#include <cstdint>
#include <memory>

#include "engine/sample_data.h"
#include "engine/wave_format.h"

namespace tamboro {

inline constexpr int ChannelCount = 8;
inline constexpr int GridSteps = 128;
inline constexpr int PatternSteps = 16;
inline constexpr int PatternCount = GridSteps / PatternSteps;
inline constexpr int PatternCells = PatternSteps * ChannelCount;
inline constexpr int GridCells = GridSteps * ChannelCount;
inline constexpr int SampleNameBytes = 128;

inline constexpr int BlockFrames = 64;
inline constexpr int BlockBytes = BlockFrames * 4;
inline constexpr int BlocksPerHalf = 128;
inline constexpr int HalfBytes = BlocksPerHalf * BlockBytes;       // 32,768
inline constexpr int MixBufferBytes = 2 * HalfBytes;               // 65,536
inline constexpr int MixBufferValues = MixBufferBytes / 2;

inline constexpr int16_t MinTempo = 60;
inline constexpr int16_t MaxTempo = 318;
inline constexpr int16_t MaxLevel = 64;      // VOL, DST and OVR
inline constexpr int16_t MaxPitch = 12;

// A zero-terminated file name relative to the Samples folder; empty when the
// channel has no sample.
using SampleName = std::array<char, SampleNameBytes>;

struct SampleSlot {
    std::unique_ptr<WaveFormat> sampleFormat;
    SampleData sampleData;        // sampleLength bytes plus the zeroed tail
    int32_t sampleLength = 0;     // bytes, without the tail
    uint8_t stereo = 0;           // 1 when the format's channel count is not 1
};

struct Voice {
    uint32_t position = 0;        // index into sampleData in 16-bit values
    int16_t level = 0;            // volume latched at the last trigger; 0 is silent
};

// The shuffle's pseudo-random generator: one per song state, never reseeded,
// so every run of the program draws the same sequence.
struct ShuffleRandom {
    uint32_t state = 1;
    int32_t next() {
        state = state * 214013u + 2531011u;
        return static_cast<int32_t>((state >> 16) & 0x7FFF);
    }
};

struct SongState {
    SongState();                  // the start-up values
    SongState(const SongState&) = delete;
    SongState& operator=(const SongState&) = delete;

    // Song settings.
    int16_t tempo = 120;          // beats per minute, 60..318
    int16_t shuffle = 0;          // 0..129 Blocks of random delay
    int16_t songLength = 16;      // steps, 16..128 in whole Patterns
    int16_t currentPattern = 0;   // the Pattern shown, 0..7

    // Channel settings.
    std::array<SampleName, ChannelCount> sampleName{};
    std::array<int16_t, ChannelCount> volume{};      // 0..64
    std::array<int16_t, ChannelCount> distortion{};  // 0..64
    std::array<int16_t, ChannelCount> overdrive{};   // 0..64
    std::array<int16_t, ChannelCount> pitch{};       // -12..+12 semitones
    std::array<int16_t, ChannelCount> panLeft{};     // 64ths
    std::array<int16_t, ChannelCount> panRight{};    // 64ths
    std::array<int32_t, ChannelCount> dstQuadratic{};  // 4096ths, follows distortion
    std::array<int32_t, ChannelCount> dstLinear{};     // 4096ths, follows distortion

    // 128 steps of 8 channels; cell (step, channel) at step * 8 + channel.
    std::array<uint8_t, GridCells> stepGrid{};
    std::array<uint16_t, PatternCells> patternClipboard{};

    std::array<SampleSlot, ChannelCount> slots;
    std::array<Voice, ChannelCount> voices{};

    // Phase steps for pitch -12..-1 (entries 0..11) and +1..+12 (12..23).
    std::array<int32_t, 2 * MaxPitch> pitchTable{};

    // Step clock.
    uint32_t blockCounter = 0;    // Blocks completed in the current step
    uint32_t stepCounter = 0;     // the step now sounding
    int32_t endReached = 0;       // set at each wrap to step 0
    int32_t stopAtEnd = 0;        // renderHalf returns at the wrap
    int16_t secondHalfDue = 1;    // which half of the MixBuffer is stale
    ShuffleRandom random;

    // Output and modes.
    int32_t playing = 0;          // playback runs; the lamps show it
    int32_t outputDevice = 0;
    int32_t outputDeviceCount = 0;
    int32_t midiSync = 0;
    int32_t followMidiClock = 0;  // MIDI Sync follows the master's clock
    int32_t followJackTransport = 0;  // playback follows the JACK transport
    int32_t sendMidiClock = 0;    // MIDI clock goes out while playing on its own
    int16_t followedTempo = 0;    // the master's tempo, rounded, while followed; 0: none
    int32_t midiInDevice = 0;
    int32_t modalActive = 0;
};

// The channel settings of a new song, the same at start-up and after New
// Song: VOL, DST (with its curve), OVR and the pans. Names and pitches are
// not touched.
void resetChannelSettings(SongState& song);

// Index of a pitch's phase step in pitchTable; pitch must be nonzero.
constexpr int pitchTableIndex(int pitch) {
    return pitch < 0 ? pitch + MaxPitch : pitch + MaxPitch - 1;
}

}  // namespace tamboro
