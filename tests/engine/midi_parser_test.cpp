// The MIDI byte stream parser: real-time messages act wherever they arrive,
// an unfinished System Exclusive message ends at the next status byte,
// running status, and bytes that belong to no message.

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "engine/midi_parser.h"

namespace tamboro {
namespace {

std::vector<uint32_t> parse(MidiParser& parser, std::initializer_list<uint8_t> bytes) {
    std::vector<uint32_t> messages;
    const std::vector<uint8_t> stream(bytes);
    parser.feed(stream.data(), stream.size(), [&](uint32_t m) { messages.push_back(m); });
    return messages;
}

std::vector<uint32_t> parse(std::initializer_list<uint8_t> bytes) {
    MidiParser parser;
    return parse(parser, bytes);
}

using Messages = std::vector<uint32_t>;

TEST(MidiParser, RealTimeMessagesActAtOnceWhereverTheyArrive) {
    // Inside a System Exclusive message, which goes on after them.
    EXPECT_EQ(parse({0xF0, 0x41, 0xFA, 0x10, 0xF8, 0x42, 0xF7}), (Messages{0xFA, 0xF8}));
    // Between the data bytes of a note, which still completes.
    EXPECT_EQ(parse({0x90, 0x3C, 0xFC, 0x64}), (Messages{0xFC, 0x643C90}));
    // Every one of them, the undefined F9 and FD too.
    EXPECT_EQ(parse({0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF}),
              (Messages{0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF}));
}

TEST(MidiParser, ASystemExclusiveMessageWithoutItsEndSwallowsNothingAfterIt) {
    MidiParser parser;
    EXPECT_EQ(parse(parser, {0xF0, 0x41, 0x10, 0x42}), Messages{});
    // Every later Start and Stop arrives, each in its own event.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(parse(parser, {0xFA}), Messages{0xFA});
        EXPECT_EQ(parse(parser, {0xFC}), Messages{0xFC});
    }
    // A new status byte ends it and is a message of its own.
    EXPECT_EQ(parse(parser, {0x12, 0x90, 0x3C, 0x64}), Messages{0x643C90});
    EXPECT_EQ(parse({0xF0, 0x41, 0xF2, 0x01, 0x02}), Messages{0x0201F2});
    // One that ends with F7 leaves no running status: its bytes stay unread.
    EXPECT_EQ(parse({0xF0, 0x7E, 0x3C, 0x64, 0xF7, 0x3C, 0x64}), Messages{});
}

TEST(MidiParser, RunningStatusForChannelMessagesOnly) {
    EXPECT_EQ(parse({0x90, 0x3C, 0x64, 0x3E, 0x00, 0x40, 0x7F}),
              (Messages{0x643C90, 0x003E90, 0x7F4090}));
    EXPECT_EQ(parse({0xC5, 0x05, 0x06}), (Messages{0x05C5, 0x06C5}));
    EXPECT_EQ(parse({0xD0, 0x10, 0xE1, 0x00, 0x40}), (Messages{0x10D0, 0x4000E1}));
    // System Common: time code and song select with one data byte, song
    // position with two, tune request with none; each clears running status.
    EXPECT_EQ(parse({0x90, 0x3C, 0x64, 0xF1, 0x10, 0x3E, 0x64}), (Messages{0x643C90, 0x10F1}));
    EXPECT_EQ(parse({0xF3, 0x02, 0x03}), Messages{0x02F3});
    EXPECT_EQ(parse({0xF6, 0x01}), Messages{0xF6});
    // Real-time bytes keep running status.
    EXPECT_EQ(parse({0xB0, 0x07, 0xF8, 0x64, 0x0A, 0xFE, 0x20}), (Messages{0xF8, 0x6407B0, 0xFE, 0x200AB0}));
}

TEST(MidiParser, BytesThatBelongToNoMessageAreDropped) {
    EXPECT_EQ(parse({0x3C, 0x64, 0xF7, 0x01}), Messages{});
    // A message cut short by another status byte is dropped; the new one counts.
    EXPECT_EQ(parse({0x90, 0x3C, 0x80, 0x3C, 0x00}), Messages{0x003C80});
    MidiParser parser;
    parse(parser, {0x90, 0x3C});
    parser.reset();
    EXPECT_EQ(parse(parser, {0x64, 0xFA}), Messages{0xFA});
}

}  // namespace
}  // namespace tamboro
