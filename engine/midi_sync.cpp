#include "engine/midi_sync.h"

namespace tamboro {

namespace {

// The input's callback: the context is the AudioOutput's MidiSyncInput.
void deliver(void* context, uint32_t message) {
    static_cast<MidiSyncInput*>(context)->receive(message);
}

bool openMidiInput(AudioOutput& out, int device, std::string& reason) {
    out.midiInOpen = out.midi.open(device, &deliver, &out.sync, reason);
    if (out.midiInOpen)
        out.midi.start();
    return out.midiInOpen;
}

void closeMidiInput(AudioOutput& out) {
    if (!out.midiInOpen)
        return;
    out.midi.stop();
    out.midi.close();
    out.midiInOpen = false;
}

}  // namespace

MidiSyncResult toggleMidiSync(AudioOutput& out, SongState& song) {
    if (song.midiSync) {
        song.midiSync = 0;
        closeMidiInput(out);
        song.playing = 0;
        closeOutputs(out);
        return {MidiSyncChange::TurnedOff, {}, {}};
    }
    if (song.playing)
        return {MidiSyncChange::NothingWhilePlaying, {}, {}};
    if (song.followJackTransport)
        toggleFollowJackTransport(out, song);   // the transport gives way
    if (!out.loop.allocated())
        return {MidiSyncChange::NoMixBuffer, {}, {}};
    out.loop.resetTransport();
    out.sync.forget();
    out.sync.setFollowClock(song.followMidiClock != 0);
    resetFollowSession(out.follow);
    std::string reason;
    if (!openMidiInput(out, song.midiInDevice, reason))
        return {MidiSyncChange::MidiInputFailed, {}, std::move(reason)};
    song.midiSync = 1;
    MidiSyncResult result{MidiSyncChange::TurnedOn, openOutput(out, song, song.outputDevice), {}};
    out.primeFailed = !result.output.ok();
    return result;
}

FollowClockChange toggleFollowMidiClock(AudioOutput& out, SongState& song) {
    if (song.playing)
        return FollowClockChange::NothingWhilePlaying;
    song.followMidiClock = song.followMidiClock ? 0 : 1;
    out.sync.setFollowClock(song.followMidiClock != 0);
    return song.followMidiClock ? FollowClockChange::TurnedOn : FollowClockChange::TurnedOff;
}

bool selectMidiInDevice(AudioOutput& out, SongState& song, int index, std::string& reason) {
    song.midiInDevice = index;
    if (!out.midiInOpen)
        return true;
    closeMidiInput(out);
    return openMidiInput(out, song.midiInDevice, reason);
}

TransportResult toggleFollowJackTransport(AudioOutput& out, SongState& song) {
    TransportResult result;
    if (song.followJackTransport) {
        song.followJackTransport = 0;
        out.transport.setFollow(false);
        song.playing = 0;
        closeOutputs(out);
        return result;
    }
    if (song.playing) {
        result.change = TransportChange::NothingWhilePlaying;
        return result;
    }
    if (!out.loop.allocated()) {
        result.change = TransportChange::NoMixBuffer;
        return result;
    }
    if (song.midiSync) {
        toggleMidiSync(out, song);
        result.midiSyncTurnedOff = true;
    }
    closeOutputs(out);
    out.transport.forget();
    out.follow.transport = TransportFollow{};
    song.followJackTransport = 1;
    out.transport.setFollow(true);
    result.change = TransportChange::TurnedOn;
    result.output = openOutput(out, song, song.outputDevice);
    if (!result.output.ok()) {
        song.followJackTransport = 0;
        out.transport.setFollow(false);
    }
    return result;
}

ClockOutChange toggleSendMidiClock(AudioOutput& out, SongState& song) {
    if (song.playing)
        return ClockOutChange::NothingWhilePlaying;
    song.sendMidiClock = song.sendMidiClock ? 0 : 1;
    if (!song.sendMidiClock) {
        out.clockOut.setSending(false);
        if (out.outputOpen)
            out.wave.attachClockOutput(nullptr);
        return ClockOutChange::TurnedOff;
    }
    if (!out.outputOpen)
        return ClockOutChange::TurnedOn;
    // An armed output: from its next priming on.
    const bool port = out.wave.attachClockOutput(&out.clockOut);
    out.clockOut.setSending(song.midiSync == 0 && song.followJackTransport == 0);
    return port ? ClockOutChange::TurnedOn : ClockOutChange::TurnedOnNoPort;
}

}  // namespace tamboro
