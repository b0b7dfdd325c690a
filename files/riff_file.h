#pragma once
// Buffered RIFF chunk access over a plain file: open or attach, enter, find,
// create and leave chunks, read, write and seek, and direct access to the one
// I/O buffer. Every operation returns 0 or an error code of wave_result.h;
// nothing throws. Main thread.
//
// Positions are logical: the file is read and written at explicit offsets,
// so a seek only moves the buffer window and costs no system call.

#include <cstdint>
#include <filesystem>
#include <memory>

#include "files/chunk_info.h"

namespace tamboro {

enum class RiffAccess { Read, Write };

class RiffFile {
public:
    static constexpr uint32_t BufferBytes = 64 * 1024;

    // The buffer as handed out for direct access. Reading copies from next up
    // to readEnd; writing copies to next up to writeEnd and sets dirty.
    struct BufferInfo {
        uint8_t* next = nullptr;
        uint8_t* readEnd = nullptr;
        uint8_t* writeEnd = nullptr;
        bool dirty = false;
    };

    RiffFile() = default;
    ~RiffFile();  // closes an open file; a failure then goes unreported
    RiffFile(const RiffFile&) = delete;
    RiffFile& operator=(const RiffFile&) = delete;

    // Opens an existing regular file for reading, without waiting on a path
    // that is none (see regular_file.h). 0, WaveOpenFailed, WaveNotAFile, or
    // WaveNoMemory when the buffer cannot be had.
    uint32_t open(const std::filesystem::path& path);
    // Works on a descriptor opened for reading and writing that stays the
    // caller's: close() writes what the buffer holds but leaves it open.
    // 0, WaveOpenFailed or WaveNoMemory.
    uint32_t attach(int fd);
    bool isOpen() const { return fd_ >= 0; }
    // Writes what the buffer holds and closes; the file is closed even when
    // that fails. 0 or RiffWriteError.
    uint32_t close();

    // The errno of the last system call that failed, 0 when none did (a
    // refusal of the chunk logic itself has no errno).
    int systemError() const { return systemError_; }

    uint64_t position() const { return bufferOffset_ + next_; }
    // The file's length including bytes still waiting in the buffer.
    uint32_t length(uint64_t& bytes) const;

    // Reads up to count bytes; `got` tells how many, fewer at the end of the file.
    uint32_t read(void* destination, uint32_t count, uint32_t& got);
    // Writes count bytes; `put` tells how many went into the buffer.
    uint32_t write(const void* source, uint32_t count, uint32_t& put);
    uint32_t seek(uint64_t offset);
    // Writes the buffer's changed bytes to the file.
    uint32_t flush();

    // Enters the chunk at the current position (for "RIFF" and "LIST" also
    // reads the form type).
    uint32_t descend(ChunkInfo& chunk);
    // Enters the first chunk of that id from the current position on, within
    // parent when one is given, skipping every other chunk and its pad byte.
    uint32_t find(ChunkInfo& chunk, const ChunkInfo* parent, FourCC id);
    // Leaves a chunk: a read one by moving past its end and pad byte; a
    // created one (sizeDirty) by padding an odd size and fixing the header.
    uint32_t ascend(ChunkInfo& chunk);
    // Writes the header of chunk.id with chunk.size (and chunk.formType for
    // "RIFF" and "LIST") at the current position and enters the chunk.
    uint32_t createChunk(ChunkInfo& chunk);

    // Direct buffer access: getInfo hands the buffer out, advance takes it
    // back and loads the next part (Read) or writes it out and empties it
    // (Write), setInfo takes it back for good. Between getInfo and
    // setInfo/advance no other operation may be called.
    BufferInfo getInfo();
    uint32_t advance(BufferInfo& info, RiffAccess access);
    void setInfo(const BufferInfo& info);

private:
    uint32_t prepareBuffer();
    uint32_t useDescriptor(int fd, bool owned);
    uint32_t failed(uint32_t result);
    uint32_t refill();
    void markDirty(uint32_t begin, uint32_t end);

    int fd_ = -1;
    bool ownsFd_ = true;
    int systemError_ = 0;
    std::unique_ptr<uint8_t[]> buffer_;
    uint64_t bufferOffset_ = 0;  // file offset of buffer_[0]
    uint32_t next_ = 0;          // current position within the buffer
    uint32_t valid_ = 0;         // buffer_[0, valid_) mirrors the file; next_ <= valid_
    uint32_t dirtyBegin_ = 0;    // buffer_[dirtyBegin_, dirtyEnd_) must be written
    uint32_t dirtyEnd_ = 0;
    uint32_t handedOutAt_ = 0;   // next_ when getInfo handed the buffer out
};

}  // namespace tamboro
