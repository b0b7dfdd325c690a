#pragma once
// The program's words for what the engine and the start-up report: each
// text, caption, icon and owner in one place, for the message boxes of the
// desktop program and the lines of the command line. Any thread.

#include <string>
#include <string_view>

#include "commands/shell.h"
#include "engine/output_result.h"

namespace tamboro {

struct Message {
    MessageOwner owner = MessageOwner::MainWindow;
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::Warning;
};

// The MixBuffer could not be allocated (start-up, or Play and MIDI Sync
// without it).
Message noMixBufferMessage();
// Opening, priming or starting the output failed; nothing for a result
// that is ok.
Message outputProblemMessage(const OutputResult& result);
// The stream ended on its own (the audio server dropped the client).
Message outputLostMessage();
// The MIDI input could not be opened, in a box owned by `owner`, with the
// input's reason on a line of its own when it gave one.
Message midiInputFailedMessage(MessageOwner owner, const std::string& reason = {});
// The Play lamp clicked while MIDI Sync is on.
Message playInMidiSyncMessage();
Message playFollowingTransportMessage();
Message clockOutNeedsJackMessage();
// Start-up: the panel's font, the step-button bitmaps, no output device.
Message fontMissingMessage();
Message bitmapsMissingMessage();
Message noOutputDeviceMessage();

// A box on the Shell.
void show(Shell& shell, const Message& message);

// One line for a terminal: "Caption: text", line breaks as blanks.
std::string terminalLine(const Message& message);

}  // namespace tamboro
