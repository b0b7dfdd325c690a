#include "platform/rtmidi_input.h"

#include <filesystem>

#include "platform/alsa_quiet.h"

namespace tamboro {

namespace {

void ignoreError(RtMidiError::Type, const std::string&, void*) {}

}  // namespace

RtMidiInput::~RtMidiInput() {
    close();
}

bool RtMidiInput::sequencerExists() {
    std::error_code error;
    return std::filesystem::exists("/dev/snd/seq", error);
}

std::unique_ptr<RtMidiIn> RtMidiInput::makeInput(std::string& reason) {
    silenceAlsaMessages();
    try {
        return std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, MidiClientName);
    } catch (const RtMidiError& e) {
        reason = "the ALSA sequencer cannot be opened: " + e.getMessage();
        return nullptr;
    }
}

int RtMidiInput::portCount() {
    names_.assign(1, std::string(VirtualMidiPortName) + " (virtual port)");
    std::string reason;
    std::unique_ptr<RtMidiIn> lister = makeInput(reason);
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

bool RtMidiInput::open(int index, MidiMessageCallback callback, void* context, std::string& reason) {
    close();
    if (names_.empty())
        portCount();
    if (index < 0 || index >= static_cast<int>(names_.size())) {
        reason = "there is no MIDI input " + std::to_string(index);
        return false;
    }
    try {
        input_ = makeInput(reason);
        if (!input_)
            return false;
        input_->setErrorCallback(&ignoreError);
        // Nothing is dropped by RtMidi: the parser decides (see the header).
        input_->ignoreTypes(false, false, false);
        callback_ = callback;
        context_ = context;
        parser_.reset();
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
                reason = "the MIDI port " + names_[index] + " is not there any more";
                input_.reset();
                return false;
            }
            input_->openPort(port, VirtualMidiPortName);
            // (isPortOpen tells only of ports opened so, not of virtual ones.)
            if (!input_->isPortOpen()) {
                reason = "the MIDI port " + names_[index] + " cannot be opened";
                input_.reset();
                return false;
            }
        }
    } catch (const RtMidiError& e) {
        reason = e.getMessage();
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
        input_.reset();   // joins the input thread
    }
}

void RtMidiInput::deliver(double, std::vector<unsigned char>* message, void* self) {
    auto& me = *static_cast<RtMidiInput*>(self);
    if (!me.started_.load(std::memory_order_acquire))
        return;
    me.parser_.feed(message->data(), message->size(),
                    [&](uint32_t packed) { me.callback_(me.context_, packed); });
}

}  // namespace tamboro
