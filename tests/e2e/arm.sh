#!/usr/bin/env bash
# The aarch64 build under qemu against the x86-64 build: each converts the
# same 176 x 132 picture through a pipe, and the data files are equal apart
# from the timestamp.
#     tests/e2e/arm.sh build-aarch64/pictoline build/pictoline
# EMULATOR names the program that runs aarch64 binaries (qemu-aarch64-static).
source "$(dirname "$0")/common.sh"
x86_64=$(realpath "$2")
emulator=${EMULATOR:-qemu-aarch64-static}

# Converts pic.bmp, the only entry of directory $1, with the command that
# follows; returns its exit status and sets drew from its screen output.
convert_piped() {
    local directory=$1 status
    shift
    (cd "$directory" && printf '\033[B\033[B\r' | timeout 60 "$@" > "$work/out")
    status=$?
    drew_in "$work/out"
    return "$status"
}

mkdir "$work/aarch64" "$work/x86_64"
python3 "$here/make_bitmap.py" "$work/aarch64/pic.bmp" 176 132
cp "$work/aarch64/pic.bmp" "$work/x86_64/pic.bmp"

convert_piped "$work/aarch64" "$emulator" "$binary"
check "aarch64: the conversion exits 0" $?
check "aarch64: seven block labels" \
    "$(ok [ "$(grep -ac "'Longdatareadhelper" "$work/aarch64/pic.bmp.txt")" = 7 ])"
convert_piped "$work/x86_64" "$x86_64"
check "x86-64: the conversion exits 0" $?
check "the aarch64 data file equals the x86-64 one" \
    "$(ok same_but_time "$work/aarch64/pic.bmp.txt" "$work/x86_64/pic.bmp.txt")"

finish
