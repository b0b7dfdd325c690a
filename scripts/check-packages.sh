#!/usr/bin/env bash
# Checks the Debian packages that scripts/build-packages.sh made:
#  - lintian finds no error (everything it says is shown);
#  - each package holds exactly what `cmake --install` installs of its
#    component, plus its own copyright, changelog and lintian overrides, and
#    the two components together are everything `cmake --install` installs;
#  - tamboro depends on tamboro-cli of its own version, and tamboro-cli on
#    no Qt library (the desktop program is in tamboro);
#  - the packaged manual page formats without warnings and the packaged
#    desktop metadata validates.
#   scripts/check-packages.sh DEB_DIR [BUILD]    BUILD: the packages' build folder (default build-deb)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
debs=$(realpath "$1")
build=$(realpath "${2:-$top/build-deb}")
fail() { echo "check-packages: $*" >&2; exit 1; }
shopt -s nullglob
cli=("$debs"/tamboro-cli_*.deb)
desktop=("$debs"/tamboro_*.deb)
[ ${#cli[@]} = 1 ] && [ ${#desktop[@]} = 1 ] || fail "$debs must hold one tamboro-cli_*.deb and one tamboro_*.deb"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "-- lintian"
lintian --display-info --pedantic --display-experimental --show-overrides --fail-on error "${cli[0]}" "${desktop[0]}" || fail "lintian found errors"

echo "-- contents against cmake --install"
# files_of DIR: every file and link below DIR, as paths from the root.
files_of() { (cd "$1" && find . ! -type d | sed 's|^\./|/|' | LC_ALL=C sort); }
# Without the packages' own papers: copyright, changelog, lintian overrides.
no_papers() { grep -v -E '^/usr/share/(doc/[^/]+/(copyright|changelog\.gz)|lintian/overrides/[^/]+)$' || true; }
packaged() { # DEB
  dpkg-deb -x "$1" "$work/x-$(dpkg-deb -f "$1" Package)"
  files_of "$work/x-$(dpkg-deb -f "$1" Package)"
}
installed() { # COMPONENT, or nothing for everything
  local dest=$work/i-${1:-all}
  DESTDIR=$dest cmake --install "$build" --prefix /usr ${1:+--component "$1"} >/dev/null
  files_of "$dest"
}
status=0
for pair in cli:"${cli[0]}" desktop:"${desktop[0]}"; do
  component=${pair%%:*} deb=${pair#*:}
  if ! diff <(installed "$component") <(packaged "$deb") >"$work/diff"; then
    echo "$(basename "$deb") differs from cmake --install --component $component (< installed only, > packaged only):" >&2
    cat "$work/diff" >&2
    status=1
  fi
done
# An install rule without a component would be installed but in no package.
if ! diff <(installed) <({ installed cli; installed desktop; } | no_papers | LC_ALL=C sort) >"$work/diff"; then
  echo "what cmake --install installs (<) and what the packages hold (>) differ:" >&2
  cat "$work/diff" >&2
  status=1
fi
[ $status = 0 ] || fail "the packages do not hold what cmake --install installs"

echo "-- dependencies"
version=$(dpkg-deb -f "${desktop[0]}" Version)
depends=$(dpkg-deb -f "${desktop[0]}" Depends)
grep -qF "tamboro-cli (= $version)" <<<"$depends" || fail "tamboro does not depend on tamboro-cli (= $version): $depends"
[ "$(dpkg-deb -f "${cli[0]}" Version)" = "$version" ] || fail "the two packages' versions differ"
cli_depends=$(dpkg-deb -f "${cli[0]}" Depends)
# The command needs no toolkit: the desktop program is in tamboro.
! grep -qE '(^|[ ,|])(libqt|qt6-)' <<<"$cli_depends" || fail "tamboro-cli depends on Qt: $cli_depends"
desktop_files=$(dpkg-deb -c "${desktop[0]}")
grep -qE '^-rwx.* \./usr/libexec/tamboro/tamboro-desktop$' <<<"$desktop_files" \
  || fail "tamboro does not hold the desktop program"
echo "tamboro-cli: $cli_depends"
echo "tamboro:     $depends"

echo "-- manual page and desktop metadata as packaged"
bash "$top/tests/packaging/manual_test.sh" lint "$work/x-tamboro-cli/usr/share/man/man1/tamboro.1.gz"
metainfo=("$work"/x-tamboro/usr/share/metainfo/*.metainfo.xml)
[ ${#metainfo[@]} = 1 ] || fail "tamboro holds not one metainfo file"
appstreamcli validate-tree --no-net "$work/x-tamboro" || fail "the packaged metadata or launcher does not validate"
echo "packages checked"
