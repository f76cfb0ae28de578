#!/usr/bin/env python3
"""The terminal goes away while the browser waits for a key:
terminal_gone.py PICTOLINE DIRECTORY hangup|close

hangup sends SIGHUP, as a closing terminal emulator does; close closes the
pseudo-terminal's master side. Exits 0 when the program drew its first
screen and then ends; a program still running after 10 s, spinning on the
dead terminal or blocked on it, fails and is killed."""
import os
import pty
import select
import signal
import subprocess
import sys
import time

TITLE = b"== Pictoline V1.1 "


def read_first_screen(master, seconds):
    """Reads what the program writes until its title row has come."""
    seen = b""
    deadline = time.monotonic() + seconds
    while TITLE not in seen and time.monotonic() < deadline:
        ready, _, _ = select.select([master], [], [], 0.05)
        if ready:
            try:
                seen += os.read(master, 65536)
            except OSError:
                break
    return TITLE in seen


def cpu_ms(pid):
    try:
        return int(open("/proc/%d/schedstat" % pid).read().split()[0]) / 1e6
    except OSError:
        return 0.0


def main():
    binary, directory, how = sys.argv[1], sys.argv[2], sys.argv[3]
    master, slave = pty.openpty()
    program = subprocess.Popen([binary], cwd=directory, stdin=slave, stdout=slave, stderr=slave,
                               start_new_session=True)
    os.close(slave)
    if not read_first_screen(master, 10):
        program.kill()
        sys.exit("the program never drew its first screen")
    time.sleep(0.2)
    before = cpu_ms(program.pid)
    if how == "hangup":
        program.send_signal(signal.SIGHUP)
    else:
        os.close(master)
    deadline = time.monotonic() + 10
    while program.poll() is None and time.monotonic() < deadline:
        time.sleep(0.05)
    used = cpu_ms(program.pid) - before if program.poll() is None else 0.0
    if program.poll() is None:
        program.kill()
        sys.exit("still running after 10 s (%.0f ms of processor time)" % used)


if __name__ == "__main__":
    main()
