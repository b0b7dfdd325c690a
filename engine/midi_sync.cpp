#include "engine/midi_sync.h"

#include <string>
#include <vector>

namespace tamboro {

namespace {

// The input's callback: the context is the AudioOutput's LoopBuffer.
void deliver(void* context, uint32_t message) {
    onMidiIn(*static_cast<LoopBuffer*>(context), message);
}

bool openMidiInput(AudioOutput& out, int device) {
    out.midiInOpen = out.midi.open(device, &deliver, &out.loop);
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

void toggleMidiSync(AudioOutput& out, SongState& song, Shell& shell) {
    if (song.midiSync) {
        shell.setMidiSyncChecked(false);
        song.midiSync = 0;
        closeMidiInput(out);
        song.playing = 0;
        closeOutputs(out);
        return;
    }
    if (song.playing)
        return;
    if (!out.loop.allocated()) {
        // Arming would render into a missing buffer.
        shell.showMessage(MessageOwner::None, "Not enough memory for mixing buffers!",
                          " Error in function SoundPlay()", MessageIcon::Warning);
        return;
    }
    shell.setMidiSyncChecked(true);
    out.loop.resetTransport();
    if (!openMidiInput(out, song.midiInDevice)) {
        shell.setMidiSyncChecked(false);
        shell.showMessage(MessageOwner::MainWindow, "Could not open MIDI device.", "Error",
                          MessageIcon::Warning);
        return;
    }
    song.midiSync = 1;
    out.primeFailed = !openOutput(out, song, shell, song.outputDevice);
}

void onMidiIn(LoopBuffer& loop, uint32_t message) {
    if (message == MidiStart || message == MidiContinue)
        loop.requestStart();
    else if (message == MidiStop)
        loop.requestStop();
}

void midiInDeviceDialog(AudioOutput& out, SongState& song, Shell& shell) {
    song.modalActive = 1;
    std::vector<std::string> names;
    const int count = out.midi.portCount();
    for (int index = 0; index < count; ++index)
        names.push_back(out.midi.portName(index));
    shell.runDeviceDialog("Select MIDI Device", names, [&](int selected) {
        if (selected < 0)
            return;
        song.midiInDevice = selected;
        if (!out.midiInOpen)
            return;
        closeMidiInput(out);
        if (!openMidiInput(out, song.midiInDevice))
            shell.showMessage(MessageOwner::Dialog, "Could not open MIDI device.", "Error",
                              MessageIcon::Warning);
    });
}

}  // namespace tamboro
