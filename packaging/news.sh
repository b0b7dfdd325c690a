#!/usr/bin/env bash
# Reads NEWS, the release history, and writes what is made from it.
#
#   news.sh version NEWS
#       prints the newest release's version
#   news.sh epoch NEWS
#       prints the newest release's date in seconds since 1970 (UTC)
#   news.sh changelog NEWS OUT SOURCE MAINTAINER
#       writes the Debian changelog of the packages (every release, newest
#       first) to OUT
#   news.sh metainfo NEWS TEMPLATE OUT
#       writes TEMPLATE to OUT with its line @TAMBORO_RELEASES@ replaced by
#       the AppStream <releases> of every release
#
# NEWS: text before the first release is an introduction. A release starts
# with "Tamboro VERSION (YYYY-MM-DD)"; each change is a line starting with
# "- ", continued on lines indented by two spaces; blank lines are ignored.
# Any other line is an error, so that a slip in NEWS stops the build instead
# of vanishing from the changelog.
set -euo pipefail
mode=$1 news=$2

# Prints the releases as records: "R<TAB>VERSION<TAB>DATE" for each release,
# then "I<TAB>TEXT" for the first line of each change and "C<TAB>TEXT" for its
# continuation lines.
records() {
  LC_ALL=C awk -v news="$news" '
    /^Tamboro [^ ]+ \([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]\)$/ {
      releases++; items = 0
      print "R\t" $2 "\t" substr($3, 2, 10); next
    }
    !releases { next }
    /^- ./ { items++; print "I\t" substr($0, 3); next }
    /^  [^ ]/ && items { print "C\t" substr($0, 3); next }
    /^[ \t]*$/ { next }
    { printf "%s:%d: neither a release, a change nor its continuation: %s\n", news, NR, $0 > "/dev/stderr"; bad = 1 }
    END {
      if (!releases) { print news ": no release in it" > "/dev/stderr"; bad = 1 }
      exit bad
    }' "$news"
}

case $mode in
version)
  records | awk -F '\t' '$1 == "R" && version == "" { version = $2 } END { print version }'
  ;;
epoch)
  date=$(records | awk -F '\t' '$1 == "R" && date == "" { date = $3 } END { print date }')
  date -u -d "$date" +%s
  ;;
changelog)
  out=$3 source=$4 maintainer=$5
  records | LC_ALL=C awk -F '\t' -v source="$source" -v maintainer="$maintainer" '
    function close_entry() {
      if (!open) return
      cmd = "LC_ALL=C date -u -R -d " date
      cmd | getline stamp; close(cmd)
      printf "\n -- %s  %s\n", maintainer, stamp
      open = 0
    }
    $1 == "R" {
      close_entry()
      if (NR > 1) print ""
      printf "%s (%s) unstable; urgency=medium\n\n", source, $2
      date = $3; open = 1; next
    }
    $1 == "I" { print "  * " $2; next }
    $1 == "C" { print "    " $2; next }
    END { close_entry() }' >"$out.new"
  mv "$out.new" "$out"
  ;;
metainfo)
  template=$3 out=$4
  records | LC_ALL=C awk -F '\t' -v template="$template" '
    function xml(text) {
      gsub(/&/, "\\&amp;", text); gsub(/</, "\\&lt;", text); gsub(/>/, "\\&gt;", text)
      return text
    }
    function close_item() { if (item != "") print "          <li>" xml(item) "</li>"; item = "" }
    function close_release() {
      close_item()
      if (open) print "        </ul>\n      </description>\n    </release>"
      open = 0
    }
    $1 == "R" {
      close_release()
      printf "    <release version=\"%s\" date=\"%s\">\n      <description>\n        <ul>\n", xml($2), $3
      open = 1; next
    }
    $1 == "I" { close_item(); item = $2; next }
    $1 == "C" { item = item " " $2; next }
    END { close_release() }' >"$out.releases"
  awk -v releases="$out.releases" '
    $0 == "@TAMBORO_RELEASES@" {
      print "  <releases>"
      while ((getline line < releases) > 0) print line
      print "  </releases>"
      next
    }
    { print }' "$template" >"$out.new"
  rm -f "$out.releases"
  mv "$out.new" "$out"
  ;;
*)
  echo "news.sh: unknown mode $mode" >&2
  exit 2
  ;;
esac
