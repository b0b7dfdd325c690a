#include "files/riff_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>

#include <sys/stat.h>
#include <unistd.h>

#include "files/little_endian.h"
#include "files/regular_file.h"
#include "files/wave_result.h"

namespace tamboro {

namespace {

constexpr uint64_t MaxRiffOffset = std::numeric_limits<uint32_t>::max();
// Keeps every offset handed to pread/pwrite well inside off_t.
constexpr uint64_t MaxFileOffset = (uint64_t{1} << 62);

FourCC getFourCC(const uint8_t* bytes) {
    return {static_cast<char>(bytes[0]), static_cast<char>(bytes[1]),
            static_cast<char>(bytes[2]), static_cast<char>(bytes[3])};
}

void putFourCC(uint8_t* bytes, FourCC id) {
    std::memcpy(bytes, id.data(), 4);
}

// "RIFF" and "LIST" chunks begin their data with a form type.
bool hasFormType(FourCC id) {
    return id == fourCC("RIFF") || id == fourCC("LIST");
}

uint64_t paddedEnd(uint64_t dataOffset, uint32_t size) {
    return dataOffset + size + (size & 1u);
}

}  // namespace

RiffFile::~RiffFile() {
    close();
}

// Records the errno of the system call that just failed.
uint32_t RiffFile::failed(uint32_t result) {
    systemError_ = errno;
    return result;
}

uint32_t RiffFile::useDescriptor(int fd, bool owned) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        systemError_ = S_ISDIR(info.st_mode) ? EISDIR : errno;
        if (owned) ::close(fd);
        return WaveOpenFailed;
    }
    fd_ = fd;
    ownsFd_ = owned;
    bufferOffset_ = 0;
    next_ = valid_ = dirtyBegin_ = dirtyEnd_ = handedOutAt_ = 0;
    return WaveOk;
}

// Without memory for the buffer the file is not the problem: that is told
// apart from a file that cannot be opened.
uint32_t RiffFile::prepareBuffer() {
    systemError_ = 0;
    if (!buffer_) buffer_.reset(new (std::nothrow) uint8_t[BufferBytes]);
    if (buffer_) return WaveOk;
    systemError_ = ENOMEM;
    return WaveNoMemory;
}

uint32_t RiffFile::open(const std::filesystem::path& path) {
    if (isOpen()) return WaveOpenFailed;
    if (uint32_t result = prepareBuffer()) return result;
    const OpenedFile opened = openRegularFile(path);
    if (opened.fd >= 0) return useDescriptor(opened.fd, true);
    systemError_ = opened.systemError;
    return opened.systemError != 0 ? WaveOpenFailed : WaveNotAFile;
}

uint32_t RiffFile::attach(int fd) {
    if (isOpen() || fd < 0) return WaveOpenFailed;
    if (uint32_t result = prepareBuffer()) return result;
    return useDescriptor(fd, false);
}

uint32_t RiffFile::close() {
    if (!isOpen()) return WaveOk;
    uint32_t result = flush();
    if (ownsFd_ && ::close(fd_) != 0 && errno != EINTR && result == WaveOk) result = failed(RiffWriteError);
    fd_ = -1;
    ownsFd_ = true;
    buffer_.reset();
    dirtyBegin_ = dirtyEnd_ = 0;
    return result;
}

uint32_t RiffFile::length(uint64_t& bytes) const {
    bytes = 0;
    struct stat info {};
    if (!isOpen() || ::fstat(fd_, &info) != 0) return RiffReadError;
    bytes = std::max(static_cast<uint64_t>(info.st_size), bufferOffset_ + valid_);
    return WaveOk;
}

uint32_t RiffFile::flush() {
    if (!isOpen()) return RiffWriteError;
    while (dirtyBegin_ < dirtyEnd_) {
        ssize_t n = ::pwrite(fd_, buffer_.get() + dirtyBegin_, dirtyEnd_ - dirtyBegin_,
                             static_cast<off_t>(bufferOffset_ + dirtyBegin_));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return failed(RiffWriteError);  // the unwritten part stays marked
        if (n == 0) return RiffWriteError;
        dirtyBegin_ += static_cast<uint32_t>(n);
    }
    dirtyBegin_ = dirtyEnd_ = 0;
    return WaveOk;
}

void RiffFile::markDirty(uint32_t begin, uint32_t end) {
    if (dirtyBegin_ == dirtyEnd_) {
        dirtyBegin_ = begin;
        dirtyEnd_ = end;
    } else {
        // Everything between two changed ranges mirrors the file, so writing
        // the whole span is correct.
        dirtyBegin_ = std::min(dirtyBegin_, begin);
        dirtyEnd_ = std::max(dirtyEnd_, end);
    }
}

// Moves the window to the current position and loads what the file holds
// there; valid_ stays 0 at the end of the file.
uint32_t RiffFile::refill() {
    if (uint32_t result = flush()) return result;
    bufferOffset_ += next_;
    next_ = valid_ = 0;
    for (;;) {
        ssize_t n = ::pread(fd_, buffer_.get(), BufferBytes, static_cast<off_t>(bufferOffset_));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return failed(RiffReadError);
        valid_ = static_cast<uint32_t>(n);
        return WaveOk;
    }
}

uint32_t RiffFile::read(void* destination, uint32_t count, uint32_t& got) {
    got = 0;
    if (!isOpen()) return RiffReadError;
    auto* out = static_cast<uint8_t*>(destination);
    while (got < count) {
        if (next_ == valid_) {
            if (uint32_t result = refill()) return result;
            if (valid_ == 0) break;  // end of file
        }
        uint32_t run = std::min(valid_ - next_, count - got);
        std::memcpy(out + got, buffer_.get() + next_, run);
        next_ += run;
        got += run;
    }
    return WaveOk;
}

uint32_t RiffFile::write(const void* source, uint32_t count, uint32_t& put) {
    put = 0;
    if (!isOpen()) return RiffWriteError;
    const auto* in = static_cast<const uint8_t*>(source);
    while (put < count) {
        if (next_ == BufferBytes) {
            if (uint32_t result = flush()) return result;
            bufferOffset_ += next_;
            next_ = valid_ = 0;
        }
        uint32_t run = std::min(BufferBytes - next_, count - put);
        std::memcpy(buffer_.get() + next_, in + put, run);
        markDirty(next_, next_ + run);
        next_ += run;
        valid_ = std::max(valid_, next_);
        put += run;
    }
    return WaveOk;
}

uint32_t RiffFile::seek(uint64_t offset) {
    if (!isOpen() || offset > MaxFileOffset) return RiffSeekError;
    if (offset >= bufferOffset_ && offset - bufferOffset_ <= valid_) {
        next_ = static_cast<uint32_t>(offset - bufferOffset_);
        return WaveOk;
    }
    if (uint32_t result = flush()) return result;
    bufferOffset_ = offset;
    next_ = valid_ = 0;
    return WaveOk;
}

uint32_t RiffFile::descend(ChunkInfo& chunk) {
    uint64_t start = position();
    if (start + 8 > MaxRiffOffset) return RiffReadError;
    uint8_t header[8];
    uint32_t got = 0;
    if (uint32_t result = read(header, 8, got)) return result;
    if (got < 8) return RiffReadError;
    chunk = ChunkInfo{};
    chunk.id = getFourCC(header);
    chunk.size = getLe32(header + 4);
    chunk.dataOffset = static_cast<uint32_t>(start + 8);
    if (hasFormType(chunk.id)) {
        if (uint32_t result = read(header, 4, got)) return result;
        if (got < 4) return RiffReadError;
        chunk.formType = getFourCC(header);
    }
    return WaveOk;
}

uint32_t RiffFile::find(ChunkInfo& chunk, const ChunkInfo* parent, FourCC id) {
    const uint64_t parentEnd =
        parent ? uint64_t{parent->dataOffset} + parent->size : MaxRiffOffset;
    for (;;) {
        uint64_t start = position();
        // A header the 32-bit offsets cannot describe counts as past the end.
        if (start >= parentEnd || start + 8 > MaxRiffOffset) return RiffChunkNotFound;
        uint8_t header[8];
        uint32_t got = 0;
        if (uint32_t result = read(header, 8, got)) return result;
        if (got < 8) return RiffChunkNotFound;
        uint32_t size = getLe32(header + 4);
        if (getFourCC(header) == id) {
            if (uint32_t result = seek(start)) return result;
            return descend(chunk);
        }
        if (uint32_t result = seek(paddedEnd(start + 8, size))) return result;
    }
}

uint32_t RiffFile::ascend(ChunkInfo& chunk) {
    if (!chunk.sizeDirty) return seek(paddedEnd(chunk.dataOffset, chunk.size));

    uint64_t end = position();
    if (end < chunk.dataOffset || end - chunk.dataOffset > MaxRiffOffset) return RiffWriteError;
    const auto size = static_cast<uint32_t>(end - chunk.dataOffset);
    uint32_t put = 0;
    if (size & 1u) {
        const uint8_t pad = 0;
        if (write(&pad, 1, put) != WaveOk || put != 1) return RiffWriteError;
    }
    if (size != chunk.size) {
        uint8_t field[4];
        putLe32(field, size);
        if (uint32_t result = seek(chunk.dataOffset - 4)) return result;
        if (write(field, 4, put) != WaveOk || put != 4) return RiffWriteError;
        if (uint32_t result = seek(paddedEnd(chunk.dataOffset, size))) return result;
        chunk.size = size;
    }
    chunk.sizeDirty = false;
    return WaveOk;
}

uint32_t RiffFile::createChunk(ChunkInfo& chunk) {
    uint64_t start = position();
    if (start + 8 > MaxRiffOffset) return RiffWriteError;
    uint8_t header[12];
    putFourCC(header, chunk.id);
    putLe32(header + 4, chunk.size);
    uint32_t count = 8;
    if (hasFormType(chunk.id)) {
        putFourCC(header + 8, chunk.formType);
        count = 12;
    }
    uint32_t put = 0;
    if (write(header, count, put) != WaveOk || put != count) return RiffWriteError;
    chunk.dataOffset = static_cast<uint32_t>(start + 8);
    chunk.sizeDirty = true;
    return WaveOk;
}

RiffFile::BufferInfo RiffFile::getInfo() {
    if (!isOpen()) return {};
    handedOutAt_ = next_;
    uint8_t* base = buffer_.get();
    return {base + next_, base + valid_, base + BufferBytes, false};
}

void RiffFile::setInfo(const BufferInfo& info) {
    if (!isOpen() || info.next < buffer_.get() || info.next > buffer_.get() + BufferBytes) return;
    const auto next = static_cast<uint32_t>(info.next - buffer_.get());
    if (info.dirty && next > handedOutAt_) markDirty(handedOutAt_, next);
    next_ = next;
    valid_ = std::max(valid_, next_);
    handedOutAt_ = next_;
}

uint32_t RiffFile::advance(BufferInfo& info, RiffAccess access) {
    if (!isOpen()) return access == RiffAccess::Read ? RiffReadError : RiffWriteError;
    setInfo(info);
    uint32_t result = WaveOk;
    if (access == RiffAccess::Read) {
        result = refill();
    } else {
        result = flush();
        if (result == WaveOk) {
            bufferOffset_ += next_;
            next_ = valid_ = 0;
        }
    }
    info = getInfo();
    return result;
}

}  // namespace tamboro
