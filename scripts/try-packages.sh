#!/usr/bin/env bash
# Tries Tamboro's Debian packages on a bare Debian 12 system, as a new user's
# machine would take them: installs both with apt (timed), renders an
# installed demo song, starts the launcher's command on the offscreen
# platform and checks that it made the user's folder, checks that tamboro-cli
# alone brings no Qt, purges both and checks that none of their files is
# left. Prints a summary; exit status 0 when every check passed.
#
# Usage (as root):  scripts/try-packages.sh [DEB_DIR]
#   DEB_DIR  a folder with tamboro-cli_*.deb and tamboro_*.deb; without it
#            they are built from this checkout (scripts/build-packages.sh)
# The bare system is the one scripts/fresh-debian.sh makes and keeps in
# /var/cache/fresh-debian/base (it is made first when missing); this script
# works on a copy in /var/tmp/try-packages.XXXX that is removed afterwards
# (TRY_KEEP=1 keeps it).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
[ "$(id -u)" = 0 ] || { echo "try-packages: run as root (it uses chroot)" >&2; exit 2; }

if [ $# -ge 1 ]; then
  debs=$(realpath "$1")
else
  debs=$top/out/packages
  rm -f "$debs"/tamboro-cli_*.deb "$debs"/tamboro_*.deb
  echo "try-packages: building the packages"
  "$top/scripts/build-packages.sh" "$debs"
fi
shopt -s nullglob
found=("$debs"/tamboro-cli_*.deb "$debs"/tamboro_*.deb)
[ ${#found[@]} = 2 ] || { echo "try-packages: $debs must hold one tamboro-cli_*.deb and one tamboro_*.deb" >&2; exit 2; }

base=/var/cache/fresh-debian/base
if [ ! -x "$base/usr/bin/git" ]; then
  tool=$top/../shared/tools/fresh-debian.sh
  [ -x "$tool" ] || tool=$top/scripts/fresh-debian.sh
  bash "$tool" "$top" true
fi

root=$(mktemp -d /var/tmp/try-packages.XXXX)
cleanup() {
  # end whatever is still running inside, by its id
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ] && kill -9 "${p#/proc/}" 2>/dev/null
  done
  for m in dev sys proc; do umount -l "$root/$m" 2>/dev/null || true; done
  if [ "${TRY_KEEP:-0}" = 1 ]; then echo "try-packages: kept $root"; return; fi
  # never remove through a mount that is still there
  if findmnt -rn -o TARGET | grep -q "^$root/"; then
    echo "try-packages: $root still has mounts inside; left in place" >&2
  else
    rm -rf --one-file-system "$root"
  fi
}
trap cleanup EXIT
cp -a "$base/." "$root/"
cp /etc/resolv.conf "$root/etc/" 2>/dev/null || true
mount -t proc proc "$root/proc"
mount --rbind /sys "$root/sys"
mount --rbind /dev "$root/dev"
mkdir -p "$root/tmp/debs"
cp "${found[@]}" "$root/tmp/debs/"
chmod 755 "$root/tmp/debs"
chmod 644 "$root"/tmp/debs/*.deb

# What runs inside, as root of the bare system.
cat >"$root/root/try.sh" <<'INSIDE'
set -uo pipefail
export DEBIAN_FRONTEND=noninteractive
cd /tmp/debs
results=()
failed=0
check() { # NAME OK(0/1) DETAIL
  if [ "$2" = 0 ]; then results+=("PASS  $1${3:+: $3}"); else results+=("FAIL  $1${3:+: $3}"); failed=1; fi
}
is_qt() { grep -E '^(libqt|qt6-|qt5-|qml)'; }

apt-get update -qq >/dev/null 2>&1
base_packages=$(dpkg-query -W -f '${Package}\n' | sort)

# tamboro-cli alone: what apt would install with it.
plan=$(apt-get install -s -y ./tamboro-cli_*.deb 2>&1 | awk '/^Inst / { print $2 }')
qt=$(is_qt <<<"$plan" | paste -sd ' ')
if [ -z "$qt" ]; then
  check "tamboro-cli alone pulls in no Qt package" 0 "$(wc -l <<<"$plan") packages"
else
  check "tamboro-cli alone pulls in no Qt package" 1 "it pulls in $qt"
fi

# Both packages, timed, as a user would install them.
start=$(date +%s.%N)
apt-get install -y ./tamboro*.deb >/root/install.log 2>&1
status=$?
seconds=$(awk -v end="$(date +%s.%N)" -v start="$start" 'BEGIN { printf "%.1f", end - start }')
added=$(comm -13 <(echo "$base_packages") <(dpkg-query -W -f '${Package}\n' | sort) | wc -l)
check "apt-get install ./tamboro*.deb" $status "$seconds s, $added packages newly installed"
[ $status = 0 ] || tail -20 /root/install.log

version=$(dpkg-deb -f ./tamboro_*.deb Version)
shown=$(tamboro --version 2>&1)
[ "$shown" = "tamboro $version" ]; check "tamboro --version" $? "$shown"

song=$(ls /usr/share/tamboro/Songs/*.sng | head -n 1)
mkdir -p /tmp/render && cd /tmp/render
tamboro --render "$song" out.wav --samples /usr/share/tamboro/Samples >render.log 2>&1
status=$?
[ $status = 0 ] && [ "$(head -c 4 out.wav 2>/dev/null)" = RIFF ] && [ "$(stat -c %s out.wav)" -gt 100000 ]
check "tamboro --render \"$(basename "$song")\"" $? "status $status, $(stat -c %s out.wav 2>/dev/null || echo no) bytes $(head -c 200 render.log)"
cd /tmp/debs

# The launcher's command, as a new user, on the offscreen platform.
useradd -m tester
launcher=/usr/share/applications/tamboro.desktop
command=$(sed -n 's/^Exec=//p' "$launcher" | sed 's/ %[fFuUdDnNickvm]//g')
runuser -u tester -- env -i HOME=/home/tester PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen \
  timeout 10 $command >/tmp/window.log 2>&1
status=$?
folder=/home/tester/.local/share/tamboro
samples=$(ls "$folder/Samples" 2>/dev/null | wc -l)
songs=$(ls "$folder/Songs" 2>/dev/null | wc -l)
kit=$(ls /usr/share/tamboro/Samples | wc -l)
demos=$(ls /usr/share/tamboro/Songs | wc -l)
# 124: still running when the timeout ended it, as a window does
[ $status = 124 ] && [ "$samples" = "$kit" ] && [ "$songs" = "$demos" ]
check "launcher: $command" $? "status $status (124: window open until stopped), $folder has $samples samples and $songs songs $(head -c 300 /tmp/window.log | tr '\n' ' ')"

# Purge: nothing of either package may stay.
dpkg -L tamboro-cli tamboro | grep -v -e '^$' -e '^/\.$' | sort -u >/root/owned
paths=$(wc -l </root/owned)
echo "== installed files (dpkg -L tamboro-cli tamboro, folders left out)"
while IFS= read -r path; do [ -d "$path" ] || echo "$path"; done </root/owned
apt-get purge -y tamboro tamboro-cli >/root/purge.log 2>&1
check "apt-get purge tamboro tamboro-cli" $? ""
left=()
while IFS= read -r path; do
  [ -e "$path" ] || [ -L "$path" ] || continue
  # a folder other packages own too (/usr/share/man, say) stays, rightly
  [ -d "$path" ] && [ ! -L "$path" ] && dpkg -S "$path" >/dev/null 2>&1 && continue
  left+=("$path")
done </root/owned
check "no installed file left after the purge" ${#left[@]} "$paths paths checked${left:+; left: ${left[*]}}"
remembered=$(dpkg-query -W -f '${Package} ${Status}\n' tamboro tamboro-cli 2>/dev/null | grep -E '(ok installed|config-files)$')
[ -z "$remembered" ]; check "dpkg keeps no trace of either package" $? "$remembered"

echo
echo "== try-packages summary (bare Debian 12)"
printf '%s\n' "${results[@]}"
exit $failed
INSIDE

echo "try-packages: on a bare Debian 12 system: $(cd "$debs" && ls tamboro-cli_*.deb tamboro_*.deb | paste -sd ' ')"
for deb in "${found[@]}"; do
  echo "  $(basename "$deb"): $(du -k "$deb" | cut -f1) KiB, Installed-Size $(dpkg-deb -f "$deb" Installed-Size) KiB"
done
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  LANG=C.UTF-8 TERM=dumb /bin/bash /root/try.sh
