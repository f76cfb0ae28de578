#!/usr/bin/env python3
"""Interrupts a conversion in the middle: interrupt.py PICTOLINE DIRECTORY KEYS SIGNAL

DIRECTORY holds the bitmap that KEYS (the bytes typed) choose and an earlier
data file. Standard output is a pipe that nobody reads, filled so that the
program's first progress write blocks: the conversion is then under way, its
temporary file open. The signal is sent there. Exits 0 when the program ended
by the signal, left no temporary file, and left the earlier data file as it was."""
import fcntl
import os
import signal
import subprocess
import sys
import time

F_GETPIPE_SZ = 1032


def temporary_files(directory):
    return [name for name in os.listdir(directory) if name.startswith(".pictoline-")]


def screen_bytes_before_progress(binary, directory, keys):
    """What the program writes before its first progress row, from a full run."""
    run = subprocess.run([binary], cwd=directory, input=keys, capture_output=True, timeout=20)
    out = run.stdout
    start = out.find(b" Datafile: ")
    return out.find(b"0%", start)


def main():
    binary, directory, keys, name = sys.argv[1], sys.argv[2], sys.argv[3].encode(), sys.argv[4]
    data_files = [n for n in os.listdir(directory) if n.endswith(".txt")]
    earlier = {n: open(os.path.join(directory, n), "rb").read() for n in data_files}
    before = screen_bytes_before_progress(binary, directory, keys)
    for n, content in earlier.items():
        open(os.path.join(directory, n), "wb").write(content)
    if before <= 0:
        sys.exit("no progress row in a full run")

    read_end, write_end = os.pipe()
    capacity = fcntl.fcntl(write_end, F_GETPIPE_SZ)
    os.write(write_end, b"\0" * (capacity - before))
    keys_read, keys_write = os.pipe()
    os.write(keys_write, keys)  # kept open: no end of input
    program = subprocess.Popen([binary], cwd=directory, stdin=keys_read, stdout=write_end)
    os.close(write_end)
    os.close(keys_read)
    deadline = time.monotonic() + 10
    while not temporary_files(directory) and time.monotonic() < deadline:
        time.sleep(0.01)
    under_way = bool(temporary_files(directory))
    time.sleep(0.2)
    program.send_signal(getattr(signal, name))
    code = program.wait(timeout=10)
    os.close(read_end)
    os.close(keys_write)

    problems = []
    if not under_way:
        problems.append("the conversion never started its temporary file")
    if code != -getattr(signal, name):
        problems.append("exit status %d, not the signal" % code)
    if temporary_files(directory):
        problems.append("left %s" % temporary_files(directory))
    for n, content in earlier.items():
        if open(os.path.join(directory, n), "rb").read() != content:
            problems.append("%s changed" % n)
    if problems:
        sys.exit("; ".join(problems))


if __name__ == "__main__":
    main()
