#pragma once
// Why a sample could not be loaded. Any thread.

#include <cstdint>

#include "files/regular_file.h"

namespace tamboro {

enum class SampleProblem {
    NotFound,     // no file of that name in the samples folder
    NotWave,      // the file is no RIFF WAVE file
    Damaged,      // a WAV file with its format or data missing or cut short
    TooLarge,     // more sample data than a channel can hold
    OutOfMemory,  // the memory for it could not be had
    Unreadable,   // the system refused to open or read it (see the errno)
    IsFolder,     // the name gives a folder, not a file
    IsNamedPipe,  // the name gives something that is no regular file
    IsDevice,
    IsSocket,
};

// The problem behind a result of loadWaveFile (not 0), with the errno it
// reported.
SampleProblem sampleProblemOf(uint32_t loadResult, int systemError);

// The problem of a sample whose name gives something that is no regular
// file, by what it is (Unreadable for a regular file).
SampleProblem sampleProblemFor(FileKind kind);

}  // namespace tamboro
