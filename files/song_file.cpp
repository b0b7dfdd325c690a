#include "files/song_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <unistd.h>

#include "engine/mixer.h"
#include "files/file_replacement.h"

namespace tamboro {

namespace {

constexpr uint32_t VolumeOffset = 48;
constexpr uint32_t DistortionOffset = 64;
constexpr uint32_t OverdriveOffset = 80;
constexpr uint32_t NamesOffset = 96;
constexpr uint32_t GridOffset = SongFixedBytes;
constexpr uint32_t LargestSongFile = songFileBytes(GridSteps);
constexpr int16_t MaxShuffle = 129;   // the SHUFFLE slider's right end

void putI16(std::vector<uint8_t>& image, uint32_t offset, int16_t value) {
    const auto u = static_cast<uint16_t>(value);
    image[offset] = static_cast<uint8_t>(u & 0xFF);
    image[offset + 1] = static_cast<uint8_t>(u >> 8);
}

int16_t getI16(const uint8_t* bytes, uint32_t offset) {
    return static_cast<int16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

void putLevels(std::vector<uint8_t>& image, uint32_t offset,
               const std::array<int16_t, ChannelCount>& levels) {
    for (int c = 0; c < ChannelCount; ++c)
        putI16(image, offset + 2 * c, levels[c]);
}

// Levels outside 0..64 would break the mixer's 32-bit sums.
void getLevels(const uint8_t* bytes, uint32_t offset, std::array<int16_t, ChannelCount>& levels) {
    for (int c = 0; c < ChannelCount; ++c)
        levels[c] = std::clamp<int16_t>(getI16(bytes, offset + 2 * c), 0, MaxLevel);
}

std::vector<uint8_t> songImage(const SongState& song) {
    const int32_t length = std::clamp<int32_t>(song.songLength, 0, GridSteps);
    std::vector<uint8_t> image(songFileBytes(length), 0);
    std::memcpy(image.data(), "TM1", 4);  // with its zero byte
    putI16(image, 4, 1);
    putI16(image, 6, 8);
    putI16(image, 8, song.tempo);
    putI16(image, 10, song.songLength);
    putI16(image, 12, song.shuffle);
    putI16(image, 14, 64);
    // Bytes 16..47 are reserved and written as zeros.
    putLevels(image, VolumeOffset, song.volume);
    putLevels(image, DistortionOffset, song.distortion);
    putLevels(image, OverdriveOffset, song.overdrive);
    for (int c = 0; c < ChannelCount; ++c)
        std::memcpy(&image[NamesOffset + c * SampleNameBytes], song.sampleName[c].data(),
                    SampleNameBytes);
    std::memcpy(&image[GridOffset], song.stepGrid.data(), 8u * static_cast<uint32_t>(length));
    return image;
}

bool writeAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

int saveSong(const SongState& song, const std::filesystem::path& path) {
    const std::vector<uint8_t> image = songImage(song);
    FileReplacement file;
    if (file.begin(path) != 0 || !writeAll(file.descriptor(), image) || file.commit() != 0)
        return 1;  // the previous file is untouched
    return 0;
}

SongLoadResult loadSong(SongState& song, const std::filesystem::path& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return SongLoadResult::OpenFailed;
    std::array<uint8_t, LargestSongFile> bytes{};
    const size_t size = std::fread(bytes.data(), 1, bytes.size(), file);
    const bool readError = std::ferror(file) != 0;
    std::fclose(file);
    if (readError)
        return SongLoadResult::OpenFailed;

    // Check everything before the song changes.
    if (size < SongHeaderBytes)
        return SongLoadResult::TooShort;
    const int16_t tempo = getI16(bytes.data(), 8);
    const int16_t length = getI16(bytes.data(), 10);
    if (tempo <= 0)
        return SongLoadResult::BadTempo;
    if (length < 1 || length > GridSteps)
        return SongLoadResult::BadLength;
    if (size < songFileBytes(length))
        return SongLoadResult::TooShort;

    // A damaged or hand-edited file may hold a tempo or shuffle that no
    // panel control can show; files the program writes are always inside.
    song.tempo = std::clamp(tempo, MinTempo, MaxTempo);
    song.songLength = length;
    song.shuffle = std::clamp(getI16(bytes.data(), 12), int16_t{0}, MaxShuffle);
    getLevels(bytes.data(), VolumeOffset, song.volume);
    getLevels(bytes.data(), DistortionOffset, song.distortion);
    getLevels(bytes.data(), OverdriveOffset, song.overdrive);
    for (int c = 0; c < ChannelCount; ++c) {
        SampleName& name = song.sampleName[c];
        std::memcpy(name.data(), &bytes[NamesOffset + c * SampleNameBytes], SampleNameBytes);
        if (std::find(name.begin(), name.end(), '\0') == name.end())
            name.back() = '\0';  // a name without an end is cut at 127 characters
    }
    std::memcpy(song.stepGrid.data(), &bytes[GridOffset], 8u * static_cast<uint32_t>(length));
    for (int c = 0; c < ChannelCount; ++c)
        updateDistortionCurve(song, c);
    return SongLoadResult::Loaded;
}

const char* songLoadMessage(SongLoadResult result) {
    switch (result) {
    case SongLoadResult::Loaded:
        return "";
    case SongLoadResult::OpenFailed:
        return "The song file could not be opened.";
    case SongLoadResult::TooShort:
        return "The song file is damaged: it is shorter than its song length requires.";
    case SongLoadResult::BadTempo:
        return "The song file is damaged: its tempo is not a positive number.";
    case SongLoadResult::BadLength:
        return "The song file is damaged: its song length is not between 1 and 128 steps.";
    }
    return "The song file could not be read.";
}

}  // namespace tamboro
