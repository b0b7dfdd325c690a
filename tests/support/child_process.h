#pragma once
// Runs a piece of a test in a forked child under resource limits, so that a
// write can be made to fail (a file-size limit) or an allocation (an
// address-space limit) without touching the test process itself.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <optional>

namespace tamboro::test {

struct ChildLimits {
    std::optional<rlim_t> fileSizeBytes = {};     // RLIMIT_FSIZE; SIGXFSZ is ignored so writes fail
    std::optional<rlim_t> addressSpaceBytes = {}; // RLIMIT_AS
};

// The child's exit status (what `body` returned, 0..255), or -1 when the
// child did not exit normally.
inline int runInChild(const ChildLimits& limits, const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (limits.fileSizeBytes) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{*limits.fileSizeBytes, *limits.fileSizeBytes};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
                _exit(250);
        }
        if (limits.addressSpaceBytes) {
            const rlimit limit{*limits.addressSpaceBytes, *limits.addressSpaceBytes};
            if (setrlimit(RLIMIT_AS, &limit) != 0)
                _exit(250);
        }
        _exit(body() & 0xFF);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace tamboro::test
