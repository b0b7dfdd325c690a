#!/usr/bin/env bash
# Builds Tamboro if needed (installing missing Debian packages first) and
# runs it.
#
#   ./run.sh                 start the drum machine in data/, beside its kit and demo songs
#                            (without a display: render the first demo song to out/ instead)
#   ./run.sh SONG.sng        render that song to out/ (samples from data/Samples)
#   ./run.sh --OPTION ...    run tamboro with these arguments (see ./run.sh --help),
#                            in the current folder; without --samples and without
#                            a Samples folder here, the samples come from data/Samples
# Paths are taken relative to the folder ./run.sh is called from.
# TAMBORO_UI=OFF builds only the headless command (no Qt is installed or
# needed): --render, --play and --list-devices.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
ui=${TAMBORO_UI:-ON}
if [ "$ui" = OFF ]; then
  "$top/scripts/install-deps.sh" debian-packages-headless
else
  "$top/scripts/install-deps.sh" debian-packages-headless debian-packages
fi

build=$top/build
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# Only the program: no tests, benchmarks or fuzzers. The build's output is
# shown only when it fails.
if ! { cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
         -DTAMBORO_TESTS=OFF -DTAMBORO_BENCH=OFF -DTAMBORO_FUZZ=OFF -DTAMBORO_SANITIZE= \
         -DTAMBORO_UI="$ui" &&
       cmake --build "$build" --target tamboro; } >"$log" 2>&1; then
  cat "$log" >&2
  echo "run.sh: the build failed (see above)" >&2
  exit 1
fi
tamboro=$build/bin/tamboro

[ "${1:-}" = "--" ] && shift
case "${1:-}" in
  -*)
    args=("$@")
    if [[ " $* " != *" --samples "* ]] && [ ! -d Samples ]; then
      case "$1" in --render|--play|--snapshot) args+=(--samples "$top/data/Samples") ;; esac
    fi
    exec "$tamboro" "${args[@]}" ;;
esac

if [ $# -eq 0 ]; then
  if [ "$ui" != OFF ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
    # Samples and Songs are found beside the folder the program starts in.
    cd "$top/data"
    exec "$tamboro"
  fi
  if [ "$ui" = OFF ]; then
    echo "run.sh: built without the window (TAMBORO_UI=OFF); rendering the first demo song instead" >&2
  else
    echo "run.sh: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are not set);" \
         "rendering the first demo song instead" >&2
  fi
fi

song=${1:-}
if [ -z "$song" ]; then
  song=$(ls "$top"/data/Songs/*.sng 2>/dev/null | head -n 1 || true)
  [ -n "$song" ] || { echo "run.sh: no song in data/Songs to render" >&2; exit 1; }
fi
[ -f "$song" ] || { echo "run.sh: $song: no such song file" >&2; exit 1; }
song=$(realpath "$song")
mkdir -p "$top/out"
wav=$top/out/$(basename "${song%.*}").wav
"$tamboro" --render "$song" "$wav" --samples "$top/data/Samples"
echo "Rendered $(basename "$song") to $wav"
