#include "platform/rtmidi_input.h"

#include <filesystem>

#include "platform/alsa_quiet.h"
#include "platform/jack_probe.h"

namespace tamboro {

namespace {

void ignoreError(RtMidiError::Type, const std::string&, void*) {}

}  // namespace

RtMidiInput::~RtMidiInput() {
    close();
}

// Without /dev/snd/seq RtMidi's default constructor throws instead of trying
// JACK, and with no JACK server libjack complains on stderr: choose first.
std::unique_ptr<RtMidiIn> RtMidiInput::makeInput() {
    std::error_code error;
    if (std::filesystem::exists("/dev/snd/seq", error)) {
        silenceAlsaMessages();
        try {
            auto input = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, MidiClientName);
            api_ = RtMidi::LINUX_ALSA;
            found_ = "ALSA sequencer";
            return input;
        } catch (const RtMidiError&) {
        }
    }
    if (jackServerRunning()) {
        try {
            auto input = std::make_unique<RtMidiIn>(RtMidi::UNIX_JACK, MidiClientName);
            api_ = RtMidi::UNIX_JACK;
            found_ = "JACK MIDI";
            return input;
        } catch (const RtMidiError&) {
        }
    }
    api_ = RtMidi::UNSPECIFIED;
    found_ = "no MIDI system";
    return nullptr;
}

int RtMidiInput::portCount() {
    names_.assign(1, std::string(VirtualMidiPortName) + " (virtual port)");
    std::unique_ptr<RtMidiIn> lister = makeInput();
    if (!lister)
        return 1;
    lister->setErrorCallback(&ignoreError);
    const unsigned count = lister->getPortCount();
    for (unsigned port = 0; port < count; ++port) {
        const std::string name = lister->getPortName(port);
        if (name.find(VirtualMidiPortName) == std::string::npos)
            names_.push_back(name);
    }
    return static_cast<int>(names_.size());
}

std::string RtMidiInput::portName(int index) {
    if (index < 0 || index >= static_cast<int>(names_.size()))
        return {};
    return names_[index];
}

bool RtMidiInput::open(int index, MidiMessageCallback callback, void* context) {
    close();
    if (names_.empty())
        portCount();
    if (index < 0 || index >= static_cast<int>(names_.size()))
        return false;
    try {
        input_ = makeInput();
        if (!input_)
            return false;
        input_->setErrorCallback(&ignoreError);
        // SysEx, the clock and active sensing are dropped; Start, Continue and Stop pass.
        input_->ignoreTypes(true, true, true);
        callback_ = callback;
        context_ = context;
        // The callback is set before the port opens and never cancelled
        // while it is open: cancelCallback races the input thread.
        input_->setCallback(&RtMidiInput::deliver, this);
        if (index == 0) {
            input_->openVirtualPort(VirtualMidiPortName);
        } else {
            // Find the port by name: the system's list may have moved since the count.
            const unsigned count = input_->getPortCount();
            unsigned port = 0;
            while (port < count && input_->getPortName(port) != names_[index])
                ++port;
            if (port == count) {
                input_.reset();
                return false;
            }
            input_->openPort(port, VirtualMidiPortName);
            // (isPortOpen tells only of ports opened so, not of virtual ones.)
            if (!input_->isPortOpen()) {
                input_.reset();
                return false;
            }
        }
    } catch (const RtMidiError&) {
        input_.reset();
        return false;
    }
    return true;
}

void RtMidiInput::start() {
    started_.store(true, std::memory_order_release);
}

void RtMidiInput::stop() {
    started_.store(false, std::memory_order_release);
}

void RtMidiInput::close() {
    started_.store(false, std::memory_order_release);
    if (input_) {
        try {
            input_->closePort();
        } catch (const RtMidiError&) {
        }
        input_.reset();   // joins the input thread or leaves the JACK graph
    }
}

void RtMidiInput::deliver(double, std::vector<unsigned char>* message, void* self) {
    auto& me = *static_cast<RtMidiInput*>(self);
    if (!me.started_.load(std::memory_order_acquire) || message->empty())
        return;
    // Packed as one integer with the status byte low, as the engine expects.
    uint32_t packed = 0;
    for (size_t i = 0; i < message->size() && i < 4; ++i)
        packed |= uint32_t{(*message)[i]} << (8 * i);
    me.callback_(me.context_, packed);
}

}  // namespace tamboro
