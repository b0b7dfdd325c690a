#pragma once
// Runs part of a test in a forked child, for limits (file size, address
// space) that must not touch the test runner itself.

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>

namespace tamboro::test {

// Runs `body` in a child and returns its exit status, or -1 when the child
// did not exit normally. The child leaves with _exit, so nothing of the test
// runner runs twice; it reports through its status only.
inline int runInChild(const std::function<int()>& body) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        return -2;
    if (pid == 0) {
        int code = 125;
        try {
            code = body();
        } catch (...) {
        }
        ::_exit(code);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -2;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace tamboro::test
