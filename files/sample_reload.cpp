#include "files/sample_reload.h"

#include <cerrno>
#include <new>
#include <optional>

#include "engine/song_ops.h"
#include "files/sample_names.h"
#include "files/stored_names.h"
#include "files/wave_reader.h"
#include "files/wave_result.h"

namespace tamboro {

namespace {

// Loads the channel's sample, or says why it could not.
std::optional<SampleLoadFailure> loadChannel(SongState& song, const std::filesystem::path& folder,
                                             int channel, std::string_view name) {
    SampleLoadFailure failure;
    failure.channel = channel;
    failure.name = name;
    try {
        const std::optional<std::filesystem::path> file = resolveSampleName(folder, name);
        if (!file) {
            if (const std::optional<OtherEntry> other = findOtherEntry(folder, name))
                failure.problem = sampleProblemFor(other->kind);
            return failure;  // not found, or found as something else
        }
        LoadedWave wave;
        const uint32_t result = loadWaveFile(*file, wave, &failure.systemError);
        if (result == 0) {
            registerSample(song, wave.length, std::move(wave.format), std::move(wave.data), channel);
            return std::nullopt;
        }
        // A file that became something else since it was found.
        failure.problem = result == WaveNotAFile ? sampleProblemFor(fileKindAt(*file))
                                                 : sampleProblemOf(result, failure.systemError);
    } catch (const std::bad_alloc&) {
        failure.problem = SampleProblem::OutOfMemory;
        failure.systemError = ENOMEM;
    }
    return failure;
}

}  // namespace

void reloadSamples(SongState& song, const std::filesystem::path& samplesFolder,
                   const SampleLoadWarning& warn) {
    for (int c = 0; c < ChannelCount; ++c) {
        const std::string_view text = storedSampleName(song, c);
        registerSample(song, 0, nullptr, nullptr, c);
        if (text.empty())
            continue;
        const std::optional<SampleLoadFailure> failure = loadChannel(song, samplesFolder, c, text);
        if (!failure)
            continue;
        if (warn)
            warn(*failure);
        song.sampleName[c].fill('\0');
    }
}

void loadStartUpSamples(SongState& song, const std::filesystem::path& samplesFolder) {
    for (int c = 0; c < ChannelCount; ++c) {
        registerSample(song, 0, nullptr, nullptr, c);
        const std::string_view text = storedSampleName(song, c);
        if (c < 4 && !text.empty())
            loadChannel(song, samplesFolder, c, text);
    }
}

}  // namespace tamboro
