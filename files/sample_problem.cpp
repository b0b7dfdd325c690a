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

}  // namespace tamboro
