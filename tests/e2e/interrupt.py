#!/usr/bin/env python3
"""Interrupts a conversion in the middle: interrupt.py PICTOLINE DIRECTORY KEYS SIGNAL

DIRECTORY holds the bitmap that KEYS (the bytes typed) choose and an earlier
data file. Standard output is a pipe that nobody reads, filled so that the
program's first progress write blocks: the conversion stays under way, its
data file open (with or without a name), and the signal is sent then. Exits 0 when the program ended by the signal, left no temporary file,
and left the earlier data file as it was."""
import fcntl
import os
import signal
import subprocess
import sys
import time

F_GETPIPE_SZ = 1032


def data_file_open(pid, directory):
    """Whether the program holds a data file open in directory: one under a
    temporary name, or one that has no name yet (Linux shows it deleted)."""
    try:
        links = [os.readlink("/proc/%d/fd/%s" % (pid, fd)) for fd in os.listdir("/proc/%d/fd" % pid)]
    except OSError:
        return bool(temporary_files(directory))
    inside = os.path.realpath(directory) + "/"
    return any(link.startswith(inside) and ("/.pictoline-" in link or link.endswith(" (deleted)"))
               for link in links)


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
    while not data_file_open(program.pid, directory) and time.monotonic() < deadline:
        time.sleep(0.01)
    under_way = data_file_open(program.pid, directory)
    time.sleep(0.2)
    program.send_signal(getattr(signal, name))
    code = program.wait(timeout=10)
    os.close(read_end)
    os.close(keys_write)

    problems = []
    if not under_way:
        problems.append("the conversion never opened its data file")
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
