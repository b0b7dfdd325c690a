#include "app/desktop_program.h"

#include <QApplication>
#include <QIcon>

#include <filesystem>
#include <memory>
#include <ostream>
#include <system_error>

#include "app/desktop_startup.h"
#include "app/main_window.h"
#include "app/resources/resource_names.h"
#include "app/user_folder.h"
#include "engine/audio_output.h"
#include "files/terminal_text.h"
#include "platform/rtaudio_output.h"
#include "platform/rtmidi_input.h"

namespace tamboro {

namespace {

std::filesystem::path startFolder() {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::current_path(error);
    return error ? std::filesystem::path(".") : folder;
}

}  // namespace

int runDesktopProgram(int argc, char** argv) {
    QApplication application(argc, argv);
    // The program ends when its window agrees to close, not when the last
    // box of some kind goes away.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(QIcon(resourcePath(u"TAMBOROICON")));

    auto song = std::make_unique<SongState>();
    FileFolders folders(startFolder());
    RtAudioOutput wave;
    RtMidiInput midi;
    AudioOutput output(wave, midi);
    const PanelResources resources = loadPanelResources();
    {
        MainWindow window(*song, output, folders, resources);
        window.setOnClosed([] { QCoreApplication::quit(); });
        initApplication(window);
        QApplication::exec();
    }
    // The output closes before the samples and the MixBuffer go; MIDI last.
    shutdownOutput(output, *song);
    return 0;
}

void enterUserFolder(std::ostream& errors) {
    const std::optional<std::filesystem::path> folder = userFolder();
    if (!folder) {
        errors << "tamboro: no home folder (HOME is not set); starting in the current folder\n";
        return;
    }
    const std::string problem = prepareUserFolder(*folder, installedDataFolder());
    std::error_code error;
    if (problem.empty())
        std::filesystem::current_path(*folder, error);
    if (!problem.empty() || error)
        errors << "tamboro: "
               << escapeForTerminal(problem.empty() ? folder->string() + ": " + error.message() : problem)
               << "; starting in the current folder\n";
}

}  // namespace tamboro
