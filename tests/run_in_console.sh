#!/usr/bin/env bash
# Runs a Windows test program under Wine with a console of its own. Wine gives
# a program a console only when it starts from a terminal, so the program runs
# in a pseudo-terminal; its output goes to a file, shown when it ends.
#     tests/run_in_console.sh wine program.exe [arguments]
set -u
log=$(mktemp)
trap 'rm -f "$log"' EXIT
command=$(printf '%q ' "$@")
script --quiet --return --command "$command > $log 2>&1" /dev/null > /dev/null < /dev/null
code=$?
cat "$log"
exit "$code"
