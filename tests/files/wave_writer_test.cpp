#include "files/wave_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "files/wave_reader.h"
#include "files/wave_result.h"
#include "tests/files/wave_bytes.h"

namespace tamboro {
namespace {

using namespace tamboro::test;

constexpr uint32_t FactValue = 32768;

// Writes data in appends of at most `step` bytes and closes the file.
uint32_t writeWave(const std::filesystem::path& path, const Bytes& data, uint32_t step) {
    WaveWriter writer;
    if (uint32_t result = createWaveFile(writer, path, outputWaveFormat())) return result;
    if (uint32_t result = beginWaveData(writer)) return result;
    for (size_t done = 0; done < data.size(); done += step) {
        const auto count = static_cast<uint32_t>(std::min<size_t>(step, data.size() - done));
        if (uint32_t result = writeWaveData(writer, count, data.data() + done)) return result;
        if (writer.lastWritten() != count) return WaveWriteFailed;
    }
    const uint32_t result = closeWaveFile(writer, FactValue);
    EXPECT_FALSE(writer.isOpen());
    return result;
}

// The header of a finished file, spelled out byte by byte.
Bytes expectedHeader(uint32_t dataSize) {
    return Bytes{'R', 'I', 'F', 'F'} + le32(48 + dataSize) + Bytes{'W', 'A', 'V', 'E'} +
           Bytes{'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0} +
           Bytes{'f', 'a', 'c', 't', 4, 0, 0, 0, 0, 0x80, 0, 0} + Bytes{'d', 'a', 't', 'a'} + le32(dataSize);
}

TEST(WaveWriter, WritesTheExactLayout) {
    ScratchDir dir;
    const Bytes small = pattern(8);
    ASSERT_EQ(writeWave(dir / "small.wav", small, 3), WaveOk);
    EXPECT_EQ(readFile(dir / "small.wav"), expectedHeader(8) + small);

    // The size of a 16-step song at tempo 120, appended half-buffer by half-buffer.
    const Bytes song = pattern(352256, 11);
    ASSERT_EQ(writeWave(dir / "song.wav", song, 32768), WaveOk);
    const Bytes file = readFile(dir / "song.wav");
    ASSERT_EQ(file.size(), 352312u);
    EXPECT_EQ(getLe32(file, 4), 352304u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 56), expectedHeader(352256));
    EXPECT_TRUE(std::equal(song.begin(), song.end(), file.begin() + 56));
}

TEST(WaveWriter, WrittenFilesLoadBackAsStereoSamples) {
    ScratchDir dir;
    for (uint32_t size : {0u, 5u, 65480u, 200000u}) {
        SCOPED_TRACE(size);
        const Bytes data = pattern(size, size);
        ASSERT_EQ(writeWave(dir / "back.wav", data, 4099), WaveOk);
        const Bytes file = readFile(dir / "back.wav");
        // An odd data size gets its pad byte, counted in the RIFF size only.
        const uint32_t padded = size + size % 2;
        EXPECT_EQ(file.size(), 56u + padded);
        EXPECT_EQ(getLe32(file, 4), 48u + padded);
        EXPECT_EQ(getLe32(file, 52), size);

        LoadedWave wave;
        ASSERT_EQ(loadWaveFile(dir / "back.wav", wave), WaveOk);
        EXPECT_EQ(wave.format->channels, 2);
        ASSERT_EQ(wave.length, size);
        EXPECT_TRUE(std::equal(data.begin(), data.end(), reinterpret_cast<const uint8_t*>(wave.data.get())));
    }
}

TEST(WaveWriter, AbandonedFilesLeaveNothingAndKeepThePreviousFile) {
    ScratchDir dir;
    const Bytes data = pattern(70000);
    const Bytes previous = pattern(300, 7);
    dir.put("kept.wav", previous);
    for (const char* name : {"cut.wav", "kept.wav"}) {
        WaveWriter writer;
        ASSERT_EQ(createWaveFile(writer, dir / name, outputWaveFormat()), WaveOk);
        ASSERT_EQ(beginWaveData(writer), WaveOk);
        ASSERT_EQ(writeWaveData(writer, static_cast<uint32_t>(data.size()), data.data()), WaveOk);
        // Going out of scope gives the file up.
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "cut.wav"));
    EXPECT_EQ(readFile(dir / "kept.wav"), previous);
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir / "")) ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(WaveWriter, FailuresAreReported) {
    ScratchDir dir;
    WaveWriter writer;
    EXPECT_EQ(createWaveFile(writer, dir / "no" / "such" / "folder.wav", outputWaveFormat()), WaveWriteFailed);
    EXPECT_EQ(writer.systemError(), ENOENT);
    EXPECT_FALSE(writer.isOpen());
    EXPECT_EQ(closeWaveFile(writer, FactValue), WaveOk);  // nothing open
    uint8_t byte = 0;
    EXPECT_NE(writeWaveData(writer, 1, &byte), WaveOk);

    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    // A full disk shows once the buffer has to be written: the header and the
    // first 65,480 data bytes fill it.
    const Bytes data = pattern(100000);
    ASSERT_EQ(createWaveFile(writer, "/dev/full", outputWaveFormat()), WaveOk);
    ASSERT_EQ(beginWaveData(writer), WaveOk);
    EXPECT_NE(writeWaveData(writer, static_cast<uint32_t>(data.size()), data.data()), WaveOk);
    EXPECT_EQ(writer.lastWritten(), 65480u);
    EXPECT_EQ(writer.systemError(), ENOSPC);
    abandonWaveFile(writer);
    EXPECT_FALSE(writer.isOpen());

    // Everything still in the buffer is written when the file is closed.
    ASSERT_EQ(createWaveFile(writer, "/dev/full", outputWaveFormat()), WaveOk);
    ASSERT_EQ(beginWaveData(writer), WaveOk);
    ASSERT_EQ(writeWaveData(writer, 100, data.data()), WaveOk);
    EXPECT_NE(closeWaveFile(writer, FactValue), WaveOk);
    EXPECT_FALSE(writer.isOpen());
}

}  // namespace
}  // namespace tamboro
