#!/usr/bin/env bash
# End-to-end checks of the command line: --help, --version, an unknown option,
# and named bitmaps converted without the screen, good ones and refused ones
# in one run, from another directory, and behind "--".
source "$(dirname "$0")/common.sh"

bitmap() { python3 "$here/make_bitmap.py" "$@"; }

# Runs the program (or $program) in directory $1 with the remaining
# arguments, through the command in the array "through" and the command prefix
# $as_user when set; its standard output and error in $work/stdout and
# $work/stderr, its exit status in $status. It counts as run when it wrote a
# line of its own: its usage or version, a refusal, or a data file's line.
through=()
run() {
    local directory=$1
    shift
    (cd "$directory" && timeout 20 "${through[@]}" ${as_user:-} "${program:-$binary}" "$@" \
        > "$work/stdout" 2> "$work/stderr" < /dev/null)
    status=$?
    cat "$work/stdout" "$work/stderr" | grep -qE '^(Usage: )?pictoline|\.txt: [0-9]+ x [0-9]+$' &&
        drew=0 || drew=1
}

# The hint that follows a refusal --fit would not have made.
hint() { case $1 in *"No such file"* | *"Is a directory"*) ;; *) echo " (--fit reads any picture)" ;; esac; }
no_escape() { ! grep -qa $'\e' "$work/stdout" "$work/stderr"; }
exited() { [ "$status" = "$1" ]; }
help_names_all() {
    grep -q '^Usage: pictoline ' "$work/stdout" && grep -q 'FILE\.\.\.' "$work/stdout" &&
        grep -q '^Exit status' "$work/stdout"
}
version_printed() { exited 0 && grep -qxE 'pictoline [0-9]+\.[0-9]+\.[0-9]+' "$work/stdout"; }
option_refused() { exited 2 && grep -q -- "$1" "$work/stderr" && [ ! -s "$work/stdout" ]; }
only_data_file() { # directory, the one data file it may hold
    [ "$(cd "$1" && ls -A | grep '\.txt$\|^\.pictoline-')" = "$2" ]
}

pics="$work/pics"
mkdir -p "$pics/sub" "$work/elsewhere"
bitmap "$pics/good.bmp" 5 3
bitmap "$pics/big.bmp" 200 10
convert -size 8x8 -seed 3 plasma:fractal -colors 256 -type Palette BMP3:"$pics/grey.bmp"
echo "some text, not a picture at all, and long enough for a header" > "$pics/text.bmp"
bitmap "$pics/sub/inner.bmp" 4 4
bitmap "$pics/-x.bmp" 2 2

run "$pics" --help
check "--help exits 0" "$(ok exited 0)"
check "--help names both ways to run and the exit statuses" "$(ok help_names_all)"
check "--help: no escape sequence" "$(ok no_escape)"
run "$pics" --version
check "--version exits 0 and prints the version" "$(ok version_printed)"
run "$pics" --frobnicate
check "--frobnicate exits 2 and is named on standard error" "$(ok option_refused --frobnicate)"
check "--frobnicate: no escape sequence" "$(ok no_escape)"

# A good bitmap gets the browser's data file, apart from the timestamp.
run "$pics" good.bmp
check "good.bmp converts with exit 0" "$(ok exited 0)"
check "good.bmp: its line names the data file and the size" \
    "$(ok [ "$(cat "$work/stdout")" = "good.bmp.txt: 5 x 3" ])"
mkdir -p "$work/browser"
cp "$pics/good.bmp" "$work/browser/"
piped "$work/browser" $'\033[B\033[B\r'
check "good.bmp: the data file equals the browser's" \
    "$(ok same_but_time "$pics/good.bmp.txt" "$work/browser/good.bmp.txt")"

# From elsewhere: the data file goes beside the bitmap, named without its directory.
run "$work/elsewhere" "$pics/sub/inner.bmp"
check "another directory's bitmap converts with exit 0" "$(ok exited 0)"
check "its data file lies beside it" "$(ok grep -qa "^bildname: *'originalname: inner.bmp" "$pics/sub/inner.bmp.txt")"
check "nothing is written where it ran" "$(ok [ -z "$(ls -A "$work/elsewhere")" ])"

# Refused files are each named with the program's own words; the rest go on.
rm -f "$pics/good.bmp.txt"
run "$pics" big.bmp good.bmp grey.bmp text.bmp missing.bmp sub
check "a mixed run exits 1" "$(ok exited 1)"
check "a mixed run converts the good bitmap" "$(ok [ "$(cat "$work/stdout")" = "good.bmp.txt: 5 x 3" ])"
for line in "big.bmp: Wrong Bitmap size - only 1x1 to 176x132 are allowed !!" \
    "grey.bmp: 8Bit Bitmap - you can only use 24Bit Bitmaps" "text.bmp: Falsches Bildformat!!!!" \
    "missing.bmp: No such file or directory" "sub: Is a directory"; do
    check "refused: $line" "$(ok grep -qxF "pictoline: $line$(hint "$line")" "$work/stderr")"
done
check "a mixed run leaves no other file" "$(ok only_data_file "$pics" good.bmp.txt)"

# One file refused alone: its refusal is the only cause of the exit status.
run "$pics" missing.bmp
check "a missing file alone exits 1" "$(ok exited 1)"
# A bitmap that ends while it converts: from its third read on, every read of
# it finds the end of the file, as if it had been cut short.
bitmap "$pics/cut.bmp" 176 132
through=(strace -o /dev/null -P "$pics/cut.bmp" -e trace=read -e inject=read:retval=0:when=3+)
run "$pics" cut.bmp
through=()
check "a bitmap cut short while it converts, alone, exits 1 and is named" \
    "$(ok exited 1 && grep -qx 'pictoline: cut.bmp: ended before .*' "$work/stderr")"

# A name that holds an escape sequence is named without it; a full standard
# output is an error.
run "$pics" $'esc\e[31mx.bmp'
check "an escape in a name does not reach the terminal" \
    "$(ok grep -qxF 'pictoline: esc?[31mx.bmp: No such file or directory' "$work/stderr")"
check "an escape in a name: no escape sequence" "$(ok no_escape)"
(cd "$pics" && "$binary" --version > /dev/full 2> "$work/stderr")
status=$?
grep -q '^pictoline: standard output could not be written' "$work/stderr" && drew=0 || drew=1
check "a full standard output exits 1" "$(ok exited 1)"

# A data file that cannot be written is named with the system's reason: a
# read-only directory (as nobody, since root writes anywhere), a directory in
# the way, a name too long for the file system, a file size limit that cuts
# the writing short. Nothing is left beside the bitmap.
mkdir -p "$pics/ro"
bitmap "$pics/ro/r.bmp" 2 2
chmod 555 "$pics/ro"
chmod 755 "$work"
cp "$binary" "$work/pictoline" && chmod 755 "$work/pictoline"
nobody=
[ "$(id -u)" = 0 ] && nobody="setpriv --reuid=65534 --regid=65534 --clear-groups"
bitmap "$pics/d.bmp" 2 2
mkdir "$pics/d.bmp.txt"
long=$(printf 'n%.0s' $(seq 251))
bitmap "$pics/$long.bmp" 2 2
bitmap "$pics/full.bmp" 176 132
# The bitmap | the size limit in KiB, or none | the command prefix | the reason
reasons=(
    "ro/r.bmp|unlimited|$nobody|Permission denied"
    "d.bmp|unlimited||Is a directory"
    "$long.bmp|unlimited||File name too long"
    "full.bmp|8||File too large"
)
for row in "${reasons[@]}"; do
    IFS='|' read -r name limit prefix reason <<<"$row"
    (ulimit -f "$limit" && as_user=$prefix program="$work/pictoline" run "$pics" "$name"
     echo "$status" > "$work/status")
    status=$(cat "$work/status")
    grep -q '^pictoline: ' "$work/stderr" && drew=0 || drew=1
    check "not written, ${name:0:20}: exit 1" "$(ok exited 1)"
    check "not written, ${name:0:20}: the reason is $reason" \
        "$(ok [ "$(cat "$work/stderr")" = "pictoline: $name: could not write $name.txt: $reason" ])"
done
check "not written: nothing left beside the bitmaps" \
    "$(ok [ -z "$(ls -A "$pics" "$pics/ro" | grep "^\.pictoline-\|^$long\.bmp\.txt\|^full\.bmp\.txt")" ])"
chmod 755 "$pics/ro"

# SOURCE_DATE_EPOCH is the labels' moment, in UTC: the same picture gives the
# same data file, whenever it is converted. A value that is no number of
# seconds stops the run before any file, with one line and exit 2.
bitmap "$pics/labelled.bmp" 64 64
SOURCE_DATE_EPOCH=0 run "$pics" labelled.bmp
check "SOURCE_DATE_EPOCH=0 converts with exit 0" "$(ok exited 0)"
check "SOURCE_DATE_EPOCH=0: the first label is of 1 January 1970, 00:00:00" \
    "$(ok [ "$(grep -ac '^010119700000001:' "$pics/labelled.bmp.txt")" = 1 ])"
SOURCE_DATE_EPOCH=1700000000 run "$pics" labelled.bmp
cp "$pics/labelled.bmp.txt" "$work/first.txt"
sleep 1.1
SOURCE_DATE_EPOCH=1700000000 run "$pics" labelled.bmp
check "SOURCE_DATE_EPOCH=1700000000: the labels are of 14 November 2023, 22:13:20" \
    "$(ok grep -qa '^111420232213201:' "$pics/labelled.bmp.txt")"
check "SOURCE_DATE_EPOCH: two runs a second apart give the same file" \
    "$(ok cmp -s "$work/first.txt" "$pics/labelled.bmp.txt")"
rm -f "$pics/good.bmp.txt"
SOURCE_DATE_EPOCH=yesterday run "$pics" good.bmp
check "SOURCE_DATE_EPOCH=yesterday exits 2" "$(ok exited 2)"
check "SOURCE_DATE_EPOCH=yesterday: one line says why" "$(ok [ "$(cat "$work/stderr")" = \
    "pictoline: SOURCE_DATE_EPOCH is not a number of seconds: 'yesterday'" ])"
check "SOURCE_DATE_EPOCH=yesterday: nothing converted" "$(ok [ ! -e "$pics/good.bmp.txt" ])"

# "--" ends the options: a name that starts with "-" is a file.
run "$pics" -- -x.bmp
check "after --, -x.bmp converts" "$(ok [ -s "$pics/-x.bmp.txt" ])"

# kill -9 at random moments of a batch, where no data file existed before:
# no hidden name is left, and each data file left is complete. On tmpfs,
# where a file's sync costs nothing, the batch takes a fraction of a second.
kills=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d -p "$work")
python3 "$here/kill_window.py" "$binary" "$kills" 200 > "$work/kills" 2>&1
status=$?
grep -q '^300 data files from a whole batch' "$work/kills" && drew=0 || drew=1
check "kill -9 at 200 random moments leaves no hidden name: $(tail -1 "$work/kills")" "$(ok exited 0)"
rm -rf "$kills"

finish
