#!/bin/sh
# strip as Debian strips its packages' binaries: the symbols, and also the
# compiler's .comment and .note sections, which nothing needs at run time.
exec strip --remove-section=.comment --remove-section=.note "$@"
