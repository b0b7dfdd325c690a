#pragma once
// Stream To Disk: renders the whole song once, as fast as the machine
// allows, into a 44,100 Hz 16-bit stereo WAV file. Main thread; playback
// must be stopped first, since the render uses the MixBuffer and the clock.

#include <filesystem>

#include "engine/song_state.h"

namespace tamboro {

// The "fact" chunk's value in every file written: a constant, not a count.
inline constexpr uint32_t StreamFactValue = 32768;

// Renders half by half into `mixBuffer` (MixBufferBytes, owned by the
// caller, which no output may be playing). Returns 1 when the whole file was
// written and closed, 0 otherwise (also when `mixBuffer` is null). The file
// is written beside `path` and replaces it only when complete, so a failure
// leaves an existing file as it was and no partial file behind. On a
// failure `systemError`, when given, receives the errno behind it (ENOMEM
// without a MixBuffer), or 0 when the system gave none. stopAtEnd is
// cleared on every path.
int streamToDisk(SongState& song, int16_t* mixBuffer, const std::filesystem::path& path,
                 int* systemError = nullptr);

}  // namespace tamboro
