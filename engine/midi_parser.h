#pragma once
// A MIDI 1.0 byte stream cut into messages, for every MIDI input: the JACK
// port's events and the messages RtMidi delivers are fed through one of
// these byte by byte.
//
// - Real-time bytes (F8..FF) are messages of their own at once, wherever
//   they arrive: between the data bytes of another message or inside a
//   System Exclusive message, which goes on after them.
// - A System Exclusive message (F0 ...) is skipped up to its F7, or up to
//   any other status byte, which ends it and begins a message of its own:
//   a System Exclusive message without its end never swallows what comes
//   after it.
// - Channel messages keep running status; System Common messages clear it.
// - Data bytes that belong to no message are dropped.
//
// Threads: one parser belongs to one input and is fed on that input's
// thread (the JACK process thread, the RtMidi input thread). It allocates
// nothing and never blocks.

#include <cstddef>
#include <cstdint>

namespace tamboro {

class MidiParser {
public:
    // One byte of the stream. Returns the message it completes, packed with
    // the status byte low and the data bytes above it (a Start is 250, a
    // Note On 0x90 60 100 is 0x643C90), or 0 while none is complete.
    uint32_t feed(uint8_t byte);

    // Every message that `bytes` complete, in order, to `each(message)`.
    template <typename Each>
    void feed(const uint8_t* bytes, size_t count, Each&& each) {
        for (size_t i = 0; i < count; ++i)
            if (const uint32_t message = feed(bytes[i]))
                each(message);
    }

    // Forgets a message under way, running status and System Exclusive.
    void reset() { *this = MidiParser{}; }

private:
    uint8_t status_ = 0;        // the message being read (running status); 0: none
    uint8_t needed_ = 0;        // its data bytes
    uint8_t have_ = 0;          // data bytes read so far
    uint8_t data_[2] = {};
    bool exclusive_ = false;    // inside F0 ... F7
};

}  // namespace tamboro
