#include "engine/midi_sync.h"

namespace tamboro {

namespace {

// The input's callback: the context is the AudioOutput's LoopBuffer.
void deliver(void* context, uint32_t message) {
    onMidiIn(*static_cast<LoopBuffer*>(context), message);
}

bool openMidiInput(AudioOutput& out, int device, std::string& reason) {
    out.midiInOpen = out.midi.open(device, &deliver, &out.loop, reason);
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
    if (!out.loop.allocated())
        return {MidiSyncChange::NoMixBuffer, {}, {}};
    out.loop.resetTransport();
    std::string reason;
    if (!openMidiInput(out, song.midiInDevice, reason))
        return {MidiSyncChange::MidiInputFailed, {}, std::move(reason)};
    song.midiSync = 1;
    MidiSyncResult result{MidiSyncChange::TurnedOn, openOutput(out, song, song.outputDevice), {}};
    out.primeFailed = !result.output.ok();
    return result;
}

void onMidiIn(LoopBuffer& loop, uint32_t message) {
    if (message == MidiStart || message == MidiContinue)
        loop.requestStart();
    else if (message == MidiStop)
        loop.requestStop();
}

bool selectMidiInDevice(AudioOutput& out, SongState& song, int index, std::string& reason) {
    song.midiInDevice = index;
    if (!out.midiInOpen)
        return true;
    closeMidiInput(out);
    return openMidiInput(out, song.midiInDevice, reason);
}

}  // namespace tamboro
