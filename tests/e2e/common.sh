# Helpers of the end-to-end checks: a private tmux server at 80 x 25, runs
# through a pipe, and the tally of checks. Sourced with the program's path as $1.
#
# A check passes only when the program of the last run (start_program or
# piped) drew its first screen: a check of a program that never ran fails.
set -u
binary=$(realpath "$1")
here=$(dirname "$(realpath "${BASH_SOURCE[0]}")")
work=$(realpath "$(mktemp -d)")
socket="pictoline-e2e-$$-0"
servers=0
failures=0
passes=0
# 0 once the last run's program drew its first screen, 1 before.
drew=1
# The start of every browser screen's title row.
TITLE="== Pictoline V1.1 "

cleanup() {
    tmux -L "$socket" kill-server 2>/dev/null
    chmod -R u+rwx "$work" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Prints 0 when the command succeeds, 1 otherwise: a result for check.
ok() { "$@" && echo 0 || echo 1; }

check() { # name, condition result
    if [ "$drew" -ne 0 ]; then
        failures=$((failures + 1))
        echo "FAIL: $1 (the program did not draw its first screen)"
    elif [ "$2" -eq 0 ]; then
        passes=$((passes + 1))
    else
        failures=$((failures + 1))
        echo "FAIL: $1"
    fi
}

t() { tmux -L "$socket" "$@"; }

# Ends the last pane's tmux server and names a new one: a session started on a
# server that is still shutting down fails.
fresh_server() {
    t kill-server 2>/dev/null
    servers=$((servers + 1))
    socket="pictoline-e2e-$$-$servers"
}

# Starts the program in a fresh 80 x 25 pane (PANE_COLUMNS x PANE_ROWS when
# set) in directory $1 (default $work), run by the command prefix $2 (for
# example setpriv); it records the terminal modes before and after, and its
# exit code. Returns once the program has drawn its first screen, or has
# ended, or after 20 seconds.
start_program() {
    launch_program "$@" && wait_for_first_screen
}

# Starts the program as start_program does, without waiting for its screen.
launch_program() {
    local directory=${1:-$work} prefix=${2:-}
    local columns=${PANE_COLUMNS:-80} rows=${PANE_ROWS:-25}
    fresh_server
    rm -f "$work"/before "$work"/after "$work"/code
    cat > "$work/session.sh" <<SCRIPT
trap : INT
stty -g > "$work/before"
$prefix "$binary"
echo \$? > "$work/code"
stty -g > "$work/after"
sleep 30
SCRIPT
    drew=1
    t -f /dev/null new-session -d -x "$columns" -y "$rows" -c "$directory" "bash $work/session.sh" ||
        return 1
    t set-option -g status off
    t resize-window -x "$columns" -y "$rows" 2>/dev/null
}

# Sets drew to 0 once the pane shows the title row and the current path: the
# browser's first screen.
wait_for_first_screen() {
    local screen ended
    for _ in $(seq 1 400); do
        ended=1
        [ -e "$work/code" ] && ended=0
        screen=$(t capture-pane -p 2>/dev/null)
        if [[ "$screen" == "$TITLE"* ]] && sed -n 3p <<<"$screen" | grep -q '^ current path: '; then
            drew=0
            return 0
        fi
        [ "$ended" -eq 0 ] && return 1
        sleep 0.05
    done
    return 1
}

# Runs the program in directory $1 with the bytes $2 as its input through a
# pipe, for at most $3 seconds (default 10), its output in $work/out; returns
# its exit status. The run counts as drawn when the output holds the title.
piped() {
    local status
    (cd "$1" && printf '%s' "$2" | timeout "${3:-10}" "$binary" > "$work/out")
    status=$?
    drew_in "$work/out"
    return "$status"
}

# Sets drew from the screen output in file $1.
drew_in() {
    grep -qaF "$TITLE" "$1" && drew=0 || drew=1
}

wait_for() { # file, tenths of a second (default 50)
    for _ in $(seq 1 $((${2:-50} * 2))); do
        [ -s "$1" ] && return 0
        sleep 0.05
    done
    return 1
}

row() { t capture-pane -p | sed -n "$1p"; }

# Makes directory $1 hold $2 entries: "." and "..", then empty files named
# like bitmaps (p0, p1, ... zero-padded to $3 digits); it was last changed
# long ago.
many_entries() {
    mkdir -p "$1"
    python3 -c "
import os, sys
directory, count, digits = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
for i in range(count - 2):
    open(os.path.join(directory, 'p%0*d.bmp' % (digits, i)), 'w').close()
os.utime(directory, (0, 0))" "$1" "$2" "$3"
}

# The exit code the session recorded, empty while the program runs.
code() { cat "$work/code" 2>/dev/null; }

# Waits until row $1 of the pane reads $2, for at most $3 seconds (default 5).
wait_for_row() {
    for _ in $(seq 1 $((${3:-5} * 20))); do
        [ "$(row "$1")" = "$2" ] && return 0
        sleep 0.05
    done
    return 1
}

# Waits until some row of the pane matches the grep pattern $1, for at most
# 10 seconds: a screen may be drawn a piece at a time.
wait_for_screen() {
    for _ in $(seq 1 200); do
        t capture-pane -p | grep -q -- "$1" && return 0
        sleep 0.05
    done
    return 1
}

# Succeeds when data files $1 and $2 are equal apart from the timestamps of
# their block labels (month, day, year, hours, minutes, seconds: 14 digits
# before the block number and its colon).
same_but_time() {
    python3 -c "
import re, sys
strip = lambda path: re.sub(rb'\d{14}(\d+:)', rb'T\1', open(path, 'rb').read())
sys.exit(strip(sys.argv[1]) != strip(sys.argv[2]))" "$1" "$2"
}

finish() {
    echo "$passes passed, $failures failed"
    [ "$failures" -eq 0 ]
}
