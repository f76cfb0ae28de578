#!/usr/bin/env bash
# End-to-end checks of the conversion: pictures made by ImageMagick, converted
# by the real binary in tmux and through a pipe, the data files checked value
# by value against ImageMagick's own decoding; the refusals; a read-only
# directory; an interrupted conversion.
source "$(dirname "$0")/common.sh"

pics="$work/pics"
mkdir -p "$pics"
convert -size 40x30 -seed 5 plasma:fractal -colors 256 -type Palette BMP3:"$pics/grey.bmp"
convert -size 37x23 -seed 7 plasma:fractal -type TrueColor BMP3:"$pics/plasma.bmp"
echo "not a picture" > "$pics/x.bmp"

# An 8-bit picture is refused for a second, then the browser is back with the
# same entry highlighted; then the 24-bit one converts.
start_program "$pics"
wait_for_row 25 "$pics/."
check "the 8-bit picture is listed with its depth" \
    "$(ok [ "$(row 6)" = "    grey.bmp                                40 x 30 x 8" ])"
t send-keys Down Down Enter
wait_for_row 24 "                8Bit Bitmap - you can only use 24Bit Bitmaps"
check "8-bit message on row 24" \
    "$(ok [ "$(row 24)" = "                8Bit Bitmap - you can only use 24Bit Bitmaps" ])"
check "message in light red on blue" \
    "$(ok grep -qF $'\e[91m\e[44m8Bit Bitmap' <<<"$(t capture-pane -p -e)")"
check "browser back after the message, same highlight" "$(ok wait_for_row 25 "$pics/grey.bmp")"
check "the message is gone" "$(ok [ "$(row 24)" != "                8Bit Bitmap - you can only use 24Bit Bitmaps" ])"
check "still running" "$(ok [ ! -e "$work/code" ])"
t send-keys Down Enter
wait_for "$work/code"
check "conversion ends with exit code 0" "$(ok [ "$(code)" = 0 ])"
check "done line" "$(ok [ "$(row 15)" = "         0%============================>100% !!! Done !!!" ])"
check "datafile line" "$(ok [ "$(row 12)" = "          Datafile: plasma.bmp.txt" ])"
check "directory line" "$(ok [ "$(row 13)" = "         Directory: $pics/" ])"
check "data file matches ImageMagick's decoding" \
    "$(ok python3 "$here/check_data_file.py" "$pics/plasma.bmp" "$pics/plasma.bmp.txt")"

# A text file named like a bitmap ends the program after two seconds.
start_program "$pics"
wait_for_row 25 "$pics/."
t send-keys Down Down Down Down Enter
wait_for_row 24 "                         Falsches Bildformat!!!!"
check "bad format message" "$(ok [ "$(row 24)" = "                         Falsches Bildformat!!!!" ])"
wait_for "$work/code"
check "bad format ends with exit code 0" "$(ok [ "$(code)" = 0 ])"

# The largest picture through a pipe, with its seven block labels.
rm -f "$pics/plasma.bmp.txt"
convert -size 176x132 -seed 3 plasma:fractal -type TrueColor BMP3:"$pics/plasma.bmp"
piped "$pics" $'\033[B\033[B\033[B\r'
check "pipe conversion exits 0" $?
check "pipe data file matches ImageMagick's decoding" \
    "$(ok python3 "$here/check_data_file.py" "$pics/plasma.bmp" "$pics/plasma.bmp.txt")"
check "seven block labels" "$(ok [ "$(grep -ac "'Longdatareadhelper" "$pics/plasma.bmp.txt")" = 7 ])"
check "pipe output ends with the done line" "$(ok grep -qa '!!! Done !!!' "$work/out")"

# A read-only directory: the error, exit code 1, the earlier data file kept.
# Root writes anywhere, so the program then runs as nobody.
ro="$work/ro"
mkdir -p "$ro"
cp "$pics/plasma.bmp" "$ro/pic.bmp"
echo earlier > "$ro/pic.bmp.txt"
chmod 755 "$work"
chmod 555 "$ro"
prefix=
[ "$(id -u)" = 0 ] && prefix="setpriv --reuid=65534 --regid=65534 --clear-groups"
cp "$binary" "$work/pictoline" && chmod 755 "$work/pictoline"
binary="$work/pictoline" start_program "$ro" "$prefix"
wait_for_row 25 "$ro/."
t send-keys Down Down Enter
wait_for "$work/code"
check "read-only directory ends with exit code 1" "$(ok [ "$(code)" = 1 ])"
check "error message on row 17" \
    "$(ok [ "$(row 17)" = "         !!! Error: could not write pic.bmp.txt !!!" ])"
check "no done line after the error" "$(ok [ "$(row 15 | grep -c Done)" = 0 ])"
check "earlier data file unchanged" "$(ok [ "$(cat "$ro/pic.bmp.txt")" = earlier ])"
chmod 755 "$ro"

# Interrupted in the middle: no partial file, the earlier data file as it was.
echo earlier > "$pics/plasma.bmp.txt"
for signal in SIGINT SIGTERM; do
    check "$signal during the conversion leaves nothing behind" \
        "$(ok python3 "$here/interrupt.py" "$binary" "$pics" $'\033[B\033[B\033[B\r' "$signal")"
done

finish
