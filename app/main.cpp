// Entry point: the command line's render, snapshot, play and device-list
// modes, or the desktop program.

#include <iostream>
#include <string>
#include <vector>

#include "app/command_line.h"
#ifdef TAMBORO_DESKTOP
#include "app/desktop_program.h"
#endif
#include "app/list_devices.h"
#include "app/play_command.h"
#include "app/render_command.h"
#ifdef TAMBORO_SNAPSHOT
#include "app/snapshot_command.h"
#endif

int main(int argc, char** argv) {
    using tamboro::CommandLine;
    const CommandLine line = tamboro::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (line.action) {
    case CommandLine::Action::Render:
        return tamboro::runRenderCommand(line, std::cerr);
    case CommandLine::Action::Snapshot:
#ifdef TAMBORO_SNAPSHOT
        return tamboro::runSnapshotCommand(line, std::cerr);
#else
        std::cerr << "tamboro: this build has no panel (built without TAMBORO_UI)\n";
        return 2;
#endif
    case CommandLine::Action::Play:
        return tamboro::runPlayCommand(line, std::cout, std::cerr);
    case CommandLine::Action::ListDevices:
        return tamboro::runListDevices(std::cout);
    case CommandLine::Action::Help:
        std::cout << tamboro::usageText();
        return 0;
    case CommandLine::Action::Version:
        std::cout << "tamboro " TAMBORO_VERSION "\n";
        return 0;
    case CommandLine::Action::Error:
        std::cerr << "tamboro: " << line.error << "\n" << tamboro::usageText();
        return 2;
    case CommandLine::Action::Desktop:
        break;
    }
#ifdef TAMBORO_DESKTOP
    if (line.userFolder)
        tamboro::enterUserFolder(std::cerr);
    // Qt sees no option of ours.
    int qtArgc = 1;
    return tamboro::runDesktopProgram(qtArgc, argv);
#else
    std::cerr << "tamboro: this build has no desktop program (built without TAMBORO_UI); "
                 "use --render SONG.sng OUT.wav (see --help)\n";
    return 2;
#endif
}
