#!/usr/bin/env bash
# End-to-end checks of the browser and the terminal: the real binary in a
# private tmux server at 80 x 25, and through a pipe.
source "$(dirname "$0")/common.sh"

mkdir -p "$work/sub"

# The first screen: the title in light red on white, the current path, the list.
start_program
sleep 0.5
screen=$(t capture-pane -p -e)
check "title row" "$([[ "$(row 1)" == "== Pictoline V1.1"*" ==" ]] && echo 0 || echo 1)"
check "title colours" "$(grep -qF $'\e[91m\e[107m== Pictoline' <<<"$screen" && echo 0 || echo 1)"
check "current path" "$([ "$(row 3)" = " current path: $work" ] && echo 0 || echo 1)"
check "path row names the highlighted entry" "$([ "$(row 25)" = "$work/." ] && echo 0 || echo 1)"

# Into the sub-directory and back up through "..".
t send-keys Down Down Enter
sleep 0.3
check "entered sub" "$([ "$(row 3)" = " current path: $work/sub" ] && echo 0 || echo 1)"
t send-keys Down Enter
sleep 0.3
check "back up through .." "$([ "$(row 3)" = " current path: $work" ] && echo 0 || echo 1)"
t send-keys Down Down Down Down
sleep 0.3
check "Down at the last entry changes nothing" "$([ "$(row 25)" = "$work/sub" ] && echo 0 || echo 1)"
t send-keys Up Up Up Up x F5
sleep 0.3
check "Up at the first entry and unknown keys change nothing" "$([ "$(row 25)" = "$work/." ] && echo 0 || echo 1)"

t send-keys Escape
wait_for "$work/code"
check "Esc ends with exit code 0" "$([ "$(cat "$work/code" 2>/dev/null)" = 0 ] && echo 0 || echo 1)"
wait_for "$work/after"
check "terminal modes restored after Esc" "$(cmp -s "$work/before" "$work/after"; echo $?)"

# Ctrl+C ends the program and leaves the modes as they were.
start_program
sleep 0.5
t send-keys C-c
wait_for "$work/code"
check "Ctrl+C ends the program" "$([ "$(cat "$work/code" 2>/dev/null)" = 130 ] && echo 0 || echo 1)"
wait_for "$work/after"
check "terminal modes restored after Ctrl+C" "$(cmp -s "$work/before" "$work/after"; echo $?)"

# Keys that are not Esc do not end it; a lone Esc after them does.
start_program
sleep 0.5
t send-keys Down Up Enter x
sleep 0.3
check "other keys keep it running" "$([ ! -e "$work/code" ] && echo 0 || echo 1)"
t send-keys Escape
wait_for "$work/code"
check "Esc after other keys ends it" "$([ "$(cat "$work/code" 2>/dev/null)" = 0 ] && echo 0 || echo 1)"

# Through a pipe: an escape byte ends the program, as does the end of input.
(cd "$work" && printf '\033' | timeout 5 "$binary" > "$work/out")
check "piped Esc exits 0" $?
(cd "$work" && timeout 5 "$binary" < /dev/null > "$work/out")
check "end of input exits 0" $?

finish
