#include "desktop/desktop_program.h"

#include <QApplication>
#include <QIcon>

#include <filesystem>
#include <memory>
#include <ostream>
#include <system_error>

#include "commands/terminal_text.h"
#include "desktop/desktop_startup.h"
#include "desktop/main_window.h"
#include "desktop/user_folder.h"
#include "engine/audio_output.h"
#include "platform/linux_audio_systems.h"
#include "resources/resource_names.h"

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
    // The window's class and the launcher it belongs to, whatever the
    // executable is called.
    QApplication::setApplicationName(QStringLiteral("tamboro"));
    QGuiApplication::setDesktopFileName(QStringLiteral("tamboro"));
    // The program ends when its window agrees to close, not when the last
    // box of some kind goes away.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(QIcon(resourcePath(u"TAMBOROICON")));

    auto song = std::make_unique<SongState>();
    FileFolders folders(startFolder());
    const std::unique_ptr<AudioSystems> systems = makeLinuxAudioSystems();
    AudioOutput output(systems->wave(), systems->midi());
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
