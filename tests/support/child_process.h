#pragma once
// Runs a piece of a test in a forked child under resource limits, so that a
// write can be made to fail (a file-size limit) or an allocation (an
// address-space limit) without touching the test runner itself.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>
#include <optional>

namespace tamboro::test {

struct ChildLimits {
    std::optional<rlim_t> fileSizeBytes = {};     // RLIMIT_FSIZE; SIGXFSZ is ignored so writes fail
    std::optional<rlim_t> addressSpaceBytes = {}; // RLIMIT_AS
};

// Runs `body` in a child and returns its exit status (what `body` returned,
// 0..255), -1 when the child did not exit normally, -2 when it could not be
// run. The child leaves with _exit, so nothing of the test runner runs twice;
// it reports through its status only (250: a limit could not be set).
inline int runInChild(const ChildLimits& limits, const std::function<int()>& body) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        return -2;
    if (pid == 0) {
        if (limits.fileSizeBytes) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{*limits.fileSizeBytes, *limits.fileSizeBytes};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                ::_exit(250);
        }
        if (limits.addressSpaceBytes) {
            const rlimit limit{*limits.addressSpaceBytes, *limits.addressSpaceBytes};
            if (::setrlimit(RLIMIT_AS, &limit) != 0)
                ::_exit(250);
        }
        int code = 125;
        try {
            code = body();
        } catch (...) {
        }
        ::_exit(code & 0xFF);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -2;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline int runInChild(const std::function<int()>& body) {
    return runInChild(ChildLimits{}, body);
}

}  // namespace tamboro::test
