#include "commands/file_texts.h"

namespace tamboro {

const char* songLoadMessage(SongLoadResult result) {
    switch (result) {
    case SongLoadResult::Loaded:
        return "";
    case SongLoadResult::OpenFailed:
        return "The song file could not be opened.";
    case SongLoadResult::TooShort:
        return "The song file is damaged: it is shorter than its song length requires.";
    case SongLoadResult::BadTempo:
        return "The song file is damaged: its tempo is not a positive number.";
    case SongLoadResult::BadLength:
        return "The song file is damaged: its song length is not between 1 and 128 steps.";
    case SongLoadResult::IsFolder:
        return "The song file is a folder.";
    case SongLoadResult::IsNamedPipe:
        return "The song file is not a regular file (a named pipe).";
    case SongLoadResult::IsDevice:
        return "The song file is not a regular file (a device).";
    case SongLoadResult::IsSocket:
        return "The song file is not a regular file (a socket).";
    }
    return "The song file could not be read.";
}

const char* sampleProblemText(SampleProblem problem) {
    switch (problem) {
    case SampleProblem::NotFound:
        return "not found";
    case SampleProblem::NotWave:
        return "not a WAV file";
    case SampleProblem::Damaged:
        return "damaged";
    case SampleProblem::TooLarge:
        return "too large";
    case SampleProblem::OutOfMemory:
        return "out of memory";
    case SampleProblem::Unreadable:
        return "cannot be read";
    case SampleProblem::IsFolder:
        return "is a folder";
    case SampleProblem::IsNamedPipe:
        return "is not a regular file (a named pipe)";
    case SampleProblem::IsDevice:
        return "is not a regular file (a device)";
    case SampleProblem::IsSocket:
        return "is not a regular file (a socket)";
    }
    return "cannot be loaded";
}

}  // namespace tamboro
