#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks that a desktop finds
# the launcher, its icons and the program, and the program its data.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
fail() { echo "install test: $*" >&2; exit 1; }
[ -x "$prefix/bin/tamboro" ] || fail "no bin/tamboro"
for f in Samples/BD_02.WAV Samples/CLAP_02.WAV "Samples/909 Closed Hihat.WAV" \
         "Samples/909 Open Hihat+Rvrb.WAV" "Songs/Four On The Floor.sng"; do
  [ -f "$prefix/share/tamboro/$f" ] || fail "no share/tamboro/$f"
done
desktop=$prefix/share/applications/tamboro.desktop
[ -f "$desktop" ] || fail "no launcher"
desktop-file-validate "$desktop" || fail "the launcher does not validate"
grep -q '^Exec=tamboro --user-folder$' "$desktop" || fail "the launcher does not start in the user folder"
grep -q '^Categories=.*Audio;.*Midi;' "$desktop" || fail "the launcher is not in Audio and Midi"
for size in 64 256; do
  icon=$prefix/share/icons/hicolor/${size}x${size}/apps/tamboro.png
  [ -f "$icon" ] || fail "no ${size} px icon"
  width=$(od -An -j16 -N4 -tu1 "$icon" | awk '{print $1*16777216 + $2*65536 + $3*256 + $4}')
  [ "$width" = "$size" ] || fail "the ${size} px icon is $width px wide"
done
echo "installed and complete"
