#include "files/wave_reader.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "files/wave_result.h"
#include "tests/files/wave_bytes.h"
#include "tests/support/unusual_files.h"

namespace tamboro {
namespace {

using namespace tamboro::test;

Bytes dataOf(const LoadedWave& wave) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(wave.data.get());
    return {bytes, bytes + wave.length};
}

// Every loaded block must end in a zeroed tail of 256 bytes.
void expectZeroTail(const LoadedWave& wave) {
    ASSERT_TRUE(wave.data);
    const auto* tail = reinterpret_cast<const uint8_t*>(wave.data.get()) + wave.length;
    for (uint32_t i = 0; i < SampleTailBytes; ++i) ASSERT_EQ(tail[i], 0) << "tail byte " << i;
}

// Loads bytes and checks that a failure hands nothing on, even into a
// LoadedWave that held a sample before.
uint32_t load(const ScratchDir& dir, const Bytes& bytes, LoadedWave& out) {
    static int files = 0;
    out.length = 99;
    out.data = allocateSampleData(2);
    out.format = std::make_unique<WaveFormat>();
    const uint32_t result = loadWaveFile(dir.put("in" + std::to_string(files++) + ".wav", bytes), out);
    if (result != WaveOk) {
        EXPECT_FALSE(out.format);
        EXPECT_FALSE(out.data);
        EXPECT_EQ(out.length, 0u);
    }
    return result;
}

uint32_t load(const ScratchDir& dir, const Bytes& bytes) {
    LoadedWave out;
    return load(dir, bytes, out);
}

TEST(WaveReader, LoadsPcmFormatAndDataWithZeroTail) {
    ScratchDir dir;
    LoadedWave wave;
    const Bytes samples = pattern(6);
    ASSERT_EQ(load(dir, riff("WAVE", chunk("fmt ", pcmFormat()) + chunk("data", samples)), wave), WaveOk);
    EXPECT_EQ(wave.format->formatTag, 1);
    EXPECT_EQ(wave.format->channels, 2);
    EXPECT_EQ(wave.format->samplesPerSec, 44100u);
    EXPECT_EQ(wave.format->avgBytesPerSec, 176400u);
    EXPECT_EQ(wave.format->blockAlign, 4);
    EXPECT_EQ(wave.format->bitsPerSample, 16);
    EXPECT_EQ(wave.length, 6u);
    EXPECT_EQ(dataOf(wave), samples);
    expectZeroTail(wave);

    // An 18-byte PCM chunk whose last two bytes claim extras still has none;
    // they are skipped on leaving the chunk.
    ASSERT_EQ(load(dir, riff("WAVE", chunk("fmt ", pcmFormat() + le16(0x2222)) + chunk("data", samples)),
                   wave), WaveOk);
    EXPECT_EQ(wave.format->extraSize, 0);
    EXPECT_TRUE(wave.format->extra.empty());
    EXPECT_EQ(dataOf(wave), samples);

    ASSERT_EQ(load(dir, riff("WAVE", chunk("fmt ", pcmFormat()) + chunk("data", {})), wave), WaveOk);
    EXPECT_EQ(wave.length, 0u);
    expectZeroTail(wave);
}

TEST(WaveReader, RefusesWhatIsNotRiffWave) {
    ScratchDir dir;
    const Bytes data = chunk("data", pattern(4));
    EXPECT_EQ(load(dir, riff("WAVE", chunk("fmt ", Bytes(14)) + data)), WaveNotRiffWave);
    EXPECT_EQ(load(dir, riff("AVI ", chunk("fmt ", pcmFormat()) + data)), WaveNotRiffWave);
    EXPECT_EQ(load(dir, chunk("LIST", text("WAVE") + chunk("fmt ", pcmFormat()) + data)), WaveNotRiffWave);
    // The file ends inside the format record or the extra count.
    EXPECT_EQ(load(dir, chunkStating("RIFF", 40, text("WAVE") + chunkStating("fmt ", 16, Bytes(10)))),
              WaveReadFailed);
    EXPECT_EQ(load(dir, chunkStating("RIFF", 40, text("WAVE") + chunkStating("fmt ", 18, formatRecord(3, 1, 44100, 32)))),
              WaveReadFailed);
    // Extra bytes that the chunk does not hold.
    EXPECT_EQ(load(dir, riff("WAVE", chunk("fmt ", formatRecord(2, 1, 44100, 4) + le16(32) + Bytes(4)) + data)),
              WaveNotRiffWave);
    // Too short for even a header.
    EXPECT_EQ(load(dir, {}), RiffReadError);
    EXPECT_EQ(load(dir, text("RIFF")), RiffReadError);
}

TEST(WaveReader, MissingFormatOrDataIsChunkNotFound) {
    ScratchDir dir;
    const Bytes fmt = chunk("fmt ", pcmFormat());
    const Bytes data = chunk("data", pattern(8));
    EXPECT_EQ(load(dir, riff("WAVE", data)), RiffChunkNotFound);
    EXPECT_EQ(load(dir, riff("WAVE", fmt + chunk("fact", le32(1)))), RiffChunkNotFound);
    // A data chunk behind the RIFF chunk's stated end is not part of it.
    EXPECT_EQ(load(dir, riff("WAVE", fmt) + data), RiffChunkNotFound);
    // An unfinished file of our writer states RIFF size 0.
    EXPECT_EQ(load(dir, chunkStating("RIFF", 0, text("WAVE") + fmt + data)), RiffChunkNotFound);
}

TEST(WaveReader, SkipsOtherChunksInAnyOrder) {
    ScratchDir dir;
    LoadedWave wave;
    const Bytes samples = pattern(200001, 5);  // odd, and several buffers long
    const Bytes fmt = chunk("fmt ", pcmFormat(1));
    const Bytes list = chunk("LIST", text("INFO") + chunk("INAM", {'d', 'r', 'u', 'm', 0}));
    const Bytes odd = chunk("junk", pattern(3));  // pad byte follows
    const Bytes big = chunk("big ", pattern(70001, 9));

    ASSERT_EQ(load(dir, riff("WAVE", fmt + list + chunk("fact", le32(7)) + odd + big + chunk("data", samples)),
                   wave), WaveOk);
    EXPECT_EQ(wave.format->channels, 1);
    EXPECT_EQ(wave.length, samples.size());
    EXPECT_EQ(dataOf(wave), samples);
    expectZeroTail(wave);

    ASSERT_EQ(load(dir, riff("WAVE", odd + chunk("data", samples) + big + fmt), wave), WaveOk);
    EXPECT_EQ(wave.format->channels, 1);
    EXPECT_EQ(dataOf(wave), samples);
}

// A RIFF chunk that states room for the data chunk, however little follows.
Bytes waveStatingData(uint32_t statedSize, const Bytes& present) {
    return chunkStating("RIFF", 0xFFFFFFFF,
                        text("WAVE") + chunk("fmt ", pcmFormat()) + chunkStating("data", statedSize, present));
}

long peakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST(WaveReader, DataSizesBeyondFileOrSlotLoadNothing) {
    ScratchDir dir;
    EXPECT_EQ(load(dir, waveStatingData(1000, pattern(999))), WaveTruncated);
    // A size the file cannot hold is refused before the block is allocated:
    // 2 GB of zeroed block would show in the peak resident size.
    const long before = peakResidentKiB();
    EXPECT_EQ(load(dir, waveStatingData(MaxSampleBytes, pattern(64))), WaveTruncated);
    EXPECT_LT(peakResidentKiB() - before, 256 * 1024);
    // Sizes whose tail would not fit a signed 32-bit length: too large, which
    // is not the same as out of memory.
    EXPECT_EQ(load(dir, waveStatingData(MaxSampleBytes + 1, pattern(64))), WaveTooLarge);
    EXPECT_EQ(load(dir, waveStatingData(0xFFFFFFFF, pattern(64))), WaveTooLarge);
}

TEST(WaveReader, OtherFormatsLoadUnconverted) {
    ScratchDir dir;
    LoadedWave wave;
    const Bytes samples = pattern(33);
    ASSERT_EQ(load(dir, riff("WAVE", chunk("fmt ", pcmFormat(1, 22050, 8)) + chunk("data", samples)), wave), WaveOk);
    EXPECT_EQ(wave.format->channels, 1);
    EXPECT_EQ(wave.format->bitsPerSample, 8);
    EXPECT_EQ(wave.format->samplesPerSec, 22050u);
    EXPECT_EQ(dataOf(wave), samples);

    ASSERT_EQ(load(dir, riff("WAVE", chunk("fmt ", pcmFormat(4, 48000)) + chunk("data", samples)), wave), WaveOk);
    EXPECT_EQ(wave.format->channels, 4);  // the engine plays anything but 1 as stereo
    EXPECT_EQ(dataOf(wave), samples);

    // A non-PCM record carries its extra count and bytes.
    const Bytes extra = pattern(22, 3);
    ASSERT_EQ(load(dir, riff("WAVE", chunk("fmt ", formatRecord(0xFFFE, 2, 44100, 24) + le16(22) + extra) +
                                         chunk("data", samples)), wave), WaveOk);
    EXPECT_EQ(wave.format->formatTag, 0xFFFE);
    EXPECT_EQ(wave.format->extraSize, 22);
    EXPECT_EQ(wave.format->extra, extra);
    EXPECT_EQ(dataOf(wave), samples);

    // A 16-byte non-PCM chunk has no room for the count: none is taken from
    // the header of the chunk behind it.
    ASSERT_EQ(load(dir, riff("WAVE", chunk("fmt ", formatRecord(3, 1, 44100, 32)) + chunk("data", samples)), wave),
              WaveOk);
    EXPECT_EQ(wave.format->extraSize, 0);
    EXPECT_EQ(dataOf(wave), samples);
}

TEST(WaveReader, UnopenablePathsAreOpenFailuresWithTheirErrno) {
    ScratchDir dir;
    LoadedWave wave;
    int error = 0;
    EXPECT_EQ(loadWaveFile(dir / "missing.wav", wave, &error), WaveOpenFailed);
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(wave.data);
    // A file too short for a RIFF header is no system failure.
    EXPECT_EQ(loadWaveFile(dir.put("short.wav", {'R', 'I'}), wave, &error), RiffReadError);
    EXPECT_EQ(error, 0);
}

// A folder, a named pipe without a writer, a device and a socket are refused
// at once, with no errno: nothing failed, they are just not files.
TEST(WaveReader, WhatIsNoRegularFileIsRefusedWithoutWaiting) {
    ScratchDir dir;
    ASSERT_TRUE(test::makeFifo(dir / "pipe.wav"));
    test::BoundSocket socket(dir / "socket.wav");
    ASSERT_TRUE(socket.bound());
    const std::filesystem::path paths[] = {dir / "", dir / "pipe.wav", "/dev/null", dir / "socket.wav"};
    for (const auto& path : paths) {
        const int result = test::runWithin(10, [&] {
            LoadedWave wave;
            int error = -1;
            return loadWaveFile(path, wave, &error) == WaveNotAFile && error == 0 && !wave.data ? 0 : 1;
        });
        EXPECT_EQ(result, 0) << path << (result < 0 ? ": the load waited" : ": not refused as no file");
    }
}

// Files written by an independent tool: the data must equal the same signal
// converted by that tool to raw bytes.
TEST(WaveReader, ReadsFilesWrittenBySox) {
    ASSERT_EQ(std::system("command -v sox >/dev/null 2>&1"), 0) << "sox is not on PATH";
    ScratchDir dir;
    struct Case {
        std::string options;
        uint16_t channels, bits;
        uint32_t rate, length;
    };
    const Case cases[] = {
        {"-r 44100 -b 16 -c 1", 1, 16, 44100, 44100},
        {"-r 44100 -b 16 -c 2", 2, 16, 44100, 88200},
        {"-r 44100 -b 8 -c 1", 1, 8, 44100, 22050},
        {"-r 44100 -b 24 -c 2", 2, 24, 44100, 132300},
        {"-r 48000 -b 16 -c 2", 2, 16, 48000, 96000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        const auto wav = dir / "sox.wav";
        const auto raw = dir / "sox.raw";
        const std::string make = "sox -V1 -n " + c.options + " '" + wav.string() + "' synth 0.5 sine 440 && sox -V1 '" +
                                 wav.string() + "' -t raw '" + raw.string() + "'";
        ASSERT_EQ(std::system(make.c_str()), 0);
        LoadedWave wave;
        ASSERT_EQ(loadWaveFile(wav, wave), WaveOk);
        EXPECT_EQ(wave.format->channels, c.channels);
        EXPECT_EQ(wave.format->bitsPerSample, c.bits);
        EXPECT_EQ(wave.format->samplesPerSec, c.rate);
        EXPECT_EQ(wave.length, c.length);
        EXPECT_EQ(dataOf(wave), readFile(raw));
        expectZeroTail(wave);
    }
}

}  // namespace
}  // namespace tamboro
