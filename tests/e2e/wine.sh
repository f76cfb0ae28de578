#!/usr/bin/env bash
# End-to-end checks of pictoline.exe under Wine in tmux: the browser at c:\
# on a 120 x 30 console; a conversion at the root whose data file equals the
# Linux build's (apart from the timestamp); with keys from a pipe, a
# rejection's layout after the scroll and a bitmap named outside the ANSI code
# page, shown as itself; the time a 176 x 132 conversion takes; Esc and the
# end of piped keys.
#     tests/e2e/wine.sh build-windows/pictoline.exe build/pictoline
source "$(dirname "$0")/common.sh"
linux=$(realpath "$2")
exe=$binary
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Wine's console writes to the terminal in the locale's character set.
export LANG=C.UTF-8

drive_c="${WINEPREFIX:-$HOME/.wine}/drive_c"
wine cmd /c exit >/dev/null 2>&1 # makes the Wine prefix on a first run
name="zz-pictoline-e2e-$$.bmp"
folder="zz-pictoline-e2e-$$"
snapshot="снимок.bmp"
ansi_snapshot="??????.bmp" # as the ANSI code page 1252 holds it
python3 "$here/make_bitmap.py" "$drive_c/$name" 37 23
mkdir "$drive_c/$folder"
python3 "$here/make_bitmap.py" "$drive_c/$folder/$snapshot" 37 23
python3 "$here/make_bitmap.py" "$drive_c/$folder/big.bmp" 176 132
python3 "$here/make_bitmap.py" "$drive_c/$folder/wide.bmp" 177 1
trap 'rm -rf "$drive_c/$name" "$drive_c/$name.txt" "$drive_c/$folder"; cleanup' EXIT

separator=$(printf '=%.0s' $(seq 80))
title="== Pictoline V1.1 ------- 24-bit bitmaps to RGB565 BASIC data --------------- =="
choose="======== Choose sourcefile with Cursor Up/Down - Enter (ESC to Quit) ==========="
wrong_size="                Wrong Bitmap size - only 1x1 to 176x132 are allowed !!"
done_line="         0%============================>100% !!! Done !!!"

# Keys go to the pane, or to the program's standard input once keys_pipe is open.
keys_pipe=""
press() {
    local key
    for key in "$@"; do
        if [ -z "$keys_pipe" ]; then
            t send-keys "$key"
            continue
        fi
        case $key in
        Down) printf '\033[B' >&3 ;;
        Up) printf '\033[A' >&3 ;;
        Enter) printf '\r' >&3 ;;
        esac
    done
}

# The row of the list that shows entry $1.
list_row() {
    t capture-pane -p | awk -v entry="    $1" \
        'index($0, entry) == 1 && (length($0) == length(entry) || substr($0, length(entry) + 1, 1) == " ") { print NR; exit }'
}

# Waits until row $1 ends in $2, for at most 5 seconds.
wait_for_row_end() {
    for _ in $(seq 1 100); do
        [[ "$(row "$1")" == *"$2" ]] && return 0
        sleep 0.05
    done
    return 1
}

# Waits until the pane shows a path row and stays the same for 100 ms: Wine's
# console reaches the pane a piece at a time.
settle() {
    local last="" now
    for _ in $(seq 1 100); do
        now=$(t capture-pane -p)
        [ -n "$(sed -n 25p <<<"$now")" ] && [ "$now" = "$last" ] && return 0
        last=$now
        sleep 0.1
    done
    return 1
}

# Moves the highlight from the entry the path row names to entry $1, and waits
# until the path row names it.
highlight() {
    local current from to key=Down
    wait_for_screen "^    $1" && settle || return 1
    current=$(row 25)
    from=$(list_row "${current##*\\}")
    to=$(list_row "$1")
    [ -n "$from" ] && [ -n "$to" ] || return 1
    if [ "$to" -lt "$from" ]; then key=Up; fi
    for _ in $(seq $((to > from ? to - from : from - to))); do press "$key"; done
    wait_for_row_end 25 "\\$1" && settle
}

# Starts the program with its keys from a pipe that this script writes.
start_with_piped_keys() {
    rm -f "$work/keys"
    mkfifo "$work/keys"
    printf '#!/usr/bin/env bash\nexec wine "%s" < "%s"\n' "$exe" "$work/keys" > "$work/piped.sh"
    chmod +x "$work/piped.sh"
    binary="$work/piped.sh" launch_program "$work"
    # Read and write: the open does not wait for the program to open its end;
    # opened after tmux started, so that only this script holds it.
    exec 3<>"$work/keys"
    keys_pipe="$work/keys"
    wait_for_first_screen
}

end_piped_keys() {
    exec 3>&-
    keys_pipe=""
}

# The Linux build's data file for a copy of bitmap $1 named $2, the only entry
# of its directory.
convert_on_linux() {
    rm -rf "$work/linux"
    mkdir -p "$work/linux"
    cp "$1" "$work/linux/$2"
    (cd "$work/linux" && printf '\033[B\033[B\r' | timeout 10 "$linux" > /dev/null)
    echo "$work/linux/$2.txt"
}

# Today's console size: the screens stand at the top left, the rest is empty.
PANE_COLUMNS=120 PANE_ROWS=30 start_program "$work" "wine"
wait_for_row 3 " current path: c:\\"
wait_for_screen "^    $folder"
wait_for_row 24 "$separator"
check "120 x 30: the browser starts at c:\\" "$(ok [ "$(row 3)" = " current path: c:\\" ])"
check "120 x 30: title and choose rows" "$(ok [ "$(row 1)$(row 2)" = "$title$choose" ])"
beyond_area() { t capture-pane -p | awk 'length > 80 || (NR > 25 && length > 0)'; }
check "120 x 30: columns 81 to 120 and rows 26 to 30 are empty" \
    "$(ok [ "$(row 1)" = "$title" -a -z "$(beyond_area)" ])"
check "title in light red on white" \
    "$(ok grep -qF $'\e[91m\e[107m== Pictoline' <<<"$(t capture-pane -p -e)")"
t send-keys Escape
wait_for "$work/code" 100
check "Esc ends with exit code 0" "$(ok [ "$(code)" = 0 ])"

# A conversion at the root of drive C.
start_program "$work" "wine"
wait_for_row 3 " current path: c:\\"
check "the bitmap is listed with its size" "$(ok wait_for_screen "^    $name *37 x 23 x 24")"
check "the bitmap is highlighted" "$(ok highlight "$name")"
t send-keys Enter
wait_for "$work/code" 100
check "conversion ends with exit code 0" "$(ok [ "$(code)" = 0 ])"
check "done line" "$(ok [ "$(row 15)" = "$done_line" ])"
check "directory line at the root" "$(ok [ "$(row 13)" = "         Directory: c:\\\\" ])"
check "data file equals the Linux build's" \
    "$(ok same_but_time "$drive_c/$name.txt" "$(convert_on_linux "$drive_c/$name" "$name")")"

# Keys from a pipe, on today's 120 x 30 console: into the folder, a rejected
# bitmap, then the one named outside the ANSI code page.
PANE_COLUMNS=120 PANE_ROWS=30 start_with_piped_keys
wait_for_row 3 " current path: c:\\"
check "piped keys: the folder is highlighted" "$(ok highlight "$folder")"
press Enter
check "piped keys: the folder is entered" "$(ok wait_for_row 3 " current path: c:\\$folder")"
check "the bitmap outside the code page is listed as itself with its size" \
    "$(ok wait_for_screen "^    $snapshot *37 x 23 x 24")"
check "the too wide bitmap is highlighted" "$(ok highlight wide.bmp)"
press Enter
wait_for_row 24 "$wrong_size"
rejection=$(t capture-pane -p -e)
check "the size message stands on row 24 after the scroll" "$(ok [ "$(row 24)" = "$wrong_size" ])"
# tmux leaves out a background the row before ended in: the blue of the
# window's cells beside the text area.
check "row 25 of the text area is light red on blue" \
    "$(ok grep -qE $'^\e\\[91m(\e\\[44m)? {80}' <<<"$(sed -n 25p <<<"$rejection")")"
check "the browser comes back with the same highlight" "$(ok wait_for_row_end 25 "\\wide.bmp")"
check "the bitmap outside the code page is highlighted" "$(ok highlight "$snapshot")"
press Enter
wait_for "$work/code" 100
check "it converts with exit code 0" "$(ok [ "$(code)" = 0 ])"
check "its datafile line shows the name as itself" \
    "$(ok [ "$(row 12)" = "          Datafile: $snapshot.txt" ])"
check "its data file lies beside it under its real name" "$(ok [ -s "$drive_c/$folder/$snapshot.txt" ])"
check "its data file equals the Linux build's, the name in the ANSI code page" \
    "$(ok same_but_time "$drive_c/$folder/$snapshot.txt" \
        "$(convert_on_linux "$drive_c/$folder/$snapshot" "$ansi_snapshot")")"
end_piped_keys

# Named on the command line, the bitmap outside the code page converts
# without the screen: its name reaches the program whole.
rm -f "$drive_c/$folder/$snapshot.txt"
(cd "$drive_c/$folder" && wine "$exe" "$snapshot" > "$work/stdout" 2> "$work/stderr")
status=$?
grep -q "^$snapshot.txt: 37 x 23" "$work/stdout" && drew=0 || drew=1
check "command line: $snapshot converts with exit 0" "$(ok [ "$status" = 0 ])"
check "command line: its data file equals the Linux build's" \
    "$(ok same_but_time "$drive_c/$folder/$snapshot.txt" \
        "$(convert_on_linux "$drive_c/$folder/$snapshot" "$ansi_snapshot")")"

# A wildcard stands for the names that match it, as the shells of Windows
# leave it to the program.
(cd "$drive_c/$folder" && wine "$exe" '*.bmp' > "$work/stdout" 2> "$work/stderr")
status=$?
grep -q "^$snapshot.txt: 37 x 23" "$work/stdout" && drew=0 || drew=1
check "command line: *.bmp converts every bitmap that passes" \
    "$(ok grep -q '^big.bmp.txt: 176 x 132' "$work/stdout")"
refused_wide() { [ "$status" = 1 ] && grep -q '^pictoline: wide.bmp: Wrong Bitmap size' "$work/stderr"; }
check "command line: *.bmp names the one refused, and exits 1" "$(ok refused_wide)"

# --fit: PNGs, one under a Cyrillic name, fitted as the Linux build fits them.
convert -size 300x120 gradient:red-blue "$drive_c/$folder/logo.png"
cp "$drive_c/$folder/logo.png" "$drive_c/$folder/снимок.png"
(cd "$drive_c/$folder" && wine "$exe" --fit снимок.png logo.png > "$work/stdout" 2> "$work/stderr")
status=$?
grep -q "^снимок.png.txt: 176 x 70" "$work/stdout" && drew=0 || drew=1
check "command line: --fit converts снимок.png and logo.png with exit 0" \
    "$(ok [ "$status" = 0 -a -s "$drive_c/$folder/logo.png.txt" ])"
mkdir "$work/fit-linux"
cp "$drive_c/$folder/logo.png" "$work/fit-linux/"
(cd "$work/fit-linux" && "$linux" --fit logo.png > /dev/null)
check "command line: --fit gives the Linux build's data file" \
    "$(ok same_but_time "$drive_c/$folder/logo.png.txt" "$work/fit-linux/logo.png.txt")"

# A link from the data file's name to the bitmap: the bitmap stays as it was.
python3 "$here/make_bitmap.py" "$drive_c/$folder/onto.bmp" 5 3
cp "$drive_c/$folder/onto.bmp" "$work/onto.before"
ln -s onto.bmp "$drive_c/$folder/onto.bmp.txt"
(cd "$drive_c/$folder" && wine "$exe" onto.bmp > "$work/stdout" 2> "$work/stderr")
# Wine follows a Unix link as if it were the file: the data file is then
# refused as one that would take the picture's place, rather than written.
grep -qE '^onto.bmp.txt: 5 x 3|^pictoline: onto.bmp: ' "$work/stdout" "$work/stderr" && drew=0 || drew=1
check "command line: a link onto the bitmap leaves the bitmap as it was" \
    "$(ok cmp -s "$drive_c/$folder/onto.bmp" "$work/onto.before")"
rm -f "$drive_c/$folder/onto.bmp" "$drive_c/$folder/onto.bmp.txt"

# The end of piped keys ends the program as Esc does.
start_with_piped_keys
wait_for_row 3 " current path: c:\\"
drawn=$(ok wait_for_row 24 "$separator")
end_piped_keys
wait_for "$work/code" 100
check "the end of piped keys ends with exit code 0" "$(ok [ "$drawn" = 0 -a "$(code)" = 0 ])"

# The largest bitmap: the time from Enter to the done line.
start_program "$work" "wine"
wait_for_row 3 " current path: c:\\"
highlight "$folder"
t send-keys Enter
wait_for_row 3 " current path: c:\\$folder"
check "the largest bitmap is highlighted" "$(ok highlight big.bmp)"
started=$(date +%s%N)
t send-keys Enter
# A hang guard of 30 seconds; the time itself is reported, not judged.
while [ "$(row 15)" != "$done_line" ] && [ $(($(date +%s%N) - started)) -lt 30000000000 ]; do
    sleep 0.01
done
finished=$(date +%s%N)
check "176 x 132: conversion reaches its done line" "$(ok [ "$(row 15)" = "$done_line" ])"
echo "176 x 132 conversion under Wine: $(((finished - started) / 1000000)) ms from Enter to done"
wait_for "$work/code" 100
check "176 x 132: exit code 0" "$(ok [ "$(code)" = 0 ])"

finish
