#!/usr/bin/env bash
# The manual page tamboro(1) as man shows it.
#   manual_test.sh options TAMBORO MANPAGE
#       the options it documents are the options `tamboro --help` shows: each
#       long option of --help has an entry under OPTIONS, each entry is in
#       --help, the page names no option that --help does not know, and the
#       program takes every option of --help (none is an "unknown option")
#   manual_test.sh lint MANPAGE
#       man formats it without a warning, and it has the sections a manual
#       page of a command has
set -euo pipefail
mode=$1
fail() { echo "manual test: $*" >&2; exit 1; }

# The page as plain ASCII text on very long lines (so that no option is
# hyphenated across two).
page_text() { MANWIDTH=1000 LC_ALL=C man -E ascii -l -P cat "$1" 2>/dev/null | col -bx; }
long_options() { grep -oE -- '--[[:alnum:]][[:alnum:]-]*' | sort -u; }

case $mode in
options)
  tamboro=$2 manpage=$3
  help=$("$tamboro" --help) || fail "tamboro --help failed"
  help_options=$(long_options <<<"$help")
  [ -n "$help_options" ] || fail "tamboro --help shows no option"
  text=$(page_text "$manpage")
  # The entries of OPTIONS: its least indented lines, each starting with a dash.
  entries=$(awk '
      /^[A-Z][A-Z ]*$/ { inside = ($0 == "OPTIONS"); next }
      inside && /^ +-/ { match($0, /^ +/); indent = RLENGTH
                         if (!least || indent < least) { least = indent; n = 0 }
                         if (indent == least) lines[++n] = $0 }
      END { for (i = 1; i <= n; i++) print lines[i] }' <<<"$text" | long_options)
  [ -n "$entries" ] || fail "$manpage: no option entries under OPTIONS"
  mentioned=$(long_options <<<"$text")
  status=0
  missing=$(comm -23 <(echo "$help_options") <(echo "$entries"))
  [ -z "$missing" ] || { echo "in tamboro --help but without an entry under OPTIONS:" $missing >&2; status=1; }
  extra=$(comm -13 <(echo "$help_options") <(echo "$entries"))
  [ -z "$extra" ] || { echo "an entry under OPTIONS, but not in tamboro --help:" $extra >&2; status=1; }
  stale=$(comm -13 <(echo "$help_options") <(echo "$mentioned"))
  [ -z "$stale" ] || { echo "named in the manual page, but not in tamboro --help:" $stale >&2; status=1; }
  # Three dummy arguments: an option that takes a value takes the first, and
  # the rest make a usage error, so that nothing starts.
  for option in $help_options; do
    out=$(timeout 20 "$tamboro" "$option" x1 x2 x3 2>&1 </dev/null) || true
    if grep -q "unknown option" <<<"$out"; then
      echo "tamboro --help shows $option, but the program does not know it" >&2
      status=1
    fi
  done
  [ $status = 0 ] || fail "the manual page and tamboro --help disagree"
  echo "$(wc -l <<<"$help_options") options agree"
  ;;
lint)
  manpage=$2
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$manpage" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man warns about $manpage:"$'\n'"$warnings"
  text=$(page_text "$manpage")
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" FILES EXAMPLES; do
    grep -qx "$section" <<<"$text" || fail "$manpage has no section $section"
  done
  grep -q '^ *tamboro - ' <<<"$text" || fail "$manpage: the NAME line is not \"tamboro - ...\""
  echo "formats cleanly, every section there"
  ;;
*)
  fail "unknown mode $mode"
  ;;
esac
