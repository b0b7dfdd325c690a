// The desktop program in a real window (Xvfb, jackd -d dummy, both started
// here): the time to the first painted panel, resident memory, and the CPU
// it uses idle and playing, 10 s each. One run; the figures are counters.

#include <benchmark/benchmark.h>

#include "tests/e2e/desktop_rig.h"

namespace tamboro::e2e {
namespace {

void desktopIdleAndPlaying(benchmark::State& state) {
    for (auto _ : state) {
        DesktopRig rig;
        if (const std::string problem = rig.prepare(); !problem.empty()) {
            state.SkipWithError(problem.c_str());
            return;
        }
        const double firstPaint = rig.startAndWaitForPanel();
        if (firstPaint < 0) {
            state.SkipWithError("no panel was painted");
            return;
        }
        state.counters["first_paint_ms"] = firstPaint;
        std::this_thread::sleep_for(3s);
        state.counters["rss_idle_kB"] = double(rig.program->statusKb("VmRSS"));
        state.counters["anon_idle_kB"] = double(rig.program->statusKb("RssAnon"));
        double before = rig.program->cpuSeconds();
        std::this_thread::sleep_for(10s);
        state.counters["cpu_idle_percent"] = (rig.program->cpuSeconds() - before) * 10.0;

        JackRecorder recorder(30);
        rig.click({PlayLampX + LampWidth / 2, LampY + LampHeight / 2});
        if (!rig.panelShows({PlayLampX, LampY}, bitmap("PLAYB"))) {
            state.SkipWithError("Play did not light its lamp");
            return;
        }
        recorder.connectTamboro(false);
        std::this_thread::sleep_for(1s);
        before = rig.program->cpuSeconds();
        std::this_thread::sleep_for(10s);
        state.counters["cpu_playing_percent"] = (rig.program->cpuSeconds() - before) * 10.0;
        state.counters["anon_playing_kB"] = double(rig.program->statusKb("RssAnon"));
        state.counters["files_playing_kB"] = double(rig.program->statusKb("RssFile"));
        rig.exitThroughTheMenu();
        rig.program->waitExit(10000ms);
    }
}
BENCHMARK(desktopIdleAndPlaying)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace tamboro::e2e

BENCHMARK_MAIN();
