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

# Names in their owners' scripts, in a UTF-8 locale: each shows as itself,
# wide characters in two cells, a combining accent on its letter, and every
# bitmap's numbers start at column 45. The name field takes 30 characters in
# at most 30 cells.
scripts="$work/scripts"
mkdir -p "$scripts/Übungen"
acute=$'\u0301'
cyrillic35=$(printf 'ж%.0s' $(seq 35))
wide20=$(printf '日%.0s' $(seq 20))
for name in café.bmp "cafe$acute.bmp" снимок.bmp 日本語.bmp "café снимок.bmp" "$cyrillic35.bmp" \
    "$wide20.bmp" Übungen/café.bmp; do
    python3 "$here/make_bitmap.py" "$scripts/$name" 2 2
done
# A bitmap row: the name field of $2 cells, then the numbers from column 45.
bitmap_row() { printf '    %s%*s2 x 2 x 24' "$1" $((40 - $2)) ''; }
start_program "$scripts" "env LC_ALL=C.UTF-8"
wait_for_row 25 "$scripts/."
screen=$(t capture-pane -p)
for shown in "café.bmp 8" "cafe$acute.bmp 8" "снимок.bmp 10" "日本語.bmp 10" "café снимок.bmp 15" \
    "$(printf 'ж%.0s' $(seq 30)) 30" "$(printf '日%.0s' $(seq 15)) 30"; do
    check "UTF-8 names: ${shown% *} with its numbers at column 45" \
        "$(ok grep -qxF "$(bitmap_row "${shown% *}" "${shown##* }")" <<<"$screen")"
done
check "UTF-8 names: the folder" "$(ok grep -qxF "    Übungen" <<<"$screen")"
t send-keys Down Down Enter Down Down
check "UTF-8 names: row 25 ends in the folder and the bitmap" \
    "$(ok wait_for_row 25 "$scripts/Übungen/café.bmp")"
t send-keys Up Enter Down Down Down Down
wait_for_row 25 "$scripts/café снимок.bmp"
t send-keys Enter
check "UTF-8 names: the conversion names its data file on row 12 from column 10" \
    "$(ok wait_for_row 12 "          Datafile: café снимок.bmp.txt")"
wait_for "$work/code"
check "UTF-8 names: the data file keeps the name's bytes" \
    "$(ok grep -qa "'originalname: café снимок.bmp" "$scripts/café снимок.bmp.txt")"
# In the C locale every byte outside ASCII is a "?" of its own, as before.
start_program "$scripts" "env LC_ALL=C"
wait_for_row 25 "$scripts/."
check "C locale: a byte a cell" "$(ok grep -qxF "$(bitmap_row 'caf??.bmp' 9)" <<<"$(t capture-pane -p)")"
t send-keys Escape
wait_for "$work/code"

# Through a pipe: an escape byte ends the program, as does the end of input.
piped "$work" $'\033' 5
check "piped Esc exits 0" $?
(cd "$work" && timeout 5 "$binary" < /dev/null > "$work/out")
status=$?
drew_in "$work/out"
check "end of input exits 0" "$status"

finish
