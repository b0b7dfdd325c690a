#include "platform/jack_client.h"

#include <jack/midiport.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "engine/loop_buffer.h"
#include "engine/clock_out.h"
#include "engine/transport_sync.h"
#include "platform/jack_probe.h"

namespace tamboro {

namespace {

constexpr unsigned SongRate = 44100;

// A list from jack_get_ports, freed after copying.
std::vector<std::string> portNames(const char** ports) {
    std::vector<std::string> names;
    for (size_t i = 0; ports && ports[i]; ++i)
        names.emplace_back(ports[i]);
    if (ports)
        jack_free(ports);
    return names;
}

}  // namespace

JackClient::~JackClient() {
    leave();
}

// --- Joining and leaving ---

bool JackClient::join(std::string& reason) {
    if (client_ && dropped_.load(std::memory_order_acquire))
        leave();   // the server dropped the client: join afresh
    if (client_)
        return true;
    jack_client_t* client = joinJackServer(JackClientName, reason);
    if (!client)
        return false;
    jack_set_process_callback(client, &JackClient::process, this);
    jack_on_info_shutdown(client, &JackClient::shutDown, this);
    if (jack_activate(client) != 0) {
        jack_client_close(client);
        reason = "the JACK server did not start the client";
        return false;
    }
    client_ = client;
    return true;
}

void JackClient::leave() {
    if (!client_)
        return;
    close();
    closeMidi();
    jack_client_close(client_);
    client_ = nullptr;
    dropped_.store(false, std::memory_order_release);
}

std::string JackClient::clientName() const {
    return client_ ? jack_get_client_name(client_) : JackClientName;
}

void JackClient::shutDown(jack_status_t, const char*, void* self) {
    static_cast<JackClient*>(self)->dropped_.store(true, std::memory_order_release);
}

template <typename T>
void JackClient::detach(std::atomic<T*>& slot) {
    slot.store(nullptr, std::memory_order_seq_cst);
    // A callback counted here may still hold what the slot held; one that
    // begins later finds the slot empty.
    const uint64_t entered = entered_.load(std::memory_order_seq_cst);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (left_.load(std::memory_order_acquire) < entered) {
        // A client the server dropped may never end its last callback.
        if (dropped_.load(std::memory_order_acquire) && std::chrono::steady_clock::now() > giveUp)
            break;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

// --- The output system ---

std::vector<std::string> JackClient::listDevices(size_t& defaultDevice) {
    defaultDevice = 0;
    std::string reason;
    if (!join(reason)) {
        found_ = "no JACK server";
        return {};
    }
    found_ = "JACK server running";
    return {"JACK: " + clientName() + " (2 outputs)"};
}

bool JackClient::open(size_t device, LoopBuffer& loop, std::string& error) {
    close();
    if (device != 0 || !join(error)) {
        if (device != 0)
            error = "This output device is not available any more.";
        return false;
    }
    Output& out = output_;
    out.ports[0] = jack_port_register(client_, "outport 0", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    out.ports[1] = jack_port_register(client_, "outport 1", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    out.rate = jack_get_sample_rate(client_);
    out.period = jack_get_buffer_size(client_);
    out.opened = &loop;
    out.pcm.assign(size_t{ScratchFrames} * 2, 0);
    out.scratch.assign(size_t{ScratchFrames} * 2, 0.0f);
    if (!out.ports[0] || !out.ports[1]) {
        error = "JACK could not register the output ports of the client " + clientName() + ".";
        close();
        return false;
    }
    // A server not at 44,100 Hz is fed through the resampler.
    if (out.rate != SongRate && !out.resampler.open(loop, out.rate, error)) {
        close();
        return false;
    }
    periodFrames_ = static_cast<uint32_t>(std::ceil(double(out.period) * SongRate / out.rate));
    outputSlot_.store(&out, std::memory_order_seq_cst);   // silent until start
    // The outputs go to the first two physical playback ports.
    const std::vector<std::string> playback = portNames(
        jack_get_ports(client_, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | JackPortIsInput));
    for (size_t i = 0; i < 2 && i < playback.size(); ++i)
        jack_connect(client_, jack_port_name(out.ports[i]), playback[i].c_str());
    return true;
}

bool JackClient::start(std::string& error) {
    if (!output_.opened) {
        error = "The JACK output is not open.";
        return false;
    }
    output_.loop.store(output_.opened, std::memory_order_release);
    return true;
}

bool JackClient::attachTransport(TransportInput* input) {
    if (!output_.opened)
        return false;
    if (input)
        transportSlot_.store(input, std::memory_order_seq_cst);
    else
        detach(transportSlot_);
    return true;
}

void JackClient::close() {
    detach(transportSlot_);
    detach(clockSlot_);
    if (clockOut_.port && client_ && !dropped_.load(std::memory_order_acquire))
        jack_port_unregister(client_, clockOut_.port);
    clockOut_ = ClockOut{};
    detach(outputSlot_);
    Output& out = output_;
    out.loop.store(nullptr, std::memory_order_relaxed);
    out.opened = nullptr;
    out.resampler.close();
    for (jack_port_t*& port : out.ports) {
        if (port && client_ && !dropped_.load(std::memory_order_acquire))
            jack_port_unregister(client_, port);
        port = nullptr;
    }
    out.rate = 0;
    out.period = 0;
    periodFrames_ = 0;
}

bool JackClient::streamAlive() {
    return client_ && output_.opened && !dropped_.load(std::memory_order_acquire);
}

// --- The MIDI input ---

std::vector<std::string> JackClient::midiSources() {
    std::string reason;
    if (!join(reason))
        return {};
    std::vector<std::string> sources;
    const std::string own = clientName() + ":";
    for (const std::string& name :
         portNames(jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput)))
        if (name.rfind(own, 0) != 0)
            sources.push_back(name);
    return sources;
}

std::vector<std::string> JackClient::midiOutputsNamed(const std::string& shortName) {
    std::string reason;
    if (!join(reason))
        return {};
    const std::string suffix = ":" + shortName;
    std::vector<std::string> named;
    for (const std::string& name :
         portNames(jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput)))
        if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            named.push_back(name);
    return named;
}

int JackClient::connectionsOf(const std::string& fullName) {
    if (!client_ || dropped_.load(std::memory_order_acquire))
        return -1;
    jack_port_t* port = jack_port_by_name(client_, fullName.c_str());
    return port ? jack_port_connected(port) : -1;
}

bool JackClient::openMidi(const std::string& source, MidiMessageCallback callback, void* context,
                          std::string& reason) {
    closeMidi();
    if (!join(reason))
        return false;
    Midi& midi = midi_;
    midi.port = jack_port_register(client_, JackMidiPortName, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (!midi.port) {
        reason = "JACK could not register the port " + clientName() + ":" + JackMidiPortName;
        return false;
    }
    if (!source.empty() && jack_connect(client_, source.c_str(), jack_port_name(midi.port)) != 0) {
        reason = "the JACK MIDI port " + source + " cannot be connected (it may have gone)";
        closeMidi();
        return false;
    }
    midi.parser.reset();
    midi.callback = callback;
    midi.context = context;
    midiSlot_.store(&midi, std::memory_order_seq_cst);
    return true;
}

void JackClient::startMidi() {
    midi_.started.store(true, std::memory_order_release);
}

void JackClient::stopMidi() {
    midi_.started.store(false, std::memory_order_release);
}

void JackClient::closeMidi() {
    detach(midiSlot_);
    midi_.started.store(false, std::memory_order_relaxed);
    if (midi_.port && client_ && !dropped_.load(std::memory_order_acquire))
        jack_port_unregister(client_, midi_.port);   // its connections go with it
    midi_.port = nullptr;
    midi_.callback = nullptr;
}

// --- The process callback ---

int JackClient::process(jack_nframes_t frames, void* self) {
    auto& me = *static_cast<JackClient*>(self);
    me.entered_.fetch_add(1, std::memory_order_seq_cst);
    me.run(frames, me.outputSlot_.load(std::memory_order_seq_cst), me.midiSlot_.load(std::memory_order_seq_cst));
    me.left_.fetch_add(1, std::memory_order_release);
    return 0;
}

// The period in pieces: the loop plays up to each MIDI message's frame, the
// message goes to the engine (a Start or Stop changes the transport), and
// the transport is obeyed there before the loop plays on.
void JackClient::run(jack_nframes_t frames, Output* output, Midi* midi) {
    Edges edges;
    float* left = nullptr;
    float* right = nullptr;
    LoopBuffer* loop = nullptr;
    if (output) {
        left = static_cast<float*>(jack_port_get_buffer(output->ports[0], frames));
        right = static_cast<float*>(jack_port_get_buffer(output->ports[1], frames));
        loop = output->loop.load(std::memory_order_acquire);
        if (!loop) {
            std::memset(left, 0, sizeof(float) * frames);
            std::memset(right, 0, sizeof(float) * frames);
        } else {
            if (TransportInput* transport = transportSlot_.load(std::memory_order_acquire))
                tellTransport(*transport, frames);   // rolling starts, stopping stops: at the top
            obey(*output, *loop, edges, 0);   // the main thread's Start and Stop, at the top
        }
    }
    uint32_t at = 0;
    if (midi && midi->started.load(std::memory_order_acquire)) {
        void* events = jack_port_get_buffer(midi->port, frames);
        const uint32_t count = jack_midi_get_event_count(events);
        for (uint32_t i = 0; i < count; ++i) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, events, i) != 0)
                continue;
            const uint32_t frame = std::clamp<uint32_t>(event.time, at, frames);
            midi->parser.feed(event.buffer, event.size, [&](uint32_t message) {
                if (loop) {
                    play(*output, *loop, left, right, edges, at, frame);
                    at = frame;
                }
                if (loop)
                    loop->markMessage();   // the message's frame, for clocks the engine stamps
                midi->callback(midi->context, message);
                if (loop)
                    obey(*output, *loop, edges, at);
            });
        }
    }
    if (loop)
        play(*output, *loop, left, right, edges, at, frames);
    if (const ClockOut* clock = clockSlot_.load(std::memory_order_acquire); clock && output) {
        if (loop)
            sendClock(*clock, *loop, edges, frames);
        else
            jack_midi_clear_buffer(jack_port_get_buffer(clock->port, frames));
    }
}

void JackClient::sendClock(const ClockOut& clock, const LoopBuffer& loop, const Edges& edges, jack_nframes_t frames) {
    void* buffer = jack_port_get_buffer(clock.port, frames);
    jack_midi_clear_buffer(buffer);
    const unsigned rate = output_.rate != 0 ? output_.rate : SongRate;
    clock.output->period(edges.beganAt, edges.endedAt, loop.view(), frames, double(SongRate) / rate,
                         [&](uint32_t offset, uint8_t status) { jack_midi_event_write(buffer, offset, &status, 1); });
}

bool JackClient::attachClockOutput(ClockOutput* output) {
    if (!output_.opened || !client_)
        return false;
    detach(clockSlot_);
    if (clockOut_.port && !dropped_.load(std::memory_order_acquire))
        jack_port_unregister(client_, clockOut_.port);
    clockOut_ = ClockOut{};
    if (!output)
        return true;
    clockOut_.port = jack_port_register(client_, JackMidiOutPortName, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (!clockOut_.port)
        return false;
    clockOut_.output = output;
    clockSlot_.store(&clockOut_, std::memory_order_seq_cst);
    return true;
}

void JackClient::tellTransport(TransportInput& input, jack_nframes_t frames) {
    jack_position_t position;
    const jack_transport_state_t state = jack_transport_query(client_, &position);
    TransportSample sample;
    sample.rolling = state == JackTransportRolling;
    sample.starting = state == JackTransportStarting;
    sample.frame = position.frame;
    sample.rate = position.frame_rate;
    sample.cycleFrames = frames;
    sample.bbt = (position.valid & JackPositionBBT) != 0;
    if (sample.bbt) {
        sample.bar = position.bar;
        sample.beat = position.beat;
        sample.tick = position.tick;
        sample.ticksPerBeat = position.ticks_per_beat;
        sample.beatsPerBar = position.beats_per_bar;
        sample.beatType = position.beat_type;
        sample.beatsPerMinute = position.beats_per_minute;
    }
    input.cycle(sample);
}

void JackClient::obey(Output& output, LoopBuffer& loop, Edges& edges, uint32_t at) {
    const LoopBuffer::Obeyed obeyed = loop.obeyTransport();
    if (obeyed == LoopBuffer::Obeyed::Began)
        edges.beganAt = static_cast<int>(at);
    else if (obeyed == LoopBuffer::Obeyed::Ended)
        edges.endedAt = static_cast<int>(at);
    // A playback that begins or ends drops what the resampler read ahead.
    if (obeyed != LoopBuffer::Obeyed::Nothing && output.resampler.isOpen())
        output.resampler.reset();
}

// Frames from..to of the period, as floats x / 32768 (exact for 16-bit values).
void JackClient::play(Output& output, LoopBuffer& loop, float* left, float* right, Edges& edges, uint32_t from,
                      uint32_t to) {
    while (from < to) {
        const uint32_t n = std::min(to - from, ScratchFrames);
        const bool sounded = loop.view().active;
        if (output.resampler.isOpen()) {
            output.resampler.read(output.scratch.data(), n);
            for (uint32_t f = 0; f < n; ++f) {
                left[from + f] = output.scratch[2 * f];
                right[from + f] = output.scratch[2 * f + 1];
            }
        } else {
            loop.readFrames(output.pcm.data(), n);
            for (uint32_t f = 0; f < n; ++f) {
                left[from + f] = static_cast<float>(output.pcm[2 * f]) * (1.0f / 32768.0f);
                right[from + f] = static_cast<float>(output.pcm[2 * f + 1]) * (1.0f / 32768.0f);
            }
        }
        if (sounded && !loop.view().active && edges.endedAt < 0)
            edges.endedAt = static_cast<int>(from + n);   // a fade-out ended in these frames
        from += n;
    }
}

}  // namespace tamboro
