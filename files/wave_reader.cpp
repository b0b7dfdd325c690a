#include "files/wave_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "files/little_endian.h"
#include "files/riff_file.h"
#include "files/wave_result.h"

namespace tamboro {

namespace {

constexpr uint32_t FormatRecordBytes = 16;
constexpr uint16_t PcmTag = 1;

void decodeFormatRecord(const uint8_t (&bytes)[FormatRecordBytes], WaveFormat& format) {
    format.formatTag = getLe16(bytes);
    format.channels = getLe16(bytes + 2);
    format.samplesPerSec = getLe32(bytes + 4);
    format.avgBytesPerSec = getLe32(bytes + 8);
    format.blockAlign = getLe16(bytes + 12);
    format.bitsPerSample = getLe16(bytes + 14);
}

// Reads the count of extra format bytes of a non-PCM "fmt " chunk. A chunk
// of 16 or 17 bytes has no room for the count, which is then 0: what follows
// belongs to the next chunk.
uint32_t readExtraSize(RiffFile& file, const ChunkInfo& fmt, uint16_t& extraSize) {
    extraSize = 0;
    if (fmt.size < FormatRecordBytes + 2) return WaveOk;
    uint8_t bytes[2];
    uint32_t got = 0;
    if (uint32_t result = file.read(bytes, 2, got)) return result;
    if (got < 2) return WaveReadFailed;
    extraSize = getLe16(bytes);
    return WaveOk;
}

// Reads the "fmt " chunk the file stands in, up to leaving it.
uint32_t readFormat(RiffFile& file, ChunkInfo& fmt, std::unique_ptr<WaveFormat>& format) {
    if (fmt.size < FormatRecordBytes) return WaveNotRiffWave;
    uint8_t record[FormatRecordBytes];
    uint32_t got = 0;
    if (uint32_t result = file.read(record, FormatRecordBytes, got)) return result;
    if (got < FormatRecordBytes) return WaveReadFailed;

    // PCM has no extra bytes, however long its chunk is.
    uint16_t extraSize = 0;
    if (getLe16(record) != PcmTag) {
        if (uint32_t result = readExtraSize(file, fmt, extraSize)) return result;
    }

    format.reset(new (std::nothrow) WaveFormat);
    if (!format) return WaveNoMemory;
    decodeFormatRecord(record, *format);
    format->extraSize = extraSize;
    if (extraSize != 0) {
        // The extra bytes must lie inside the chunk.
        if (extraSize > fmt.size - (FormatRecordBytes + 2)) return WaveNotRiffWave;
        try {
            format->extra.resize(extraSize);
        } catch (const std::bad_alloc&) {
            return WaveNoMemory;
        }
        if (uint32_t result = file.read(format->extra.data(), extraSize, got)) return result;
        if (got < extraSize) return WaveNotRiffWave;
    }
    return file.ascend(fmt);
}

// Opens the file, checks that it is RIFF/WAVE and reads its format record.
uint32_t openWaveFile(const std::filesystem::path& path, RiffFile& file,
                      std::unique_ptr<WaveFormat>& format, ChunkInfo& riff) {
    if (const uint32_t result = file.open(path)) return result == WaveNotAFile ? result : WaveOpenFailed;
    if (uint32_t result = file.descend(riff)) return result;
    if (riff.id != fourCC("RIFF") || riff.formType != fourCC("WAVE")) return WaveNotRiffWave;
    ChunkInfo fmt;
    if (uint32_t result = file.find(fmt, &riff, fourCC("fmt "))) return result;
    return readFormat(file, fmt, format);
}

// The search starts over from the first sub-chunk, so a "data" chunk before
// "fmt " is found too; every other chunk is skipped.
uint32_t findWaveData(RiffFile& file, const ChunkInfo& riff, ChunkInfo& data) {
    if (uint32_t result = file.seek(uint64_t{riff.dataOffset} + 4)) return result;
    return file.find(data, &riff, fourCC("data"));
}

// Copies count bytes of the data chunk straight out of the file's buffer.
uint32_t readWaveData(RiffFile& file, uint32_t count, uint8_t* destination, ChunkInfo& data,
                      uint32_t& read) {
    read = 0;
    count = std::min(count, data.size);
    data.size -= count;
    RiffFile::BufferInfo buffer = file.getInfo();
    uint32_t copied = 0;
    while (copied < count) {
        if (buffer.next == buffer.readEnd) {
            if (uint32_t result = file.advance(buffer, RiffAccess::Read)) return result;
            if (buffer.next == buffer.readEnd) {
                file.setInfo(buffer);
                return WaveTruncated;
            }
        }
        const auto run =
            std::min(static_cast<uint32_t>(buffer.readEnd - buffer.next), count - copied);
        std::memcpy(destination + copied, buffer.next, run);
        buffer.next += run;
        copied += run;
    }
    file.setInfo(buffer);
    read = count;
    return WaveOk;
}

// Refuses a data size that no sample can have, or that runs past the end of
// the file, before anything is allocated for it.
uint32_t checkDataSize(RiffFile& file, const ChunkInfo& data) {
    if (data.size > MaxSampleBytes) return WaveTooLarge;
    uint64_t fileBytes = 0;
    if (uint32_t result = file.length(fileBytes)) return result;
    if (uint64_t{data.dataOffset} + data.size > fileBytes) return WaveTruncated;
    return WaveOk;
}

uint32_t loadInto(RiffFile& file, const std::filesystem::path& path, LoadedWave& out) {
    std::unique_ptr<WaveFormat> format;
    ChunkInfo riff;
    if (uint32_t result = openWaveFile(path, file, format, riff)) return result;
    ChunkInfo data;
    if (uint32_t result = findWaveData(file, riff, data)) return result;
    if (uint32_t result = checkDataSize(file, data)) return result;

    const uint32_t length = data.size;
    SampleData samples = allocateSampleData(length);
    if (!samples) return WaveNoMemory;
    uint32_t read = 0;
    auto* bytes = reinterpret_cast<uint8_t*>(samples.get());
    if (uint32_t result = readWaveData(file, length, bytes, data, read)) return result;

    file.close();  // only read from; nothing to lose
    out.format = std::move(format);
    out.data = std::move(samples);
    out.length = read;
    return WaveOk;
}

}  // namespace

uint32_t loadWaveFile(const std::filesystem::path& path, LoadedWave& out, int* systemError) {
    out = LoadedWave{};
    RiffFile file;
    const uint32_t result = loadInto(file, path, out);
    if (systemError) {
        *systemError = result == WaveOk         ? 0
                       : result == WaveNoMemory ? ENOMEM
                                                : file.systemError();
    }
    return result;
}

}  // namespace tamboro
