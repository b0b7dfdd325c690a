#include "files/wave_writer.h"

#include <algorithm>
#include <cstring>

#include "files/file_replacement.h"
#include "files/little_endian.h"
#include "files/riff_file.h"
#include "files/wave_result.h"

namespace tamboro {

struct WaveWriter::State {
    FileReplacement replacement;
    RiffFile file;                 // works on the replacement's descriptor
    ChunkInfo riff;
    ChunkInfo chunk;               // the current sub-chunk
    RiffFile::BufferInfo buffer;   // handed out while the "data" chunk is appended to
    bool appending = false;
    int systemError = 0;           // behind the last failure, when the file's own is not

    uint32_t endAppending();
    uint32_t finish(uint32_t factValue);
};

namespace {

// The value a "fact" chunk holds until the file is finished.
constexpr uint8_t UnfinishedFact[4] = {0xFF, 0xFF, 0xFF, 0xFF};

ChunkInfo plainChunk(FourCC id, uint32_t size) {
    ChunkInfo chunk;
    chunk.id = id;
    chunk.size = size;
    return chunk;
}

bool writeAll(RiffFile& file, const void* bytes, uint32_t count) {
    uint32_t put = 0;
    return file.write(bytes, count, put) == WaveOk && put == count;
}

// PCM gets its 16 bytes; any other format also its extra count and bytes.
bool writeFormatRecord(RiffFile& file, const WaveFormat& format) {
    uint8_t record[18];
    putLe16(record, format.formatTag);
    putLe16(record + 2, format.channels);
    putLe32(record + 4, format.samplesPerSec);
    putLe32(record + 8, format.avgBytesPerSec);
    putLe16(record + 12, format.blockAlign);
    putLe16(record + 14, format.bitsPerSample);
    if (format.formatTag == 1) return writeAll(file, record, 16);
    if (format.extra.size() < format.extraSize) return false;
    putLe16(record + 16, format.extraSize);
    return writeAll(file, record, 18) && writeAll(file, format.extra.data(), format.extraSize);
}

}  // namespace

// Hands the appended bytes back to the file and writes them out.
uint32_t WaveWriter::State::endAppending() {
    if (!appending) return WaveOk;
    appending = false;
    buffer.dirty = true;
    file.setInfo(buffer);
    return file.flush();
}

// Everything of closing but the close itself.
uint32_t WaveWriter::State::finish(uint32_t factValue) {
    const bool hadData = appending;
    if (uint32_t result = endAppending()) return result;
    if (hadData) {
        if (uint32_t result = file.ascend(chunk)) return result;
    }
    if (uint32_t result = file.ascend(riff)) return result;

    // Sizes are final; now the "fact" value, found the way a reader finds it.
    if (uint32_t result = file.seek(0)) return result;
    ChunkInfo readRiff;
    if (uint32_t result = file.descend(readRiff)) return result;
    ChunkInfo fact;
    uint32_t found = file.find(fact, &readRiff, fourCC("fact"));
    if (found == WaveOk) {
        uint8_t value[4];
        putLe32(value, factValue);
        if (!writeAll(file, value, 4)) return WaveWriteFailed;
        if (uint32_t result = file.ascend(fact)) return result;
    } else if (found != RiffChunkNotFound) {
        return found;
    }
    return file.ascend(readRiff);
}

WaveWriter::WaveWriter() : state_(std::make_unique<State>()) {}

WaveWriter::~WaveWriter() {
    abandonWaveFile(*this);
}

bool WaveWriter::isOpen() const {
    return state_->file.isOpen();
}

int WaveWriter::systemError() const {
    return state_->systemError != 0 ? state_->systemError : state_->file.systemError();
}

uint32_t createWaveFile(WaveWriter& writer, const std::filesystem::path& path,
                        const WaveFormat& format) {
    abandonWaveFile(writer);  // a file left open before is given up
    WaveWriter::State& state = *writer.state_;
    writer.lastWritten_ = 0;
    state.systemError = state.replacement.begin(path);
    if (state.systemError != 0) return WaveWriteFailed;
    if (uint32_t result = state.file.attach(state.replacement.descriptor())) {
        state.systemError = state.file.systemError();
        state.replacement.discard();
        return result == WaveNoMemory ? result : WaveWriteFailed;
    }

    state.riff = plainChunk(fourCC("RIFF"), 0);
    state.riff.formType = fourCC("WAVE");
    if (uint32_t result = state.file.createChunk(state.riff)) return result;

    state.chunk = plainChunk(fourCC("fmt "), 16);
    if (uint32_t result = state.file.createChunk(state.chunk)) return result;
    if (!writeFormatRecord(state.file, format)) return WaveWriteFailed;
    if (uint32_t result = state.file.ascend(state.chunk)) return result;

    state.chunk = plainChunk(fourCC("fact"), 0);
    if (uint32_t result = state.file.createChunk(state.chunk)) return result;
    if (!writeAll(state.file, UnfinishedFact, 4)) return WaveWriteFailed;
    if (state.file.ascend(state.chunk) != WaveOk) return WaveWriteFailed;
    return WaveOk;
}

uint32_t beginWaveData(WaveWriter& writer) {
    WaveWriter::State& state = *writer.state_;
    if (!state.file.isOpen() || state.appending) return WaveWriteFailed;
    state.chunk = plainChunk(fourCC("data"), 0);
    if (uint32_t result = state.file.createChunk(state.chunk)) return result;
    state.buffer = state.file.getInfo();
    state.appending = true;
    return WaveOk;
}

uint32_t writeWaveData(WaveWriter& writer, uint32_t count, const uint8_t* bytes) {
    WaveWriter::State& state = *writer.state_;
    writer.lastWritten_ = 0;
    if (!state.appending) return WaveWriteFailed;
    RiffFile::BufferInfo& buffer = state.buffer;
    uint32_t copied = 0;
    while (copied < count) {
        if (buffer.next == buffer.writeEnd) {
            buffer.dirty = true;
            if (uint32_t result = state.file.advance(buffer, RiffAccess::Write)) {
                writer.lastWritten_ = copied;
                return result;
            }
        }
        const auto run =
            std::min(static_cast<uint32_t>(buffer.writeEnd - buffer.next), count - copied);
        std::memcpy(buffer.next, bytes + copied, run);
        buffer.next += run;
        copied += run;
    }
    writer.lastWritten_ = copied;
    return WaveOk;
}

uint32_t closeWaveFile(WaveWriter& writer, uint32_t factValue) {
    WaveWriter::State& state = *writer.state_;
    if (!state.file.isOpen()) return WaveOk;
    uint32_t result = state.finish(factValue);
    state.appending = false;
    const uint32_t closed = state.file.close();
    if (result == WaveOk) result = closed;
    if (result != WaveOk) {
        state.replacement.discard();
        return result;
    }
    // Complete: only now does the file take its target's place.
    state.systemError = state.replacement.commit();
    return state.systemError == 0 ? WaveOk : WaveWriteFailed;
}

void abandonWaveFile(WaveWriter& writer) {
    WaveWriter::State& state = *writer.state_;
    state.appending = false;
    state.file.close();
    state.replacement.discard();
}

}  // namespace tamboro
