#include "files/stored_names.h"

#include <cstring>

#include "files/utf8.h"

namespace tamboro {

std::string_view storedSampleName(const SongState& song, int channel) {
    const SampleName& name = song.sampleName[static_cast<size_t>(channel)];
    return {name.data(), ::strnlen(name.data(), name.size())};
}

std::string shownSampleName(std::string_view name) {
    return isValidUtf8(name) ? std::string(name) : windows1252ToUtf8(name);
}

}  // namespace tamboro
