#include "platform/resampler.h"

#include <samplerate.h>

#include <cstring>

#include "engine/loop_buffer.h"

namespace tamboro {

Resampler::~Resampler() {
    close();
}

bool Resampler::open(LoopBuffer& loop, unsigned deviceRate, std::string& error) {
    close();
    loop_ = &loop;
    ratio_ = static_cast<double>(deviceRate) / 44100.0;
    pcm_.assign(ChunkFrames * 2, 0);
    chunk_.assign(ChunkFrames * 2, 0.0f);
    int status = 0;
    // The fastest sinc converter: clean at these ratios, about 32 us per
    // 256 frames, and no delay after src_reset.
    state_ = src_callback_new(&Resampler::pull, SRC_SINC_FASTEST, 2, &status, this);
    if (!state_) {
        error = std::string("The resampler could not be made: ") + src_strerror(status);
        return false;
    }
    return true;
}

void Resampler::close() {
    if (state_)
        src_delete(state_);
    state_ = nullptr;
}

void Resampler::reset() {
    src_reset(state_);
}

void Resampler::read(float* out, uint32_t frames) {
    long done = 0;
    while (done < static_cast<long>(frames)) {
        const long got = src_callback_read(state_, ratio_, frames - done, out + done * 2);
        if (got <= 0)
            break;
        done += got;
    }
    if (done < static_cast<long>(frames))
        std::memset(out + done * 2, 0, (frames - done) * 2 * sizeof(float));
}

long Resampler::pull(void* self, float** data) {
    auto& r = *static_cast<Resampler*>(self);
    r.loop_->readFrames(r.pcm_.data(), ChunkFrames);
    for (size_t i = 0; i < r.pcm_.size(); ++i)
        r.chunk_[i] = static_cast<float>(r.pcm_[i]) * (1.0f / 32768.0f);
    *data = r.chunk_.data();
    return ChunkFrames;
}

}  // namespace tamboro
