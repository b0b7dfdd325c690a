#include "files/sample_problem.h"

#include <cerrno>

#include "files/wave_result.h"

namespace tamboro {

SampleProblem sampleProblemOf(uint32_t loadResult, int systemError) {
    switch (loadResult) {
    case WaveNoMemory:
        return SampleProblem::OutOfMemory;
    case WaveTooLarge:
        return SampleProblem::TooLarge;
    case WaveNotRiffWave:
        return SampleProblem::NotWave;
    case WaveNotAFile:
        // What it is, the caller finds out (sampleProblemFor).
        return SampleProblem::Unreadable;
    case WaveOpenFailed:
        if (systemError == ENOENT || systemError == ENOTDIR)
            return SampleProblem::NotFound;
        return systemError == ENOMEM ? SampleProblem::OutOfMemory : SampleProblem::Unreadable;
    case RiffReadError:
        // Without an errno the file was too short for a RIFF header.
        if (systemError == 0)
            return SampleProblem::NotWave;
        return systemError == ENOMEM ? SampleProblem::OutOfMemory : SampleProblem::Unreadable;
    default:
        // WaveReadFailed, WaveTruncated, a missing chunk, a bad position.
        return SampleProblem::Damaged;
    }
}

SampleProblem sampleProblemFor(FileKind kind) {
    switch (kind) {
    case FileKind::Folder:
        return SampleProblem::IsFolder;
    case FileKind::NamedPipe:
        return SampleProblem::IsNamedPipe;
    case FileKind::Device:
        return SampleProblem::IsDevice;
    case FileKind::Socket:
        return SampleProblem::IsSocket;
    case FileKind::Regular:
        break;
    }
    return SampleProblem::Unreadable;
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
