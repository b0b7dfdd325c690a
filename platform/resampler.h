#pragma once
// Feeds a device that does not run at 44,100 Hz: pulls 44,100 Hz frames
// from the LoopBuffer and converts them to the device's rate with
// libsamplerate, so pitch and tempo stay right. Everything is allocated by
// open; reset and read allocate nothing.
//
// Threads: open and close on the main thread while no callback runs; reset
// and read on the audio callback thread.

#include <cstdint>
#include <string>
#include <vector>

typedef struct SRC_STATE_tag SRC_STATE;

namespace tamboro {

class LoopBuffer;

class Resampler {
public:
    Resampler() = default;
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    bool open(LoopBuffer& loop, unsigned deviceRate, std::string& error);
    void close();
    bool isOpen() const { return state_ != nullptr; }

    // Forgets the history, so that a playback that begins now starts clean
    // and without delay.
    void reset();
    // Fills `frames` stereo frames at the device's rate, in -1..1.
    void read(float* out, uint32_t frames);

private:
    static long pull(void* self, float** data);

    static constexpr uint32_t ChunkFrames = 128;
    SRC_STATE* state_ = nullptr;
    LoopBuffer* loop_ = nullptr;
    double ratio_ = 1.0;   // device frames per 44,100 Hz frame
    std::vector<int16_t> pcm_;
    std::vector<float> chunk_;
};

}  // namespace tamboro
