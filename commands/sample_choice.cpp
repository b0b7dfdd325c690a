#include "commands/sample_choice.h"

#include <algorithm>

#include "engine/song_ops.h"
#include "files/wave_reader.h"

namespace tamboro {

std::optional<std::string> sampleNameInSamplesFolder(std::string_view path) {
    constexpr std::string_view marker = "/Samples/";
    const size_t at = path.find(marker);
    if (at == std::string_view::npos)
        return std::nullopt;
    std::string name(path.substr(at + marker.size()));
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

void chooseSample(SongState& song, FileFolders& folders, Shell& shell, int channel) {
    enterFolder(folders, "Samples");
    const std::optional<std::string> chosen =
        shell.chooseFile(FileDialogMode::Open, WaveFilter, folders.dialogFolder, folders.dialogPath);
    if (!chosen)
        return;
    folders.dialogPath = *chosen;

    const std::optional<std::string> name = sampleNameInSamplesFolder(folders.dialogPath);
    if (!name) {
        shell.showMessage(MessageOwner::MainWindow, OutsideSamplesMessage, "Error", MessageIcon::Warning);
        return;
    }
    // A name the song file could not hold whole is refused rather than cut.
    if (name->size() >= SampleNameBytes) {
        shell.showMessage(MessageOwner::MainWindow, NameTooLongMessage, "Error", MessageIcon::Warning);
        return;
    }
    SampleName& stored = song.sampleName[channel];
    stored.fill('\0');
    std::copy(name->begin(), name->end(), stored.begin());

    LoadedWave wave;
    if (loadWaveFile(folders.dialogPath, wave) == 0)
        registerSample(song, wave.length, std::move(wave.format), std::move(wave.data), channel);
    else
        registerSample(song, 0, nullptr, nullptr, channel);
    shell.repaintPanel();
}

}  // namespace tamboro
