#pragma once
// Runs the tamboro executable with arguments and collects its exit status
// and what it printed.

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tamboro::test {

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string quoted(const std::string& arg) {
    std::string q = "'";
    for (char c : arg)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs in `folder`, with stdout and stderr captured in files there.
// `setup` is shell text run just before the program in the same process,
// such as "ulimit -f 100; ". With `timeoutSeconds`, a program still running
// then is killed (status 137), so that a test of something that must not
// wait fails instead of hanging.
inline RunResult runTamboro(const std::vector<std::string>& args,
                            const std::filesystem::path& folder, const std::string& setup = "",
                            int timeoutSeconds = 0) {
    const std::string limit =
        timeoutSeconds > 0 ? "timeout -s KILL " + std::to_string(timeoutSeconds) + " " : "";
    std::string command = "cd " + quoted(folder.string()) + " && (" + setup + "exec " + limit +
                          quoted(TAMBORO_EXECUTABLE);
    for (const std::string& arg : args)
        command += " " + quoted(arg);
    command += ") >.stdout 2>.stderr </dev/null";
    const int raw = std::system(command.c_str());
    RunResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = slurp(folder / ".stdout");
    result.err = slurp(folder / ".stderr");
    return result;
}

}  // namespace tamboro::test
