#pragma once
// What the front panel needs of the rest of the program: starting and
// stopping playback from the lamps and the sample choice.
// The desktop program implements it; tests use a fake. The panel itself
// never touches audio. Main thread only.

namespace tamboro {

class PanelHost {
public:
    virtual ~PanelHost() = default;

    // Play lamp pressed while stopped and not in MIDI Sync mode. Opens and
    // starts the output with `outputDevice` and sets `playing` to 1 only when
    // the output really runs; a failure is reported by the output and leaves
    // `playing` at 0. Serialised with the MIDI input, so it does nothing when
    // playback is already running by then.
    virtual void startPlayback() = 0;

    // Stop lamp pressed while playing: `playing` := 0 and every output closed.
    virtual void stopPlayback() = 0;

    // The sample choice for `channel`, run to its end. On success the host
    // loads the sample and asks the panel for a full repaint.
    virtual void chooseSample(int channel) = 0;

    // Play lamp pressed while MIDI Sync is on: playback starts from the
    // sequencer, which the host tells the user.
    virtual void playPressedInMidiSync() = 0;
};

}  // namespace tamboro
