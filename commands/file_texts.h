#pragma once
// The program's words for what reading a song file or loading a sample came
// to, for the message boxes and the command line. Any thread.

#include "files/sample_problem.h"
#include "files/song_file.h"

namespace tamboro {

// Why a song file was refused, as one sentence; empty for Loaded.
const char* songLoadMessage(SongLoadResult result);

// Why a sample could not be loaded: "not found", "not a WAV file",
// "damaged", "too large", "out of memory", "cannot be read", "is a folder",
// "is not a regular file (a named pipe)", ...
const char* sampleProblemText(SampleProblem problem);

}  // namespace tamboro
