#pragma once
// Byte images of RIFF/WAV files for tests, and a scratch folder to put them in.

#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tamboro::test {

using Bytes = std::vector<uint8_t>;

inline Bytes le16(uint16_t value) {
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
}

inline Bytes le32(uint32_t value) {
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
            static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

inline Bytes text(const char (&id)[5]) {
    return {id, id + 4};
}

inline Bytes operator+(Bytes left, const Bytes& right) {
    left.insert(left.end(), right.begin(), right.end());
    return left;
}

// A chunk whose header states statedSize, whatever data follows.
inline Bytes chunkStating(const char (&id)[5], uint32_t statedSize, const Bytes& data) {
    return text(id) + le32(statedSize) + data;
}

// A well-formed chunk, with its pad byte when the size is odd.
inline Bytes chunk(const char (&id)[5], const Bytes& data) {
    Bytes bytes = chunkStating(id, static_cast<uint32_t>(data.size()), data);
    if (data.size() % 2) bytes.push_back(0);
    return bytes;
}

inline Bytes riff(const char (&form)[5], const Bytes& chunks) {
    return chunk("RIFF", text(form) + chunks);
}

// The 16-byte format record; the rate and frame fields follow from the rest.
inline Bytes formatRecord(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    const auto align = static_cast<uint16_t>(channels * ((bits + 7) / 8));
    return le16(tag) + le16(channels) + le32(rate) + le32(rate * align) + le16(align) +
           le16(bits);
}

inline Bytes pcmFormat(uint16_t channels = 2, uint32_t rate = 44100, uint16_t bits = 16) {
    return formatRecord(1, channels, rate, bits);
}

// count bytes of a pattern that does not repeat every 256 bytes.
inline Bytes pattern(size_t count, uint32_t seed = 1) {
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>((i * 7 + i / 251 + seed) & 0xFF);
    return bytes;
}

inline void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline uint32_t getLe32(const Bytes& bytes, size_t offset) {
    return uint32_t{bytes.at(offset)} | uint32_t{bytes.at(offset + 1)} << 8 |
           uint32_t{bytes.at(offset + 2)} << 16 | uint32_t{bytes.at(offset + 3)} << 24;
}

// A folder of its own under the system's temporary folder, removed at the end.
class ScratchDir {
public:
    ScratchDir() {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("tamboro-wave-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    std::filesystem::path put(const std::string& name, const Bytes& bytes) const {
        writeFile(path_ / name, bytes);
        return path_ / name;
    }

private:
    std::filesystem::path path_;
};

}  // namespace tamboro::test
