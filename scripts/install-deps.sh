#!/usr/bin/env bash
# Installs the Debian packages of the given lists (files in scripts/, default
# debian-packages) that are missing, with sudo when not root. Quiet when
# everything is there.
#   scripts/install-deps.sh [LIST...]    e.g. debian-packages debian-packages-test
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
[ $# -gt 0 ] || set -- debian-packages
wanted=()
for list in "$@"; do
  mapfile -t -O ${#wanted[@]} wanted < <(grep -v -E '^\s*(#|$)' "$here/$list")
done
missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# env carries the variable through sudo, which would otherwise drop it.
if ! { $sudo apt-get update -qq && \
       $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
         "${missing[@]}"; } >"$log" 2>&1; then
  cat "$log" >&2
  echo "Installing the packages failed (see above)." >&2
  exit 1
fi
