#!/usr/bin/env bash
# End-to-end checks of --preview in a real terminal: a 4 x 3 picture of
# known colours, in 24-bit and in 256 colours, read back cell by cell from
# tmux with its colours; nothing written to disk; the terminal's colours
# left as they were.
source "$(dirname "$0")/common.sh"

pics="$work/pics"
mkdir -p "$pics"
# Colours the display shows exactly, so the preview shows them as they are.
python3 - "$pics/known.ppm" <<'PY'
import sys
rows = [[(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)],
        [(0, 0, 0), (132, 130, 132), (255, 255, 0), (0, 255, 255)],
        [(255, 0, 255), (33, 65, 99), (198, 134, 66), (8, 4, 8)]]
body = bytes(c for row in rows for pixel in row for c in pixel)
open(sys.argv[1], "wb").write(b"P6\n4 3\n255\n" + body)
PY
convert "$pics/known.ppm" PNG24:"$pics/known.png"

# The cells of the pane's rows 1 to 3, each as character/foreground/background.
cells() {
    t capture-pane -e -p | sed -n 1,3p | python3 -c '
import re, sys
for line in sys.stdin:
    fg = bg = "-"
    out = []
    for part in re.split(r"(\x1b\[[0-9;]*m)", line.rstrip("\n")):
        if part.startswith("\x1b["):
            p = [int(x) if x else 0 for x in part[2:-1].split(";")]
            i = 0
            while i < len(p):
                if p[i] == 0: fg = bg = "-"
                elif p[i] == 39: fg = "-"
                elif p[i] == 49: bg = "-"
                elif p[i] in (38, 48) and p[i + 1] == 2:
                    v = "%d,%d,%d" % tuple(p[i + 2:i + 5]); i += 4
                    if p[i - 4] == 38: fg = v
                    else: bg = v
                elif p[i] in (38, 48) and p[i + 1] == 5:
                    if p[i] == 38: fg = str(p[i + 2])
                    else: bg = str(p[i + 2])
                    i += 2
                i += 1
        else:
            out += ["%s/%s/%s" % (c, fg, bg) for c in part]
    print(" ".join(out))'
}

# Runs the preview in a fresh 80 x 25 pane; drew once the caption stands.
preview() {
    fresh_server
    drew=1
    t -f /dev/null new-session -d -x 80 -y 25 -c "$pics" \
        "env $1 LANG=C.UTF-8 '$binary' --preview --fit known.png; echo \"exit \$?\"; sleep 30"
    t set-option -g status off
    for _ in $(seq 1 100); do
        t capture-pane -p | grep -q '^exit ' && break
        sleep 0.05
    done
    t capture-pane -p | head -1 | grep -q '^known.png: 4 x 3 pixels' && drew=0
}

preview COLORTERM=truecolor
row2=$(cells | sed -n 2p)
row3=$(cells | sed -n 3p)
check "24-bit: the upper and lower pixels of the first text row" \
    "$(ok [ "$row2" = "▀/255,0,0/0,0,0 ▀/0,255,0/132,130,132 ▀/0,0,255/255,255,0 ▀/255,255,255/0,255,255" ])"
check "24-bit: the odd last row has only its upper half, on the terminal's background" \
    "$(ok [ "$row3" = "▀/255,0,255/- ▀/33,65,99/- ▀/198,134,66/- ▀/8,4,8/-" ])"
ended_well() { t capture-pane -p | grep -qx 'exit 0'; }
# The shell's line after the preview carries no colour of the picture's.
plain_after() { ! t capture-pane -e -p | grep 'exit 0' | grep -q $'\e\[[34]8'; }
check "24-bit: the preview ends with exit 0" "$(ok ended_well)"
check "24-bit: the shell's text after it is in the terminal's own colours" "$(ok plain_after)"
check "no data file is written" "$(ok [ ! -e "$pics/known.png.txt" ])"

preview COLORTERM=
row2=$(cells | sed -n 2p)
check "256 colours: the nearest of the cube and the grey ramp" \
    "$(ok [ "$row2" = "▀/196/16 ▀/46/244 ▀/21/226 ▀/231/51" ])"

finish
