#!/usr/bin/env bash
# End-to-end checks of pictoline.exe under Wine in tmux: the browser screen at
# c:\ with its colours, a conversion whose data file equals the Linux build's
# (apart from the timestamp), and Esc.
#     tests/e2e/wine.sh build-windows/pictoline.exe build/pictoline
source "$(dirname "$0")/common.sh"
linux=$(realpath "$2")
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

drive_c="${WINEPREFIX:-$HOME/.wine}/drive_c"
wine cmd /c exit >/dev/null 2>&1 # makes the Wine prefix on a first run
name="zz-pictoline-e2e-$$.bmp"
python3 "$here/make_bitmap.py" "$drive_c/$name" 37 23
trap 'rm -f "$drive_c/$name" "$drive_c/$name.txt"; cleanup' EXIT

start_program "$work" "WINEDEBUG=-all wine"
wait_for_row 3 " current path: c:\\"
check "the browser starts at c:\\" "$(ok [ "$(row 3)" = " current path: c:\\" ])"
check "title in light red on white" \
    "$(ok grep -qF $'\e[91m\e[107m== Pictoline' <<<"$(t capture-pane -p -e)")"
# Wine's console reaches the pane a piece at a time: the list may follow the
# path row.
check "the bitmap is listed with its size" "$(ok wait_for_screen "^    $name *37 x 23 x 24")"
line=$(t capture-pane -p | grep -n "^    $name" | cut -d: -f1)
for _ in $(seq 5 "${line:-4}"); do t send-keys Down; done
t send-keys Enter
wait_for "$work/code" 100
check "conversion ends with exit code 0" "$(ok [ "$(code)" = 0 ])"
check "done line" "$(ok [ "$(row 15)" = "         0%============================>100% !!! Done !!!" ])"
check "directory line at the root" "$(ok [ "$(row 13)" = "         Directory: c:\\\\" ])"

mkdir -p "$work/linux"
cp "$drive_c/$name" "$work/linux/$name"
(cd "$work/linux" && printf '\033[B\033[B\r' | timeout 10 "$linux" > /dev/null)
same_but_time() {
    python3 -c "
import re, sys
strip = lambda path: re.sub(rb'\d{14}(\d+:)', rb'T\1', open(path, 'rb').read())
sys.exit(strip(sys.argv[1]) != strip(sys.argv[2]))" "$1" "$2"
}
check "data file equals the Linux build's" "$(ok same_but_time "$drive_c/$name.txt" "$work/linux/$name.txt")"

start_program "$work" "WINEDEBUG=-all wine"
wait_for_row 3 " current path: c:\\"
t send-keys Escape
wait_for "$work/code" 100
check "Esc ends with exit code 0" "$(ok [ "$(code)" = 0 ])"

finish
