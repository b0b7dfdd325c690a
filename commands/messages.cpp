#include "commands/messages.h"

#include <algorithm>

#include "engine/audio_output.h"

namespace tamboro {

namespace {

constexpr std::string_view OutputCaption = "Output Device Error";

Message warning(MessageOwner owner, std::string text, std::string caption) {
    return {owner, std::move(text), std::move(caption), MessageIcon::Warning};
}

}  // namespace

Message noMixBufferMessage() {
    return warning(MessageOwner::None, "Not enough memory for mixing buffers!",
                   " Error in function SoundPlay()");
}

Message outputProblemMessage(const OutputResult& result) {
    switch (result.problem) {
    case OutputProblem::None:
        break;
    case OutputProblem::NoMixBuffer:
        return noMixBufferMessage();
    case OutputProblem::DeviceFailed:
        return warning(MessageOwner::None, result.systemText, std::string(OutputCaption));
    case OutputProblem::PeriodTooLong:
        return warning(MessageOwner::None,
                       "The device plays " + std::to_string(result.periodFrames) +
                           " frames at a time; Tamboro needs " + std::to_string(MaxPeriodFrames) +
                           " or fewer. Choose a shorter period (buffer size) for it.",
                       std::string(OutputCaption));
    case OutputProblem::NoTransport:
        return warning(MessageOwner::None,
                       "Follow JACK Transport needs the JACK output device: choose it in Select WAV Device.",
                       std::string(OutputCaption));
    }
    return {};
}

Message outputLostMessage() {
    return warning(MessageOwner::None,
                   "The output device has stopped (the audio server may have closed the connection).",
                   std::string(OutputCaption));
}

Message midiInputFailedMessage(MessageOwner owner, const std::string& reason) {
    std::string text = "Could not open MIDI device.";
    if (!reason.empty()) {
        // The reason as a sentence of its own.
        std::string sentence = reason;
        if (sentence[0] >= 'a' && sentence[0] <= 'z')
            sentence[0] = static_cast<char>(sentence[0] - 'a' + 'A');
        if (sentence.back() != '.')
            sentence += '.';
        text += "\n" + sentence;
    }
    return warning(owner, std::move(text), "Error");
}

Message clockOutNeedsJackMessage() {
    return {MessageOwner::MainWindow,
            "MIDI clock is sent through the JACK output device (its port MIDI Out); "
            "the output device chosen cannot send it.",
            "Info", MessageIcon::Information};
}

Message playFollowingTransportMessage() {
    return {MessageOwner::MainWindow,
            "Play Button deactivated while following the JACK transport.\n"
            "Start the transport instead.",
            "Info", MessageIcon::Information};
}

Message playInMidiSyncMessage() {
    return {MessageOwner::MainWindow,
            "Play Button deactivated while in MIDI Sync mode.\n"
            "Press <Play> on your sequencer/keyboard/synthesizer instead.",
            "Info", MessageIcon::Information};
}

Message fontMissingMessage() {
    return warning(MessageOwner::MainWindow, "Problems with TT-Fonts", "Font Error");
}

Message bitmapsMissingMessage() {
    return warning(MessageOwner::MainWindow, "Ressource nicht gefunden.", "Fehler");
}

Message noOutputDeviceMessage() {
    return warning(MessageOwner::MainWindow, "No Output Devices available !!", "Error");
}

void show(Shell& shell, const Message& message) {
    shell.showMessage(message.owner, message.text, message.caption, message.icon);
}

std::string terminalLine(const Message& message) {
    std::string line = message.caption + ": " + message.text;
    std::replace(line.begin(), line.end(), '\n', ' ');
    return line;
}

}  // namespace tamboro
