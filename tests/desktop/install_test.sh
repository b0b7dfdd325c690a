#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks that a desktop finds
# the launcher, its icons and the program, and that the installed command
# finds its audio module, the desktop program and the data from there.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
fail() { echo "install test: $*" >&2; exit 1; }
[ -x "$prefix/bin/tamboro" ] || fail "no bin/tamboro"
[ -x "$prefix/libexec/tamboro/tamboro-desktop" ] || fail "no libexec/tamboro/tamboro-desktop"
[ -n "$(find "$prefix/lib" -path '*/tamboro/tamboro-audio.so')" ] || fail "no lib/tamboro/tamboro-audio.so"
! ldd "$prefix/bin/tamboro" | grep -q libQt || fail "bin/tamboro links Qt"
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
# The installed programs find each other and the installed data.
work=$(mktemp -d)
trap 'rm -rf "$prefix" "$work"' EXIT
data=$prefix/share/tamboro
"$prefix/bin/tamboro" --render "$data/Songs/Four On The Floor.sng" "$work/out.wav" --samples "$data/Samples" \
  || fail "the installed command does not render a demo song"
"$prefix/bin/tamboro" --list-devices >/dev/null || fail "the installed command does not load its audio module"
QT_QPA_PLATFORM=offscreen "$prefix/bin/tamboro" --snapshot "$data/Songs/Four On The Floor.sng" "$work/out.png" \
  --samples "$data/Samples" 2>/dev/null || fail "the installed command does not start the desktop program"
[ -s "$work/out.png" ] || fail "--snapshot wrote no picture"
# The launcher's command: the window starts in the user's folder, filled
# from the installed data (it is stopped after a moment).
status=0
HOME=$work XDG_DATA_HOME= XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=offscreen \
  timeout 3 "$prefix/bin/tamboro" --user-folder >/dev/null 2>&1 || status=$?
[ "$status" = 124 ] || fail "the launcher's command ended with $status instead of running"
[ -f "$work/.local/share/tamboro/Samples/BD_02.WAV" ] || fail "the user folder was not filled from $data"
echo "installed and complete"
