#include "app/command_messages.h"

#include <cstring>
#include <ostream>

#include "files/sample_problem.h"
#include "files/terminal_text.h"

namespace tamboro {

std::string shown(const std::filesystem::path& path) {
    return escapeForTerminal(path.string());
}

void warnAboutSample(const SampleLoadFailure& failure, const std::filesystem::path& folder,
                     std::ostream& errors) {
    errors << "tamboro: warning: channel " << failure.channel << ": sample \""
           << escapeForTerminal(failure.name) << "\": " << sampleProblemText(failure.problem);
    if (failure.problem == SampleProblem::NotFound)
        errors << " in " << shown(folder);
    if (failure.problem == SampleProblem::Unreadable && failure.systemError != 0)
        errors << " (" << std::strerror(failure.systemError) << ")";
    errors << "\n";
}

}  // namespace tamboro
