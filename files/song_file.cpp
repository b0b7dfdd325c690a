#include "files/song_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include <unistd.h>

#include "engine/mixer.h"
#include "files/file_replacement.h"
#include "files/little_endian.h"
#include "files/regular_file.h"

namespace tamboro {

namespace {

constexpr uint32_t VolumeOffset = 48;
constexpr uint32_t DistortionOffset = 64;
constexpr uint32_t OverdriveOffset = 80;
constexpr uint32_t NamesOffset = 96;
constexpr uint32_t GridOffset = SongFixedBytes;
constexpr int16_t MaxShuffle = 129;   // the SHUFFLE slider's right end

void putI16(std::vector<uint8_t>& image, uint32_t offset, int16_t value) {
    putLe16(&image[offset], static_cast<uint16_t>(value));
}

int16_t getI16(const uint8_t* bytes, uint32_t offset) {
    return static_cast<int16_t>(getLe16(bytes + offset));
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

// Reads until `bytes` is full or the file ends. Returns the bytes read, or
// -1 with errno set.
ssize_t readAll(int fd, uint8_t* bytes, size_t count) {
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(fd, bytes + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

SongLoadResult refusalFor(FileKind kind) {
    switch (kind) {
    case FileKind::Folder:
        return SongLoadResult::IsFolder;
    case FileKind::NamedPipe:
        return SongLoadResult::IsNamedPipe;
    case FileKind::Device:
        return SongLoadResult::IsDevice;
    case FileKind::Socket:
        return SongLoadResult::IsSocket;
    case FileKind::Regular:
        break;
    }
    return SongLoadResult::OpenFailed;
}

// Returns 0 or the errno of the write that failed.
int writeAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno != 0 ? errno : EIO;
        if (n == 0)
            return EIO;
        done += static_cast<size_t>(n);
    }
    return 0;
}

}  // namespace

std::vector<uint8_t> songFileImage(const SongState& song) {
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

int saveSong(const SongState& song, const std::filesystem::path& path) {
    const std::vector<uint8_t> image = songFileImage(song);
    FileReplacement file;
    int error = file.begin(path);
    if (error == 0)
        error = writeAll(file.descriptor(), image);
    if (error == 0)
        error = file.commit();
    // On any failure the replacement is discarded and the previous file stays.
    return error;
}

SongLoadResult readSongFile(const std::filesystem::path& path, SongFileContents& contents,
                            int* systemError) {
    if (systemError)
        *systemError = 0;
    const OpenedFile file = openRegularFile(path);
    if (file.fd < 0) {
        if (systemError)
            *systemError = file.systemError;
        return file.systemError != 0 ? SongLoadResult::OpenFailed : refusalFor(file.kind);
    }
    const ssize_t got = readAll(file.fd, contents.bytes.data(), contents.bytes.size());
    const int readErrno = errno;
    ::close(file.fd);
    if (got < 0) {
        if (systemError)
            *systemError = readErrno;
        return SongLoadResult::OpenFailed;
    }
    contents.size = static_cast<uint32_t>(got);

    const uint8_t* bytes = contents.bytes.data();
    if (contents.size < SongHeaderBytes)
        return SongLoadResult::TooShort;
    const int16_t tempo = getI16(bytes, 8);
    const int16_t length = getI16(bytes, 10);
    if (tempo <= 0)
        return SongLoadResult::BadTempo;
    if (length < 1 || length > GridSteps)
        return SongLoadResult::BadLength;
    if (contents.size < songFileBytes(length))
        return SongLoadResult::TooShort;
    return SongLoadResult::Loaded;
}

void applySongFile(SongState& song, const SongFileContents& contents) {
    const uint8_t* bytes = contents.bytes.data();
    const int16_t length = getI16(bytes, 10);
    // A damaged or hand-edited file may hold a tempo or shuffle that no
    // panel control can show; files the program writes are always inside.
    song.tempo = std::clamp(getI16(bytes, 8), MinTempo, MaxTempo);
    song.songLength = length;
    song.shuffle = std::clamp(getI16(bytes, 12), int16_t{0}, MaxShuffle);
    getLevels(bytes, VolumeOffset, song.volume);
    getLevels(bytes, DistortionOffset, song.distortion);
    getLevels(bytes, OverdriveOffset, song.overdrive);
    for (int c = 0; c < ChannelCount; ++c) {
        SampleName& name = song.sampleName[c];
        std::memcpy(name.data(), &bytes[NamesOffset + c * SampleNameBytes], SampleNameBytes);
        if (std::find(name.begin(), name.end(), '\0') == name.end())
            name.back() = '\0';  // a name without an end is cut at 127 characters
    }
    std::memcpy(song.stepGrid.data(), &bytes[GridOffset], 8u * static_cast<uint32_t>(length));
    for (int c = 0; c < ChannelCount; ++c)
        updateDistortionCurve(song, c);
}

SongLoadResult loadSong(SongState& song, const std::filesystem::path& path) {
    SongFileContents contents;
    const SongLoadResult result = readSongFile(path, contents);
    if (result == SongLoadResult::Loaded)
        applySongFile(song, contents);
    return result;
}


}  // namespace tamboro
