#include "cli/desktop_handover.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ostream>

#include "cli/program_paths.h"
#include "commands/terminal_text.h"

namespace tamboro {

int handOverToDesktop(char** argv, std::ostream& errors) {
    const std::string path = desktopProgramPath().string();
    // argv[0] stays "tamboro": the window's name and class come from it.
    execv(path.c_str(), argv);
    const int error = errno;
    errors << "tamboro: the desktop program cannot be started (" << escapeForTerminal(path) << ": "
           << std::strerror(error) << ")";
    if (error == ENOENT)
        errors << "; this installation has only the command line: --render, --play and "
                  "--list-devices work without it (see --help)";
    errors << "\n";
    return 2;
}

}  // namespace tamboro
