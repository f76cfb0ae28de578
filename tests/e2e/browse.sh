#!/usr/bin/env bash
# End-to-end checks of the browser and the terminal: the real binary in a
# private tmux server at 80 x 25, and through a pipe.
source "$(dirname "$0")/common.sh"

mkdir -p "$work/sub"

# The first screen: the title in light red on white, the current path, the list.
start_program
wait_for_row 25 "$work/."
screen=$(t capture-pane -p -e)
check "title row" "$(ok grep -q '^== Pictoline V1.1.* ==$' <<<"$(row 1)")"
check "title colours" "$(ok grep -qF $'\e[91m\e[107m== Pictoline' <<<"$screen")"
check "current path" "$(ok [ "$(row 3)" = " current path: $work" ])"
check "path row names the highlighted entry" "$(ok [ "$(row 25)" = "$work/." ])"

# Into the sub-directory and back up through "..".
# Keys are handled in order, so each check that something changed nothing
# ends with a move whose result is known only if it did.
t send-keys Down Down Enter
check "entered sub" "$(ok wait_for_row 3 " current path: $work/sub")"
t send-keys Down Enter
check "back up through .." "$(ok wait_for_row 3 " current path: $work")"
t send-keys Down Down Down Down Up
check "Down at the last entry changes nothing" "$(ok wait_for_row 25 "$work/..")"
t send-keys Up Up Up x F5 Down
check "Up at the first entry and unknown keys change nothing" "$(ok wait_for_row 25 "$work/..")"

t send-keys Escape
wait_for "$work/code"
check "Esc ends with exit code 0" "$(ok [ "$(code)" = 0 ])"
wait_for "$work/after"
check "terminal modes restored after Esc" "$(cmp -s "$work/before" "$work/after"; echo $?)"

# Ctrl+C ends the program and leaves the modes as they were.
start_program
wait_for_row 25 "$work/."
t send-keys C-c
wait_for "$work/code"
check "Ctrl+C ends the program" "$(ok [ "$(code)" = 130 ])"
wait_for "$work/after"
check "terminal modes restored after Ctrl+C" "$(cmp -s "$work/before" "$work/after"; echo $?)"

# Keys that are not Esc do not end it; a lone Esc after them does.
start_program
wait_for_row 25 "$work/."
t send-keys Down Up Enter x Down
wait_for_row 25 "$work/.."
check "other keys keep it running" "$(ok [ ! -e "$work/code" ])"
t send-keys Escape
wait_for "$work/code"
check "Esc after other keys ends it" "$(ok [ "$(code)" = 0 ])"

# Through a pipe: an escape byte ends the program, as does the end of input.
piped "$work" $'\033' 5
check "piped Esc exits 0" $?
(cd "$work" && timeout 5 "$binary" < /dev/null > "$work/out")
status=$?
drew_in "$work/out"
check "end of input exits 0" "$status"

finish
