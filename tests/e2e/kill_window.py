#!/usr/bin/env python3
"""Kills a batch at random moments: kill_window.py PICTOLINE DIRECTORY RUNS

DIRECTORY (best on tmpfs, where a file's sync costs nothing) gets many small
bitmaps and no data file. Each run converts them all on the command line and
is killed by SIGKILL after a random delay within the time a whole batch
takes. Exits 0 when a whole batch wrote every data file, no kill left a
".pictoline-" name, and every data file a kill left is complete."""
import os
import random
import signal
import subprocess
import sys
import time

from make_bitmap import bitmap

BITMAPS = 300
FOOTER = b"'End of Bitmap\r\n"


def remove_data_files(directory):
    for name in os.listdir(directory):
        if name.endswith(".txt"):
            os.remove(os.path.join(directory, name))


def faults(directory):
    """The hidden names a kill left, and the data files it left incomplete."""
    found = []
    for name in os.listdir(directory):
        if name.startswith(".pictoline-"):
            found.append("hidden name " + name)
        elif name.endswith(".txt"):
            content = open(os.path.join(directory, name), "rb").read()
            if FOOTER not in content[-200:]:
                found.append("incomplete " + name)
    return found


def main():
    binary, directory, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
    names = ["p%04d.bmp" % i for i in range(BITMAPS)]
    for name in names:
        open(os.path.join(directory, name), "wb").write(bitmap(3, 2))
    start = time.monotonic()
    whole = subprocess.run([binary] + names, cwd=directory, capture_output=True, timeout=60)
    duration = time.monotonic() - start
    written = sum(1 for n in os.listdir(directory) if n.endswith(".txt"))
    if whole.returncode != 0 or written != BITMAPS or faults(directory):
        sys.exit("a whole batch did not write every data file")
    print("%d data files from a whole batch" % written)
    killed_midway = 0
    for run in range(runs):
        remove_data_files(directory)
        program = subprocess.Popen([binary] + names, cwd=directory, stdout=subprocess.DEVNULL)
        time.sleep(random.uniform(0, duration))
        program.send_signal(signal.SIGKILL)
        program.wait()
        left = sum(1 for n in os.listdir(directory) if n.endswith(".txt"))
        killed_midway += 0 < left < BITMAPS
        found = faults(directory)
        if found:
            sys.exit("run %d: %s" % (run, ", ".join(found)))
    # Kills that all came before the first file or after the last prove nothing.
    if killed_midway < runs // 2:
        sys.exit("only %d of %d kills fell inside a batch" % (killed_midway, runs))


if __name__ == "__main__":
    main()
