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
    }
    return "cannot be loaded";
}

}  // namespace tamboro
