#include "files/sample_reload.h"

#include <optional>

#include "engine/song_ops.h"
#include "files/sample_names.h"
#include "files/wave_reader.h"

namespace tamboro {

void reloadSamples(SongState& song, const std::filesystem::path& samplesFolder,
                   const MissingSampleWarning& warn) {
    for (int c = 0; c < ChannelCount; ++c) {
        SampleName& name = song.sampleName[c];
        const std::string text(name.data());
        if (text.empty()) {
            registerSample(song, 0, nullptr, nullptr, c);
            continue;
        }
        LoadedWave wave;
        const std::optional<std::filesystem::path> file = resolveSampleName(samplesFolder, text);
        if (file && loadWaveFile(*file, wave) == 0) {
            registerSample(song, wave.length, std::move(wave.format), std::move(wave.data), c);
            continue;
        }
        registerSample(song, 0, nullptr, nullptr, c);
        if (warn)
            warn(text);
        name.fill('\0');
    }
}

}  // namespace tamboro
