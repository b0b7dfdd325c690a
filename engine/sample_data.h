#pragma once
// A loaded sample's data block: the sample bytes followed by a zeroed tail.

#include <bit>
#include <cstdint>
#include <memory>

namespace tamboro {

static_assert(std::endian::native == std::endian::little,
              "sample data is used in place as little-endian 16-bit values");

// Bytes behind the sample data; always zero.
inline constexpr uint32_t SampleTailBytes = 256;

// The largest data size a sample may have: its length and tail must fit the
// slot's signed 32-bit length.
inline constexpr uint32_t MaxSampleBytes = 0x7FFFFFFFu - SampleTailBytes;

using SampleData = std::unique_ptr<int16_t[]>;

// Allocates room for `bytes` of sample data plus the zeroed tail (the data
// part is zeroed too). Returns null when `bytes` exceeds MaxSampleBytes or
// the memory cannot be had. Main thread.
SampleData allocateSampleData(uint32_t bytes);

}  // namespace tamboro
