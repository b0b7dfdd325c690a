#include "engine/sample_data.h"

#include <new>

namespace tamboro {

SampleData allocateSampleData(uint32_t bytes) {
    if (bytes > MaxSampleBytes) return nullptr;
    // Whole 16-bit values, so an odd byte count still gets its full tail.
    const uint32_t values = (bytes + SampleTailBytes + 1) / 2;
    return SampleData(new (std::nothrow) int16_t[values]());
}

}  // namespace tamboro
