// tamboro-desktop: the drum machine's window and --snapshot. The `tamboro`
// command starts it with its own arguments.

#include <iostream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "desktop/desktop_program.h"
#include "desktop/snapshot_command.h"

int main(int argc, char** argv) {
    using tamboro::CommandLine;
    const CommandLine line = tamboro::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (line.action) {
    case CommandLine::Action::Snapshot:
        return tamboro::runSnapshotCommand(line, std::cerr);
    case CommandLine::Action::Desktop:
        break;
    default:
        std::cerr << "tamboro-desktop: the tamboro command runs this mode (see tamboro --help)\n";
        return 2;
    }
    if (line.userFolder)
        tamboro::enterUserFolder(std::cerr);
    // Qt sees no option of ours.
    int qtArgc = 1;
    return tamboro::runDesktopProgram(qtArgc, argv);
}
