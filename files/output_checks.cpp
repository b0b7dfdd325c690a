#include "files/output_checks.h"

#include <sys/stat.h>

#include "files/sample_names.h"
#include "files/stored_names.h"

namespace tamboro {

bool isSameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

std::optional<OutputClash> findOutputClash(const SongState& song,
                                           const std::filesystem::path& songFile,
                                           const std::filesystem::path& samplesFolder,
                                           const std::filesystem::path& output) {
    if (!songFile.empty() && isSameFile(output, songFile))
        return OutputClash{-1, songFile};
    for (int c = 0; c < ChannelCount; ++c) {
        const std::string_view text = storedSampleName(song, c);
        if (text.empty())
            continue;
        const std::optional<std::filesystem::path> sample = resolveSampleName(samplesFolder, text);
        if (sample && isSameFile(output, *sample))
            return OutputClash{c, *sample};
    }
    return std::nullopt;
}

}  // namespace tamboro
