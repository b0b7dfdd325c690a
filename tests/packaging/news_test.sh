#!/usr/bin/env bash
# NEWS and the version: NEWS's newest release is the version the build makes
# (the one the program shows), the changelog and the desktop metadata made
# from it say the same, and a line NEWS cannot place stops the build.
#   news_test.sh VERSION NEWS_SH NEWS TAMBORO CHANGELOG METAINFO
set -euo pipefail
version=$1 news_sh=$2 news=$3 tamboro=$4 changelog=$5 metainfo=$6
fail() { echo "news test: $*" >&2; exit 1; }

newest=$(bash "$news_sh" version "$news")
[ "$newest" = "$version" ] ||
  fail "the newest release in NEWS is $newest, the build's version is $version: add an entry for $version to NEWS"
shown=$("$tamboro" --version)
[ "$shown" = "tamboro $version" ] || fail "tamboro --version shows '$shown', not 'tamboro $version'"

# The changelog is one dpkg reads, and its newest entry is this version.
parsed=$(dpkg-parsechangelog -l "$changelog" 2>&1) || fail "dpkg cannot read $changelog: $parsed"
grep -qx "Version: $version" <<<"$parsed" || fail "the changelog's newest entry is not $version:"$'\n'"$parsed"
grep -q '^Date: ' <<<"$parsed" || fail "the changelog's newest entry has no date"
[ "$(grep -c '^  \* ' "$changelog")" -ge 1 ] || fail "the changelog lists no change"
long=$(awk '/^  / && length > 80' "$changelog")
[ -z "$long" ] || fail "changelog lines longer than 80 characters (shorten them in NEWS):"$'\n'"$long"
first_release=$(grep -o -m1 '<release version="[^"]*"' "$metainfo")
[ "$first_release" = "<release version=\"$version\"" ] || fail "$metainfo: the newest release is not $version"

# NEWS is read strictly: a stray line is an error, not a lost change.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
{ cat "$news"; echo "a line that belongs to no change"; } >"$work/NEWS"
if bash "$news_sh" changelog "$work/NEWS" "$work/changelog" tamboro "T <t@t.invalid>" 2>/dev/null; then
  fail "news.sh took a NEWS with a stray line"
fi
printf 'Just an introduction.\n' >"$work/NEWS"
if bash "$news_sh" version "$work/NEWS" >/dev/null 2>&1; then
  fail "news.sh took a NEWS without a release"
fi
echo "NEWS, --version, changelog and metadata name $version"
