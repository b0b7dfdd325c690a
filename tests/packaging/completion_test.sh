#!/usr/bin/env bash
# The bash completion of tamboro, asked as bash asks it on Tab: options from
# the program's --help, songs, WAV and PNG outputs, folders for --samples,
# values of --pitch and --scale.
#   completion_test.sh TAMBORO COMPLETION
set -uo pipefail
tamboro=$(realpath "$1") completion=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/files/Kit"
ln -s "$tamboro" "$work/bin/tamboro"
cd "$work/files"
touch beat.sng LOUD.SNG out.wav SHOUT.WAV pic.png notes.txt

# shellcheck source=/dev/null
source /usr/share/bash-completion/bash_completion || { echo "no bash-completion" >&2; exit 1; }
# shellcheck source=/dev/null
source "$completion"
PATH=$work/bin:$PATH

failures=0
# expect 'WORDS BEFORE THE CURSOR' 'WHAT IS OFFERED, SORTED'
expect() {
  local line=$1 wanted=$2 got
  COMP_LINE=$line COMP_POINT=${#line}
  # bash breaks words at "=" as well (COMP_WORDBREAKS)
  read -ra COMP_WORDS <<<"${line//=/ = }"
  [[ $line == *' ' ]] && COMP_WORDS+=('')
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _tamboro tamboro "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" 2>/dev/null
  got=$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd ' ')
  if [ "$got" != "$wanted" ]; then
    echo "FAIL: 'tamboro ${line#tamboro }<Tab>' offers '$got', not '$wanted'" >&2
    failures=$((failures + 1))
  fi
}

# Options: every one of --help, and only those.
all=$(tamboro --help | grep -oE -- '--[[:alnum:]][[:alnum:]-]*' | LC_ALL=C sort -u | paste -sd ' ')
expect 'tamboro --' "$all"
expect 'tamboro --re' '--render'
expect 'tamboro --midi-' '--midi-clock --midi-clock-out --midi-device --midi-sync'
expect 'tamboro --render beat.sng --sn' '--snapshot'

# File arguments by position and mode; folders are offered to walk into.
expect 'tamboro --render ' 'Kit LOUD.SNG beat.sng'
expect 'tamboro --render beat.sng ' 'Kit SHOUT.WAV out.wav'
expect 'tamboro --snapshot beat.sng ' 'Kit pic.png'
expect 'tamboro --play ' 'Kit LOUD.SNG beat.sng'
expect 'tamboro --play beat.sng ' ''
expect 'tamboro --render beat.sng out.wav ' ''
expect 'tamboro beat.sng ' 'Kit SHOUT.WAV out.wav pic.png'
expect 'tamboro --render b' 'beat.sng'
# An option's value is not a file argument.
expect 'tamboro --render --samples Kit --pitch 1=3 beat.sng ' 'Kit SHOUT.WAV out.wav'
expect 'tamboro --snapshot --scale 2 ' 'Kit LOUD.SNG beat.sng'
expect 'tamboro --user-folder ' ''

# Option values.
expect 'tamboro --render beat.sng --samples ' 'Kit'
expect 'tamboro --render beat.sng --pitch ' '0= 1= 2= 3= 4= 5= 6= 7='
expect 'tamboro --snapshot beat.sng pic.png --scale ' '1 2 3 4 5 6 7 8'
expect 'tamboro --play beat.sng --device ' ''
expect 'tamboro --play beat.sng --seconds ' ''

if [ $failures -gt 0 ]; then
  echo "completion test: $failures failed" >&2
  exit 1
fi
echo "completion offers what it should"
