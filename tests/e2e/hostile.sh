#!/usr/bin/env bash
# End-to-end checks of the real binary in a hostile world: entries that are
# not files, names that are not text, a directory that goes away or cannot be
# read, a full disk, a huge directory, a terminal that closes, input that ends
# anywhere.
source "$(dirname "$0")/common.sh"

bitmap() { python3 "$here/make_bitmap.py" "$@"; }

# Entries named like bitmaps that are not files: listed by neither mask,
# never opened (opening a FIFO would hang).
odd="$work/odd"
mkdir -p "$odd"
mkfifo "$odd/fifo.bmp"
python3 -c "import socket,sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])" "$odd/socket.bmp"
mknod "$odd/device.bmp" c 1 3 2>/dev/null || ln -s /dev/null "$odd/device.bmp"
bitmap "$odd/real.bmp" 2 2
piped "$odd" $'\033[B\033[B\r'
check "odd entries: the conversion ends" $?
check "odd entries are not listed" "$(ok [ "$(grep -ac 'fifo.bmp\|socket.bmp\|device.bmp' "$work/out")" = 0 ])"
check "odd entries: the real bitmap converts" "$(ok [ -s "$odd/real.bmp.txt" ])"

# Names with an escape sequence, a carriage return, a line feed, invalid
# UTF-8, and 255 bytes: the screen shows one cell a byte, the data file's
# comment line holds "?" for the control bytes.
names="$work/names"
mkdir -p "$names"
long=$(printf 'n%.0s' $(seq 1 251)).bmp
bitmap "$names/"$'\e[2J\e[31mred.bmp' 1 1
bitmap "$names/$long" 1 1
start_program "$names"
wait_for_row 25 "$names/."
check "a name with an escape sequence does not clear the screen" "$(ok [ "$(row 1 | cut -c1-3)" = "== " ])"
t send-keys Down Down Enter
wait_for "$work/code"
check "escape name converts" "$(ok [ "$(code)" = 0 ])"
check "escape name: the comment line shows ? for ESC" \
    "$(ok grep -qa "'originalname: ?\[2J?\[31mred.bmp" "$names/"$'\e[2J\e[31mred.bmp.txt')"
for name in $'cr\rname.bmp' $'lf\nname.bmp' $'bad\xff\xfeutf8.bmp'; do
    rm -rf "$names" && mkdir -p "$names"
    bitmap "$names/$name" 1 1
    piped "$names" $'\033[B\033[B\r'
    check "name $(printf %q "$name") converts" "$(ok [ -s "$names/$name.txt" ])"
    check "name $(printf %q "$name"): one line per line" \
        "$(ok [ "$(sed -n 2p "$names/$name.txt" | tr -d '\r' | grep -c "'originalname: ")" = 1 ])"
done
rm -rf "$names" && mkdir -p "$names"
bitmap "$names/$long" 1 1
piped "$names" $'\033[B\033[B\r'
check "a 255-byte name: the data file cannot take 4 more bytes, which is reported" \
    "$(ok [ ! -e "$names/$long.txt" ])"

# On the command line, a bitmap at a path of 4,086 bytes: its data file's
# path fits, and so must the temporary one beside it.
deep=$work/deep
mkdir "$deep"
while [ ${#deep} -lt 4080 ]; do
    room=$((4080 - ${#deep} - 1))
    deep="$deep/$(printf 'd%.0s' $(seq 1 $((room < 250 ? room : 250))))"
    mkdir "$deep"
done
bitmap "$deep/a.bmp" 2 2
(cd "$work" && "$binary" "$deep/a.bmp" > "$work/stdout" 2> "$work/stderr")
status=$?
grep -q 'a.bmp.txt: 2 x 2$' "$work/stdout" && drew=0 || drew=1
check "a 4,086-byte path converts" \
    "$(ok [ "$status" = 0 ] && [ ${#deep} = 4080 ] && [ -s "$deep/a.bmp.txt" ])"
rm -rf "$work/deep"

# A bitmap whose pixels start 4 GiB - 16 bytes in (a sparse file): reached
# by a seek, it converts to what the same picture at offset 54 gives.
mkdir -p "$work/far" "$work/near"
bitmap "$work/far/pic.bmp" 40 3 0xFFFFFFF0
bitmap "$work/near/pic.bmp" 40 3
(cd "$work" && timeout 60 "$binary" far/pic.bmp near/pic.bmp > "$work/stdout" 2> "$work/stderr")
grep -q '^far/pic.bmp.txt: 40 x 3$' "$work/stdout" && drew=0 || drew=1
check "pixels at 4 GiB - 16 convert as at 54" \
    "$(ok same_but_time "$work/far/pic.bmp.txt" "$work/near/pic.bmp.txt")"
rm -rf "$work/far" "$work/near"

# The current directory removed while the browser shows it, two levels deep:
# its path stays on row 3, "." and ".." are still offered, and ".." leads to
# the nearest directory above it that is left.
gone="$work/gone/deeper"
mkdir -p "$gone"
start_program "$gone"
wait_for_row 25 "$gone/."
rm -r "$work/gone"
t send-keys Down
check "removed directory: . and .. are still listed" \
    "$(ok wait_for_row 25 "$gone/..")"
check "removed directory: its path stays" "$(ok [ "$(row 3)" = " current path: $gone" ])"
t send-keys Enter
check "removed directory: .. leads to the nearest directory left" \
    "$(ok wait_for_row 3 " current path: $work")"
t send-keys Escape
wait_for "$work/code"
check "removed directory: Esc still ends with 0" "$(ok [ "$(code)" = 0 ])"

# Started in a directory removed with the two above it, before it was ever
# named: ".." climbs ".." by ".." to the nearest directory left.
never="$work/never/a/b"
mkdir -p "$never"
(cd "$never" && rm -r "$work/never" && printf '\033[B\r' | timeout 10 "$binary" > "$work/out")
drew_in "$work/out"
check "never-named removed directory: .. climbs to the nearest directory left" \
    "$(ok grep -qaF " current path: $work"$'\r' "$work/out")"

# A directory that may be entered but not read, as an ordinary user (root
# reads anything): "." and ".." are offered, and ".." leads back up.
if [ "$(id -u)" = 0 ]; then
    locked="$work/locked"
    mkdir -p "$locked"
    chmod 755 "$work"
    chmod 711 "$locked"
    cp "$binary" "$work/pictoline" && chmod 755 "$work/pictoline"
    binary="$work/pictoline" start_program "$work" "setpriv --reuid=65534 --regid=65534 --clear-groups"
    wait_for_row 25 "$work/."
    list_row=$(t capture-pane -p | grep -n '^    locked$' | cut -d: -f1)
    for _ in $(seq $((list_row - 4))); do t send-keys Down; done
    wait_for_row 25 "$work/locked"
    t send-keys Enter
    check "unreadable directory: entered" "$(ok wait_for_row 3 " current path: $locked")"
    check "unreadable directory: . and .. are listed" \
        "$(ok [ "$(row 4)$(row 5)" = "    .    .." ])"
    t send-keys Down Enter
    check "unreadable directory: .. leads back up" "$(ok wait_for_row 3 " current path: $work")"
    t send-keys Escape
    wait_for "$work/code"
    check "unreadable directory: Esc ends with 0" "$(ok [ "$(code)" = 0 ])"
    chmod 755 "$locked"
fi

# A full disk: a file size limit below the data file's size.
full="$work/full"
mkdir -p "$full"
bitmap "$full/pic.bmp" 176 132
echo earlier > "$full/pic.bmp.txt"
# Only the program is limited: its screen output goes through cat to a file.
(cd "$full" && printf '\033[B\033[B\r' | (ulimit -f 64 && exec timeout 10 "$binary") | cat > "$work/out"
 exit "${PIPESTATUS[1]}")
status=$?
drew_in "$work/out"
check "full disk ends with exit code 1" "$(ok [ $status = 1 ])"
check "full disk: the error is shown" "$(ok grep -qa '!!! Error: could not write pic.bmp.txt !!!' "$work/out")"
check "full disk: the earlier data file is kept" "$(ok [ "$(cat "$full/pic.bmp.txt")" = earlier ])"
check "full disk: no temporary file left" "$(ok [ -z "$(ls -A "$full" | grep '^\.pictoline-')" ])"

# A directory of 100 000 entries is listed whole and the moves land on the
# right entry. How fast that happens is a benchmark figure, not a test; the
# time limit only guards against a hang.
huge="$work/huge"
many_entries "$huge" 100000 6
piped "$huge" $'\033[B\033[B\033[B' 60
check "100 000 entries: three moves and the end" $?
last_path=$(grep -ao "$huge/p[0-9]*\.bmp" "$work/out" | tail -n 1)
check "100 000 entries: the third move highlights the second bitmap" \
    "$(ok [ "$last_path" = "$huge/p000001.bmp" ])"
rm -f "$work/out"

# The terminal goes away while the browser waits: the program ends and does
# not spin.
for how in hangup close; do
    check "terminal $how: the program ends" "$(ok python3 "$here/terminal_gone.py" "$binary" "$work" "$how")"
done

# Input that ends anywhere, even inside an escape sequence: the program ends.
keys=$'\033[B\033[B\033[A\r'
for cut in $(seq 0 ${#keys}); do
    piped "$odd" "${keys:0:$cut}"
    result=$?
    check "input cut after $cut bytes ends the program" "$(ok [ "$result" = 0 ])"
done

finish
