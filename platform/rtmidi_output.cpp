#include "platform/rtmidi_output.h"

#include <algorithm>
#include <chrono>

#include "engine/clock_sender.h"
#include "platform/alsa_quiet.h"
#include "platform/realtime_thread.h"
#include "platform/rtmidi_input.h"

namespace tamboro {

namespace {

uint32_t microsecondsNow() {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

void RtMidiClockPort::noteError(RtMidiError::Type type, const std::string&, void* self) {
    if (type != RtMidiError::WARNING && type != RtMidiError::DEBUG_WARNING)
        static_cast<RtMidiClockPort*>(self)->failed_.store(true, std::memory_order_relaxed);
}

bool RtMidiClockPort::attach(ClockOutput& output, LoopBuffer& loop) {
    detach();
    std::string reason;
    if (RtMidiInput::sequencerExists()) {
        onJack_ = false;
        silenceAlsaMessages();
    } else if (jack_.join(reason)) {
        onJack_ = true;   // RtMidi would crash on a JACK client it could not open: a server is there
    } else {
        return false;
    }
    std::vector<std::string> before;
    if (onJack_)
        before = jack_.midiOutputsNamed(MidiOutPortName);
    failed_.store(false, std::memory_order_relaxed);
    try {
        port_ = std::make_unique<RtMidiOut>(onJack_ ? RtMidi::UNIX_JACK : RtMidi::LINUX_ALSA, MidiClientName);
        port_->setErrorCallback(&RtMidiClockPort::noteError, this);
        port_->openVirtualPort(MidiOutPortName);
    } catch (const RtMidiError&) {
        failed_.store(true, std::memory_order_relaxed);
    }
    if (failed_.load(std::memory_order_relaxed)) {
        port_.reset();
        return false;
    }
    name_ = std::string(MidiClientName) + ":" + MidiOutPortName;
    if (onJack_) {
        // JACK may have renamed the client beside another of the name: the new port is ours.
        for (const std::string& port : jack_.midiOutputsNamed(MidiOutPortName))
            if (std::find(before.begin(), before.end(), port) == before.end())
                name_ = port;
    }
    quit_.store(false, std::memory_order_relaxed);
    sender_ = std::thread(&RtMidiClockPort::run, this, &output, &loop);
    return true;
}

void RtMidiClockPort::detach() {
    if (sender_.joinable()) {
        quit_.store(true, std::memory_order_release);
        sender_.join();
    }
    if (port_) {
        try {
            port_->closePort();
        } catch (const RtMidiError&) {
        }
        port_.reset();
    }
    name_.clear();
}

int RtMidiClockPort::listeners() {
    if (!port_)
        return -1;
    // RtMidi cannot tell who is subscribed to an ALSA sequencer port: count
    // one, so that a playback does not wait for a connection it would never
    // see. (The sequencer delivers to subscribers that come later too.)
    if (!onJack_)
        return 1;
    return std::max(jack_.connectionsOf(name_), 0);
}

void RtMidiClockPort::run(ClockOutput* output, LoopBuffer* loop) {
    // A clock waits for its frame to sound: a late wake-up sends it late.
    makeThisThreadRealtime(FeederPriority);
    ClockSender sender(*output);
    auto send = [this](uint8_t status) { port_->sendMessage(&status, 1); };
    while (!quit_.load(std::memory_order_acquire)) {
        const LoopBuffer::View view = loop->view();
        const uint32_t position = loop->positionNow();
        const uint32_t wait = sender.poll(view, position, microsecondsNow(), send);
        std::this_thread::sleep_for(std::chrono::microseconds(wait));
    }
    sender.finish(send);
}

}  // namespace tamboro
