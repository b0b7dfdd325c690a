#include "cli/render_command.h"

#include <cstring>
#include <new>
#include <ostream>

#include "cli/command_song.h"
#include "commands/terminal_text.h"
#include "engine/song_state.h"
#include "files/file_replacement.h"
#include "files/output_checks.h"
#include "files/stored_names.h"
#include "files/stream_to_disk.h"

namespace tamboro {

namespace {

// Refuses an output that cannot be written or that is one of the render's
// own inputs, before anything is loaded or written.
bool outputIsUsable(const CommandLine& line, const SongState& song, std::ostream& errors) {
    if (const int error = probeReplacement(line.output)) {
        errors << "tamboro: cannot write " << shown(line.output) << ": " << std::strerror(error)
               << "\n";
        return false;
    }
    const std::optional<OutputClash> clash =
        findOutputClash(song, line.song, line.samples, line.output);
    if (!clash)
        return true;
    errors << "tamboro: " << shown(line.output) << " is ";
    if (clash->channel < 0) {
        errors << "the song file being rendered";
    } else {
        errors << "the sample of channel " << clash->channel << " ("
               << escapeForTerminal(storedSampleName(song, clash->channel)) << ")";
    }
    errors << "; choose another output file\n";
    return false;
}

int render(const CommandLine& line, std::ostream& errors) {
    const std::unique_ptr<SongState> song = openCommandSong(line, errors);
    if (!song || !outputIsUsable(line, *song, errors))
        return RenderFailed;
    const int silent = loadCommandSamples(*song, line, errors);
    std::unique_ptr<int16_t[]> mixBuffer(new (std::nothrow) int16_t[MixBufferValues]);
    if (!mixBuffer) {
        errors << "tamboro: not enough memory for the mixing buffer\n";
        return RenderFailed;
    }
    int systemError = 0;
    if (streamToDisk(*song, mixBuffer.get(), line.output, &systemError) != 1) {
        errors << "tamboro: cannot write " << shown(line.output) << ": "
               << (systemError != 0 ? std::strerror(systemError) : "the WAV file could not be finished")
               << "; no file was changed\n";
        return RenderFailed;
    }
    if (silent > 0) {
        errors << "tamboro: " << shown(line.output) << " is incomplete: " << silent
               << (silent == 1 ? " channel is" : " channels are")
               << " silent because a sample could not be loaded\n";
        return RenderIncomplete;
    }
    return 0;
}

}  // namespace

int runRenderCommand(const CommandLine& line, std::ostream& errors) {
    try {
        return render(line, errors);
    } catch (const std::bad_alloc&) {
        errors << "tamboro: out of memory\n";
        return RenderFailed;
    }
}

}  // namespace tamboro
