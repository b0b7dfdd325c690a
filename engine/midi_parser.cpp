#include "engine/midi_parser.h"

namespace tamboro {

namespace {

constexpr uint8_t SystemExclusive = 0xF0;
constexpr uint8_t EndOfExclusive = 0xF7;
constexpr uint8_t FirstRealTime = 0xF8;

// Data bytes after `status`: two for notes, key pressure, controllers and
// pitch bend, one for program change, channel pressure, the time code
// quarter frame and song select, two for song position, none for the rest.
uint8_t dataBytes(uint8_t status) {
    switch (status & 0xF0) {
    case 0xC0:
    case 0xD0:
        return 1;
    case 0xF0:
        return status == 0xF2 ? 2 : (status == 0xF1 || status == 0xF3) ? 1 : 0;
    default:
        return 2;
    }
}

}  // namespace

uint32_t MidiParser::feed(uint8_t byte) {
    if (byte >= FirstRealTime)
        return byte;   // nothing else is disturbed
    if (byte & 0x80) {
        exclusive_ = byte == SystemExclusive;
        have_ = 0;
        if (exclusive_ || byte == EndOfExclusive) {
            status_ = 0;
            return 0;
        }
        needed_ = dataBytes(byte);
        if (needed_ == 0) {   // tune request and the undefined F4, F5
            status_ = 0;
            return byte;
        }
        status_ = byte;
        return 0;
    }
    if (exclusive_ || status_ == 0)
        return 0;
    data_[have_++] = byte;
    if (have_ < needed_)
        return 0;
    have_ = 0;
    const uint32_t message = status_ | uint32_t{data_[0]} << 8 | (needed_ == 2 ? uint32_t{data_[1]} << 16 : 0);
    if (status_ >= 0xF0)
        status_ = 0;   // System Common messages have no running status
    return message;
}

}  // namespace tamboro
