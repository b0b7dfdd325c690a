// The AVX-512 kernel of the voice mixer (the body is in mixer_vector.h).

#include "engine/mixer_kernels.h"

#if defined(__x86_64__) || defined(__i386__)

#define MIXER_TARGET "avx2,avx512f,avx512bw,avx512vl"
#define MIXER_AVX512 1
#define MIXER_BLOCK_FUNCTION mixBlockAvx512
#include "engine/mixer_vector.h"

namespace tamboro::mixer {

bool cpuHasAvx512() {
    __builtin_cpu_init();  // may run before the run-time library's own initialisers
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("avx512f") &&
           __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl");
}

}  // namespace tamboro::mixer

#else  // no x86: the scalar kernel is the only one

namespace tamboro::mixer {

bool cpuHasAvx512() {
    return false;
}

void mixBlockAvx512(ChannelBlock* channels, int count, int16_t* out) {
    mixBlockScalar(channels, count, out);
}

}  // namespace tamboro::mixer

#endif
