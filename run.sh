#!/usr/bin/env bash
# Builds Tamboro if needed (installing missing Debian packages first) and
# runs it from data/, where its Samples and Songs folders are.
#
#   ./run.sh                 render a demo song to out/ and say where it is
#   ./run.sh SONG.sng        render that song (samples from data/Samples)
#   ./run.sh -- ARGS...      run tamboro with ARGS (see ./run.sh -- --help)
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
cd "$top"
scripts/install-deps.sh
if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build --target tamboro >/dev/null
tamboro=$top/build/app/tamboro

if [ "${1:-}" = "--" ]; then
  shift
  cd data && exec "$tamboro" "$@"
fi

song=${1:-}
if [ -z "$song" ]; then
  song=$(ls data/Songs/*.sng 2>/dev/null | head -n 1 || true)
  [ -n "$song" ] || { echo "No song in data/Songs to render." >&2; exit 1; }
fi
song=$(realpath "$song")
mkdir -p out
wav=$top/out/$(basename "${song%.*}").wav
(cd data && "$tamboro" --render "$song" "$wav" --samples Samples)
echo "Rendered $(basename "$song") to $wav"
