#!/usr/bin/env bash
# Builds Tamboro and runs every test: the whole suite (the end-to-end tests
# start their own JACK servers), the same suite under AddressSanitizer +
# UndefinedBehaviorSanitizer, the threaded playback tests under
# ThreadSanitizer, and each fuzz target for a short time on its seed corpus;
# builds the Debian packages and checks them (lintian, contents).
# Installs missing Debian packages first.
#   FUZZ_SECONDS=N  seconds per fuzz target (default 30)
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh debian-packages-headless debian-packages debian-packages-test
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# configure DIR OPTIONS...: configures quietly, showing the output only on failure.
configure() {
  local dir=$1 out
  shift
  out=$(cmake -S . -B "$dir" -G Ninja "$@" 2>&1) || { echo "$out" >&2; echo "test.sh: configuring $dir failed" >&2; exit 1; }
}

echo "== Build and test"
configure build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAMBORO_UI=ON -DTAMBORO_SANITIZE=
cmake --build build-test -j "$jobs"
ctest --test-dir build-test --output-on-failure -j "$jobs" | tee -a "$log"

echo "== Debian packages: build, lintian, contents, manual page and metadata"
JOBS=$jobs scripts/build-packages.sh "$PWD/out/packages"
scripts/check-packages.sh out/packages build-deb

echo "== Build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
configure build-asan -DCMAKE_BUILD_TYPE=Debug -DTAMBORO_UI=ON -DTAMBORO_SANITIZE=address
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" | tee -a "$log"

# --- ThreadSanitizer: the loop buffer, the output, MIDI Sync and following a
# master with real threads, and the end-to-end tests (JACK, PulseAudio,
# PipeWire) with every thread of the program, clock and transport traffic
# included. ---
echo "== Build and test the playback threads with ThreadSanitizer"
configure build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAMBORO_UI=OFF \
  -DTAMBORO_BENCH=OFF -DTAMBORO_SANITIZE=thread
cmake --build build-tsan -j "$jobs" --target playback_tests jack_e2e_tests jack_follow_tests \
  pulse_e2e_tests tamboro
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp" \
  ctest --test-dir build-tsan --output-on-failure -j "$jobs" \
    -R 'AudioOutput|MidiSync|PlaybackThreads|Jack|Pulse|Follow|ClockOut' \
  | tee -a "$log"
# --- end of the ThreadSanitizer stage ---

echo "== Fuzz each reader of outside data for ${FUZZ_SECONDS:-30} s"
configure build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTAMBORO_FUZZ=ON -DTAMBORO_TESTS=OFF -DTAMBORO_UI=OFF
cmake --build build-fuzz -j "$jobs"
fuzzed=0
for target in fuzz_wave_reader fuzz_song_file fuzz_sample_name_text; do
  work=$(mktemp -d)
  output=$(mktemp)
  rm -f build-fuzz/$target-crash-* build-fuzz/$target-leak-* build-fuzz/$target-timeout-* \
        build-fuzz/$target-oom-* build-fuzz/$target-slow-unit-*
  status=0
  build-fuzz/fuzz/$target -max_total_time="${FUZZ_SECONDS:-30}" -print_final_stats=1 \
    -artifact_prefix=build-fuzz/$target- "$work" fuzz/corpus/$target >"$output" 2>&1 || status=$?
  grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|==[0-9]+==ERROR|SUMMARY)' "$output" || true
  rm -rf "$work"
  if [ "$status" -ne 0 ]; then
    tail -n 40 "$output"
    artifacts=$(ls build-fuzz/$target-* 2>/dev/null | tr '\n' ' ')
    echo "test.sh: $target found a fault (exit status $status); artifact: ${artifacts:-none written}" >&2
    rm -f "$output"
    exit 1
  fi
  rm -f "$output"
  fuzzed=$((fuzzed + 1))
done

passed=$(awk '/^[0-9]+% tests passed/ { sum += $NF } END { print sum + 0 }' "$log")
echo "All tests passed under every build, $fuzzed fuzz targets ran clean."
echo "$((passed + fuzzed)) passed, 0 failed"
