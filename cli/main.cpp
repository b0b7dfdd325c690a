// The `tamboro` command: render, play and list devices here, without Qt;
// the window, --snapshot and --user-folder in the desktop program.

#include <iostream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/desktop_handover.h"
#include "cli/list_devices.h"
#include "cli/play_command.h"
#include "cli/render_command.h"
#include "tamboro_version.h"

int main(int argc, char** argv) {
    using tamboro::CommandLine;
    const CommandLine line = tamboro::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (line.action) {
    case CommandLine::Action::Render:
        return tamboro::runRenderCommand(line, std::cerr);
    case CommandLine::Action::Play:
        return tamboro::runPlayCommand(line, std::cout, std::cerr);
    case CommandLine::Action::ListDevices:
        return tamboro::runListDevices(std::cout, std::cerr);
    case CommandLine::Action::Help:
        std::cout << tamboro::usageText();
        return 0;
    case CommandLine::Action::Version:
        std::cout << "tamboro " << tamboro::ProgramVersion << "\n";
        return 0;
    case CommandLine::Action::Error:
        std::cerr << "tamboro: " << line.error << "\n" << tamboro::usageText();
        return 2;
    case CommandLine::Action::Desktop:
    case CommandLine::Action::Snapshot:
        break;
    }
    return tamboro::handOverToDesktop(argv, std::cerr);
}
