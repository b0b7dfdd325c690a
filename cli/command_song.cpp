#include "cli/command_song.h"

#include <cstring>
#include <ostream>

#include "commands/file_texts.h"
#include "commands/terminal_text.h"
#include "engine/song_ops.h"
#include "files/sample_problem.h"
#include "files/song_file.h"

namespace tamboro {

std::string shown(const std::filesystem::path& path) {
    return escapeForTerminal(path.string());
}

void warnAboutSample(const SampleLoadFailure& failure, const std::filesystem::path& folder,
                     std::ostream& errors) {
    errors << "tamboro: warning: channel " << failure.channel << ": sample \""
           << escapeForTerminal(failure.name) << "\": " << sampleProblemText(failure.problem);
    if (failure.problem == SampleProblem::NotFound)
        errors << " in " << shown(folder);
    if (failure.problem == SampleProblem::Unreadable && failure.systemError != 0)
        errors << " (" << std::strerror(failure.systemError) << ")";
    errors << "\n";
}

}  // namespace tamboro

namespace tamboro {

std::unique_ptr<SongState> openCommandSong(const CommandLine& line, std::ostream& errors) {
    auto song = std::make_unique<SongState>();
    newSong(*song);
    song->pitch = line.pitch;
    const SongLoadResult loaded = loadSong(*song, line.song);
    if (loaded != SongLoadResult::Loaded) {
        errors << "tamboro: " << shown(line.song) << ": " << songLoadMessage(loaded) << "\n";
        return nullptr;
    }
    return song;
}

int loadCommandSamples(SongState& song, const CommandLine& line, std::ostream& errors) {
    int silent = 0;
    reloadSamples(song, line.samples, [&](const SampleLoadFailure& failure) {
        ++silent;
        warnAboutSample(failure, line.samples, errors);
    });
    return silent;
}

}  // namespace tamboro
