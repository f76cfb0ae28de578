#!/usr/bin/env bash
# End-to-end checks of the program's defences: a directory past 65 535
# entries, a link planted beside the data file, Alt-prefixed keys, pastes,
# control bytes in names, terminals of other sizes, every signal that ends
# the process, and a kill that cannot be caught.
source "$(dirname "$0")/common.sh"
ulimit -c 0 # the crash signals below must not leave core files

bitmap() { python3 "$here/make_bitmap.py" "$@"; }

SEPARATOR=$(printf '=%.0s' $(seq 80))

# Whether the pane shows the title on row 1 and the separator on row 24.
title_and_separator() { [[ "$(row 1)" == "$TITLE"* ]] && [ "$(row 24)" = "$SEPARATOR" ]; }

# On a pane of $2 x $3 showing the notice ($4, or its longest form): Down,
# Down, Enter over a.bmp change nothing, and at 80 x 25 the whole screen
# comes back with "." highlighted; Esc then ends with 0. $1 names the case.
grows_back_whole() {
    check "sizes, $1: the notice" \
        "$(ok wait_for_row 1 "${4:-Pictoline needs 80 x 25; this terminal is $2 x $3}")"
    t send-keys Down Down Enter
    sleep 0.5
    check "sizes, $1: keys behind the notice convert nothing" \
        "$(ok [ "$(cat "$keys/a.bmp.txt")" = earlier ])"
    check "sizes, $1: still running" "$(ok [ -z "$(code)" ])"
    t resize-window -x 80 -y 25
    check "sizes, $1: the screen comes back at 80 x 25, the keys not taken" \
        "$(ok wait_for_row 25 "$keys/.")"
    check "sizes, $1: title and separator in place" "$(ok title_and_separator)"
    t send-keys Escape
    wait_for "$work/code"
    check "sizes, $1: Esc ends with 0" "$(ok [ "$(code)" = 0 ])"
}

# The pid of the program in the pane.
program_pid() { pgrep -P "$(t display -p '#{pane_pid}')" -x "$(basename "$binary")"; }

# Starts the program in a pane of $1 x $2 in directory $3, after the shell
# printed 40 lines; when it ends, the pane runs $4 (default: sleep). Returns
# once it has drawn its first screen, or on a pane too small, the notice.
start_session() {
    local columns=$1 rows=$2 directory=$3 after=${4:-sleep 30}
    fresh_server
    drew=1
    rm -f "$work/code"
    cat > "$work/session.sh" <<SCRIPT
seq 1 40
"$binary"
echo \$? > "$work/code"
$after
sleep 30
SCRIPT
    t -f /dev/null new-session -d -x "$columns" -y "$rows" -c "$directory" "bash $work/session.sh"
    t set-option -g status off
    t resize-window -x "$columns" -y "$rows" 2>/dev/null
    if [ "$columns" -ge 80 ] && [ "$rows" -ge 25 ]; then
        wait_for_first_screen
    else
        wait_for_screen "^\(Pictoline needs\|Needs\) 80 x 25" && drew=0
    fi
}

# Every cell of the pane outside the top-left 80 x 25 is blank.
blank_outside() {
    t capture-pane -p | awk 'NR > 25 && length($0) > 0 { bad = 1 }
                             NR <= 25 && length($0) > 80 && substr($0, 81) ~ /[^ ]/ { bad = 1 }
                             END { exit bad }'
}

# A directory of exactly 65 536 entries: the first screen is an ordinary one
# and Down moves through it.
huge="$work/huge"
many_entries "$huge" 65536 5
start_program "$huge"
check "65 536 entries: the first screen ends with the path row" "$(ok wait_for_row 25 "$huge/." 20)"
check "65 536 entries: the title stays on row 1, the separator on row 24" "$(ok title_and_separator)"
t send-keys Down Down Down
check "65 536 entries: Down reaches the second bitmap" "$(ok wait_for_row 25 "$huge/p00001.bmp" 20)"
t send-keys Escape
wait_for "$work/code"
rm -rf "$huge"

# Another user's link beside the data file, in a directory anyone may write:
# the data file replaces the link, and the file it points at stays as it was.
if [ "$(id -u)" = 0 ]; then
    sticky="$work/sticky"
    mkdir -p "$sticky" && chmod 1777 "$sticky" && chmod 755 "$work"
    echo "root's own" > "$work/victim"
    setpriv --reuid=65534 --regid=65534 --clear-groups \
        bash -c "python3 '$here/make_bitmap.py' '$sticky/evil.bmp' 2 2 && ln -s '$work/victim' '$sticky/evil.bmp.txt'"
    piped "$sticky" $'\033[B\033[B\r'

    check "planted link: the conversion ran" "$(ok grep -qa '!!! Done !!!' "$work/out")"
    check "planted link: the file it points at is untouched" "$(ok [ "$(cat "$work/victim")" = "root's own" ])"
    check "planted link: the data file replaced the link" \
        "$(ok [ ! -L "$sticky/evil.bmp.txt" ] && grep -qa '^bildname:' "$sticky/evil.bmp.txt")"
fi

# The user's own link from the data file's name to the bitmap itself, in the
# browser and on the command line: the bitmap stays byte for byte as it was,
# and the data file replaces the link.
onto="$work/onto"
mkdir -p "$onto"
bitmap "$onto/a.bmp" 5 3
cp "$onto/a.bmp" "$work/a.bmp.before"
link_replaced() {
    cmp -s "$onto/a.bmp" "$work/a.bmp.before" && [ ! -L "$onto/a.bmp.txt" ] &&
        grep -qa "^bildname: *'originalname: a.bmp" "$onto/a.bmp.txt"
}
ln -s a.bmp "$onto/a.bmp.txt"
piped "$onto" $'\033[B\033[B\r'
check "link onto the bitmap, browser: the conversion ran" "$(ok grep -qa '!!! Done !!!' "$work/out")"
check "link onto the bitmap, browser: the bitmap is unchanged, the link replaced" "$(ok link_replaced)"
rm "$onto/a.bmp.txt"
ln -s "$onto/a.bmp" "$onto/a.bmp.txt"
(cd "$onto" && "$binary" a.bmp > "$work/stdout" 2>&1)
grep -qx 'a.bmp.txt: 5 x 3' "$work/stdout" && drew=0 || drew=1
check "link onto the bitmap, command line: the bitmap is unchanged, the link replaced" \
    "$(ok link_replaced)"

# Keys: Alt+Up and Alt+Down as rxvt sends them, then a paste with a line end
# over a bitmap. Neither moves, converts or ends anything.
keys="$work/keys"
mkdir -p "$keys"
bitmap "$keys/a.bmp" 2 2
start_session 80 25 "$keys" "cat -v > $work/pasted"
check "keys: the first screen is drawn" "$(ok wait_for_row 25 "$keys/.")"
t send-keys Down
check "keys: Down moves" "$(ok wait_for_row 25 "$keys/..")"
t send-keys -l $'\e\e[B'
t send-keys -l $'\e\eOA'
t send-keys Down
check "keys: Alt+Down and Alt+Up are ignored, the next Down moves" "$(ok wait_for_row 25 "$keys/a.bmp")"
t set-buffer $'\r..\r\e[A\r'
t paste-buffer -p
t send-keys Up
check "keys: a paste is dropped whole, the next Up moves" "$(ok wait_for_row 25 "$keys/..")"
check "keys: the paste converted nothing" "$(ok [ ! -e "$keys/a.bmp.txt" ])"
check "keys: still running" "$(ok [ -z "$(code)" ])"
t send-keys Escape
wait_for "$work/code"
check "keys: Esc ends with 0" "$(ok [ "$(code)" = 0 ])"
# What is pasted after the program reaches the next program without marks.
t set-buffer 'after'
t paste-buffer -p
t send-keys Enter C-d
check "keys: bracketed paste is off again after the program" \
    "$(ok bash -c "sleep 0.5; [ \"\$(cat '$work/pasted')\" = after ]")"

# After Esc, what the shell prints next starts in column 1 in the terminal's
# own colours, and the program's last screen stays above it.
start_session 80 25 "$keys" "printf 'the shell again'"
check "the shell after: the first screen is drawn" "$(ok wait_for_row 25 "$keys/.")"
t send-keys Escape
check "the shell after: its text starts in column 1" "$(ok wait_for_row 25 'the shell again')"
check "the shell after: in the terminal's own colours" \
    "$(ok [ "$(t capture-pane -p -e | sed -n 25p | sed $'s/\e\\[\\(39\\|49\\|0\\)m//g')" = 'the shell again' ])"
check "the shell after: the last screen stays above it" \
    "$(ok [ "$(row 23)$(row 24)" = "$SEPARATOR$keys/." ])"

# Control bytes in names: each name stays on its row, nothing rings.
names="$work/names"
mkdir -p "$names"
for name in $'lf\nname' $'cr\rname' $'bell\aname' $'bs\bname' $'tab\tname'; do
    bitmap "$names/$name.bmp" 1 1
done
start_program "$names"
check "names: the first screen is drawn" "$(ok wait_for_row 25 "$names/.")"
check "names: the title stays on row 1, the separator on row 24" "$(ok title_and_separator)"
check "names: five bitmaps on rows 6 to 10, one a row" \
    "$(ok [ "$(t capture-pane -p | sed -n 6,10p | grep -c 'name\.bmp *1 x 1 x 24$')" = 5 ])"
t send-keys Down Down Down Down Down Down
wait_for_screen "bell.name.bmp$"
check "names: no bell rang" "$(ok [ "$(t display -p '#{window_bell_flag}')" = 0 ])"
t send-keys Escape
wait_for "$work/code"

# Terminals of other sizes: blank outside the screen, a notice on one too
# small, the whole screen back once it is large enough.
start_session 100 30 "$keys"
check "sizes: the first screen on 100 x 30" "$(ok wait_for_row 25 "$keys/.")"
check "sizes: what the shell printed is gone from beside and below the screen" "$(ok blank_outside)"
t resize-window -x 120 -y 40
sleep 0.3
check "sizes: blank outside after growing to 120 x 40" "$(ok blank_outside)"
echo earlier > "$keys/a.bmp.txt"
t resize-window -x 60 -y 20
grows_back_whole "shrunk to 60 x 20" 60 20
# Started on a terminal too small, it waits with the notice and comes back
# whole, as if the terminal had been large enough all along; one row short
# is too small as well.
start_session 60 20 "$keys"
grows_back_whole "started on 60 x 20" 60 20
start_session 80 24 "$keys"
grows_back_whole "started on 80 x 24" 80 24
start_session 40 10 "$keys"
grows_back_whole "started on 40 x 10" 40 10 "Needs 80 x 25; this is 40 x 10"

# A key read after the terminal shrank, before the shrink was shown, is judged
# by the size of now: strace holds each read of the terminal for a second,
# and the pane shrinks while the read of Down is held.
start_program "$keys" "strace -o /dev/null -P \$(tty) -e trace=read -e inject=read:delay_exit=1000000"
wait_for_row 25 "$keys/."
t send-keys Down
sleep 0.3
t resize-window -x 60 -y 20
wait_for_row 1 "This terminal is 60 x 20; Pictoline needs at least 80 x 25."
t resize-window -x 80 -y 25
check "sizes, a key read just after a shrink does nothing" "$(ok wait_for_row 25 "$keys/.")"
t send-keys Escape
wait_for "$work/code"

# Suspended with Ctrl+Z, and brought back with fg after the shell cleared the
# terminal, the program paints its whole screen again.
fresh_server
drew=1
rm -f "$work/code"
t -f /dev/null new-session -d -x 80 -y 25 -c "$keys" "bash --norc --noprofile -i"
t set-option -g status off
printf '"%s"\necho $? > "%s/code"\n' "$binary" "$work" > "$work/job.sh"
t send-keys "PS1='$ '; bash '$work/job.sh'" Enter
wait_for_first_screen
t send-keys C-z
check "suspended: the shell takes over" "$(ok wait_for_screen 'Stopped')"
t send-keys "clear; fg" Enter
check "suspended: fg brings the whole screen back" \
    "$(ok wait_for_row 25 "$keys/.")"
check "suspended: title and separator in place" "$(ok title_and_separator)"
t send-keys Escape
wait_for "$work/code"
check "suspended: Esc ends with 0" "$(ok [ "$(code)" = 0 ])"

# A terminal that cannot show the screen (an editor's shell buffer): nothing
# is sent to it, one line on standard error says why, and the exit status is 1.
fresh_server
rm -f "$work/code"
printf 'TERM=dumb "%s" 2> "%s/stderr"\necho $? > "%s/code"\nsleep 30\n' \
    "$binary" "$work" "$work" > "$work/session.sh"
t -f /dev/null new-session -d -x 80 -y 25 -c "$keys" "bash $work/session.sh"
wait_for "$work/code"
# The line on standard error proves that the program ran.
drew=1
[ "$(wc -l < "$work/stderr")" = 1 ] && grep -q 'TERM=dumb' "$work/stderr" && drew=0
check "TERM=dumb: one line on standard error names the terminal" "$(ok [ "$drew" = 0 ])"
check "TERM=dumb: exit status 1" "$(ok [ "$(code)" = 1 ])"
check "TERM=dumb: nothing sent to the terminal" \
    "$(ok [ -z "$(t capture-pane -p -e | tr -d '\n ')" ])"
# Output that is not a terminal takes the screen's bytes whatever TERM says.
TERM=dumb piped "$keys" ""
check "TERM=dumb, output not a terminal: the screen is written, exit status 0" $?

# Every signal whose default action ends the process: the terminal modes come
# back, and the process ends by that signal.
for signal in USR1 USR2 ALRM ABRT VTALRM PROF XCPU SEGV BUS FPE ILL; do
    start_program "$keys"
    check "SIG$signal: the first screen is drawn" "$(ok wait_for_row 25 "$keys/.")"
    pid=$(program_pid)
    # No pid, no signal: "kill 0" would signal this script's own group.
    [ -n "$pid" ] && kill -s "$signal" "$pid" 2>/dev/null
    wait_for "$work/code"
    check "SIG$signal ends the program by the signal" "$(ok [ "$(code)" = $((128 + $(kill -l "$signal"))) ])"
    wait_for "$work/after"
    check "SIG$signal: terminal modes restored" "$(cmp -s "$work/before" "$work/after"; echo $?)"
done

# The same signals in the middle of a conversion leave no partial file and the
# earlier data file as it was; so does a kill that cannot be caught.
big="$work/big"
mkdir -p "$big"
bitmap "$big/pic.bmp" 176 132
echo earlier > "$big/pic.bmp.txt"
for signal in USR1 ALRM ABRT XCPU SEGV KILL; do
    check "SIG$signal during the conversion leaves nothing behind" \
        "$(ok python3 "$here/interrupt.py" "$binary" "$big" $'\033[B\033[B\r' "SIG$signal")"
done

finish
