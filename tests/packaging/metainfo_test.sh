#!/usr/bin/env bash
# The desktop component as cmake --install puts it in place: the AppStream
# metadata validates, names a launcher that is installed beside it and
# validates too, and lists this version as its newest release.
#   metainfo_test.sh BUILD VERSION
set -euo pipefail
build=$1 version=$2
fail() { echo "metainfo test: $*" >&2; exit 1; }
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" --component desktop >/dev/null

shopt -s nullglob
files=("$prefix"/share/metainfo/*.metainfo.xml)
[ ${#files[@]} = 1 ] || fail "not one metainfo file in share/metainfo: ${files[*]:-none}"
metainfo=${files[0]}
# the tree as a software centre reads it: the metadata and the launcher it names
appstreamcli validate-tree --no-net --pedantic "$prefix" || fail "$(basename "$metainfo") does not validate"
id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$metainfo")
[ "$(basename "$metainfo")" = "$id.metainfo.xml" ] || fail "the file name does not follow its id $id"
launcher=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
[ -n "$launcher" ] || fail "no launchable desktop-id"
[ -f "$prefix/share/applications/$launcher" ] || fail "its launcher $launcher is not installed"
desktop-file-validate "$prefix/share/applications/$launcher" || fail "$launcher does not validate"
grep -q "<release version=\"$version\" date=\"[0-9-]*\">" "$metainfo" || fail "no release $version"
echo "$id validates, launches $launcher"
