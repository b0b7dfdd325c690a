// Feeds arbitrary bytes to the WAV reader as a file. A load that succeeds
// must hand on a block whose every byte can be read and whose tail is zero.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "files/wave_reader.h"

namespace {

// One in-memory file for the whole run, rewritten for every input.
int inputFile() {
    static const int fd = memfd_create("fuzz_wave_reader", MFD_CLOEXEC);
    if (fd < 0) __builtin_trap();
    return fd;
}

void putInput(const uint8_t* data, size_t size) {
    const int fd = inputFile();
    if (ftruncate(fd, 0) != 0) __builtin_trap();
    size_t done = 0;
    while (done < size) {
        ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) __builtin_trap();
        done += static_cast<size_t>(n);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    putInput(data, size);
    static const std::string path = "/proc/self/fd/" + std::to_string(inputFile());

    tamboro::LoadedWave wave;
    if (tamboro::loadWaveFile(path, wave) != 0) {
        if (wave.format || wave.data || wave.length != 0) __builtin_trap();
        return 0;
    }
    if (!wave.format || !wave.data) __builtin_trap();
    if (wave.format->extra.size() != wave.format->extraSize) __builtin_trap();
    const auto* bytes = reinterpret_cast<const uint8_t*>(wave.data.get());
    unsigned sum = 0;
    for (uint32_t i = 0; i < wave.length; ++i) sum += bytes[i];
    for (uint32_t i = 0; i < tamboro::SampleTailBytes; ++i) {
        if (bytes[wave.length + i] != 0) __builtin_trap();
    }
    // Keeps the reads of the data from being optimised away.
    asm volatile("" : : "r"(sum));
    return 0;
}
