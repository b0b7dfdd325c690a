// The whole `tamboro` process, as a user or a script starts it: a render of
// a one-bar song (the golden song of the tests, with its samples) and
// --version, from fork to exit. Run with --benchmark_repetitions=10 for
// medians; the output goes to TAMBORO_BENCH_DIR (default /dev/shm).

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

// Starts the program with `args` and waits for it; false when it failed.
bool runProgram(std::vector<std::string> args) {
    args.insert(args.begin(), TAMBORO_EXECUTABLE);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", 0x1 /* O_WRONLY */, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", 0x1, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status);
}

std::string outputFolder() {
    const char* dir = std::getenv("TAMBORO_BENCH_DIR");
    return dir ? dir : "/dev/shm";
}

void wholeProcessRenderOfOneBar(benchmark::State& state) {
    const std::string golden = TAMBORO_SOURCE_DIR "/tests/cli/golden/";
    const std::string out = outputFolder() + "/tamboro-bench-one-bar.wav";
    for (auto _ : state) {
        if (!runProgram({"--render", golden + "golden.sng", out, "--samples", golden + "Samples",
                         "--pitch", "2=7", "--pitch", "3=-5"})) {
            state.SkipWithError("tamboro --render did not run");
            return;
        }
    }
    std::remove(out.c_str());
}
BENCHMARK(wholeProcessRenderOfOneBar)->Unit(benchmark::kMillisecond)->UseRealTime();

void wholeProcessVersion(benchmark::State& state) {
    for (auto _ : state) {
        if (!runProgram({"--version"})) {
            state.SkipWithError("tamboro --version did not run");
            return;
        }
    }
}
BENCHMARK(wholeProcessVersion)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
