#!/usr/bin/env python3
"""Every performance figure with its goal, in one table. A key press is
measured as the median of its presses, the worst shown beside it.

    bench/run.py BUILD_DIRECTORY [--quick]

In-process figures come from the Google Benchmark binary (pictoline_bench);
whole-process figures run the real binary through a pseudo-terminal or a
pipe. --quick takes fewer samples (for a smoke run)."""
import fcntl
import json
import os
import pty
import select
import statistics
import struct
import subprocess
import sys
import tempfile
import termios
import time

# The tests' bitmap writer.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from make_bitmap import bitmap, write_far  # noqa: E402

DOWN = b"\x1b[B"

REFERENCE = r'''
import sys
data = open(sys.argv[1], "rb").read()
width = int.from_bytes(data[18:22], "little")
height = int.from_bytes(data[22:26], "little")
stride = (3 * width + 3) // 4 * 4
values = []
for y in range(height):
    row = 54 + y * stride
    for x in range(width):
        b, g, r = data[row + 3 * x:row + 3 * x + 3]
        values.append("%d%%" % ((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3)))
lines = ["data " + ", ".join(values[i:i + 8]) for i in range(0, len(values), 8)]
open(sys.argv[1] + ".ref.txt", "w", newline="\r\n").write("\n".join(lines) + "\n")
'''


def in_process(build):
    """The in-process figures; the redraws of large directories, there for
    profiling, are left out: the whole program is measured below."""
    out = subprocess.run([os.path.join(build, "pictoline_bench"), "--benchmark_format=json",
                          "--benchmark_filter=-Redraw"],
                         check=True, capture_output=True, text=True).stdout
    return {b["name"]: b for b in json.loads(out)["benchmarks"]}


class Terminal:
    """The program in an 80 x 25 pseudo-terminal."""

    def __init__(self, binary, directory):
        self.master, slave = pty.openpty()
        fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 25, 80, 0, 0))
        self.process = subprocess.Popen([binary], cwd=directory, stdin=slave, stdout=slave,
                                        stderr=slave, start_new_session=True)
        os.close(slave)

    def settle(self, quiet=0.15, limit=30.0):
        """Reads until nothing arrives for quiet seconds after the first byte;
        the time of the last byte."""
        last = None
        deadline = time.monotonic() + limit
        while time.monotonic() < deadline:
            wait = quiet if last else max(0.0, deadline - time.monotonic())
            ready, _, _ = select.select([self.master], [], [], wait)
            if not ready:
                break
            try:
                os.read(self.master, 65536)
            except OSError:
                break
            last = time.monotonic()
        return last

    def close(self):
        self.process.kill()
        self.process.wait()
        os.close(self.master)


def aged_directory(parent, entries):
    """A directory of entries names (bitmap files), last changed an hour ago."""
    path = os.path.join(parent, "entries-%d" % entries)
    os.mkdir(path)
    for i in range(entries - 2):  # "." and ".." are entries too
        open(os.path.join(path, "picture-%06d.bmp" % i), "wb").close()
    age(path)
    return path


def age(path):
    hour_ago = time.time() - 3600
    os.utime(path, (hour_ago, hour_ago))


class Changer:
    """Between two key presses, makes a file in the directory appear or go, so
    its modification time is always recent; the listed entries stay the same."""

    def __init__(self, directory):
        self.path = os.path.join(directory, "incoming.part")

    def __call__(self):
        if os.path.exists(self.path):
            os.remove(self.path)
        else:
            open(self.path, "wb").close()

    def restore(self):
        """Leaves the directory as it was, last changed an hour ago."""
        if os.path.exists(self.path):
            os.remove(self.path)
        age(os.path.dirname(self.path))


def resident_peak_mib(pid):
    status = open("/proc/%d/status" % pid).read()
    peak = next(line for line in status.splitlines() if line.startswith("VmHWM:"))
    return int(peak.split()[1]) / 1024


def keypress_latencies(binary, directory, presses, between=None):
    """The time from each Down to the screen settled, and the peak resident
    memory after the last; between() runs before every press."""
    terminal = Terminal(binary, directory)
    try:
        if terminal.settle(quiet=0.5) is None:
            raise SystemExit("pictoline drew nothing in %s" % directory)
        latencies = []
        for _ in range(presses):
            if between:
                between()
            start = time.monotonic()
            os.write(terminal.master, DOWN)
            end = terminal.settle()
            latencies.append((end - start) * 1000 if end else float("nan"))
        return latencies, resident_peak_mib(terminal.process.pid)
    finally:
        terminal.close()


def first_screen_ms(binary, directory):
    start = time.monotonic()
    terminal = Terminal(binary, directory)
    try:
        end = terminal.settle(quiet=0.5)
        if end is None:
            raise SystemExit("pictoline drew nothing in %s" % directory)
        return (end - start) * 1000
    finally:
        terminal.close()


def escape_ms(binary, directory):
    """The time from a lone Esc to the end of the program: the delay that
    tells Esc from the start of a key's sequence, and the wake-up after it."""
    terminal = Terminal(binary, directory)
    try:
        if terminal.settle(quiet=0.5) is None:
            raise SystemExit("pictoline drew nothing in %s" % directory)
        start = time.monotonic()
        os.write(terminal.master, b"\x1b")
        while terminal.process.poll() is None and time.monotonic() - start < 5:
            ready, _, _ = select.select([terminal.master], [], [], 0.001)
            if ready:
                try:
                    os.read(terminal.master, 65536)
                except OSError:
                    pass
        return (time.monotonic() - start) * 1000
    finally:
        terminal.close()


def cpu_ns(pid):
    return int(open("/proc/%d/schedstat" % pid).read().split()[0])


def waiting_cpu(binary, directory, seconds):
    terminal = Terminal(binary, directory)
    try:
        terminal.settle(quiet=0.5)
        before = cpu_ns(terminal.process.pid)
        terminal.settle(quiet=seconds, limit=seconds)
        return (cpu_ns(terminal.process.pid) - before) / 1e6
    finally:
        terminal.close()


def convert_to_done_line(binary, directory):
    """Starts a conversion of the third entry through a pipe; returns the
    running program once "!!! Done !!!" has arrived."""
    program = subprocess.Popen([binary], cwd=directory, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    program.stdin.write(DOWN * 2 + b"\r")
    program.stdin.flush()
    seen = b""
    while b"!!! Done !!!" not in seen:
        chunk = os.read(program.stdout.fileno(), 65536)
        if not chunk:
            raise SystemExit("pictoline ended without the done line")
        seen = seen[-16:] + chunk
    return program


def end(program):
    program.kill()
    program.wait()


def pipe_conversion_ms(binary, directory):
    start = time.perf_counter()
    program = convert_to_done_line(binary, directory)
    elapsed = time.perf_counter() - start
    end(program)
    return elapsed * 1000


def reference_ms(directory):
    start = time.perf_counter()
    subprocess.run([sys.executable, "-S", "-c", REFERENCE, os.path.join(directory, "pic.bmp")], check=True)
    return (time.perf_counter() - start) * 1000


def batch_ms(binary, directory, names):
    """A command-line run over every named bitmap, from start to exit; every
    data file is removed first, so each run writes all of them."""
    for name in names:
        path = os.path.join(directory, name + ".txt")
        if os.path.exists(path):
            os.remove(path)
    start = time.perf_counter()
    subprocess.run([binary] + names, cwd=directory, check=True, stdout=subprocess.DEVNULL)
    return (time.perf_counter() - start) * 1000


def peak_memory(binary, directory):
    """The largest resident size of a whole run up to the closing wait (the
    peak of the program's own memory since it started, VmHWM)."""
    program = convert_to_done_line(binary, directory)
    peak = resident_peak_mib(program.pid)
    end(program)
    return peak


def timed_run(command, cwd):
    """Milliseconds of a whole run, and its peak resident memory in MiB."""
    start = time.perf_counter()
    program = subprocess.Popen(command, cwd=cwd, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(program.pid, 0)
    elapsed = (time.perf_counter() - start) * 1000
    if status != 0:
        raise RuntimeError("%s failed" % command)
    return elapsed, usage.ru_maxrss / 1024


def fit_rows(binary, parent, quick):
    """--fit of a phone-sized JPEG against the README's ImageMagick recipe
    followed by the plain conversion, side by side; and of a small PNG."""
    directory = os.path.join(parent, "fit")
    os.mkdir(directory)
    subprocess.run(["convert", "-size", "4000x3000", "-seed", "7", "plasma:fractal",
                    "-quality", "90", "photo.jpg"], cwd=directory, check=True)
    subprocess.run(["convert", "-size", "176x132", "-seed", "7", "plasma:fractal", "logo.png"],
                   cwd=directory, check=True)
    runs = 3 if quick else 7
    ours = [timed_run([binary, "--fit", "photo.jpg"], directory) for _ in range(runs)]
    theirs = []
    for _ in range(runs):
        shrink, _ = timed_run(["convert", "photo.jpg", "-resize", "176x132>", "-type", "TrueColor",
                               "BMP3:photo.bmp"], directory)
        plain, _ = timed_run([binary, "photo.bmp"], directory)
        theirs.append(shrink + plain)
    fit_ms = statistics.median(t for t, _ in ours)
    pair_ms = statistics.median(theirs)
    peak = max(m for _, m in ours)
    small = statistics.median(timed_run([binary, "--fit", "logo.png"], directory)[0]
                              for _ in range(runs * 3))
    preview_rows = []
    for colours, label in (("truecolor", "24-bit"), ("", "256 colours")):
        env = dict(os.environ, COLORTERM=colours, LANG="C.UTF-8")
        times, size = [], 0
        for _ in range(runs * 3):
            start = time.perf_counter()
            out = subprocess.run([binary, "--preview", "--fit", "logo.png"], cwd=directory, env=env,
                                 check=True, capture_output=True).stdout
            times.append((time.perf_counter() - start) * 1000)
            size = len(out)
        took = statistics.median(times)
        preview_rows += [
            ("--preview of a 176 x 132 photo-like PNG, %s: bytes" % label, "< 200 kB",
             "%.0f kB" % (size / 1000), size < 200000),
            ("  its time", "< 50 ms", "%.2f ms" % took, took < 50),
        ]
    return preview_rows + [
        ("--fit of a 4000 x 3000 JPEG", "<= the pair", "%.0f ms" % fit_ms, fit_ms <= pair_ms),
        ("  convert -resize '176x132>' BMP3: then pictoline", "", "%.0f ms" % pair_ms, None),
        ("Peak resident memory, --fit of that JPEG", "< 128 MiB", "%.1f MiB" % peak, peak < 128),
        ("--fit of a 176 x 132 PNG", "< 10 ms", "%.2f ms" % small, small < 10),
    ]


def main():
    build = sys.argv[1]
    quick = "--quick" in sys.argv
    binary = os.path.abspath(os.path.join(build, "pictoline"))
    runs = 5 if quick else 20
    rows = []
    bench = in_process(build)

    down = bench["DownInFortyEntries"]["bytes"]
    rows.append(("Bytes sent for Down, 40 entries (20-row window)", "<= 154", "%d" % down, down <= 154))
    rows.append(("  the cell difference alone, for comparison", "", "%d" % bench["DownInFortyEntriesCellDifferenceOnly"]["bytes"], None))
    rows.append(("  a full repaint, for comparison", "", "%d" % bench["DownInFortyEntriesFullRepaint"]["bytes"], None))

    with tempfile.TemporaryDirectory() as parent:
        presses = 3 if quick else 9
        for entries, quiet_goal, changing_goal in ((1000, 1, 2), (10000, 3, 10), (100000, 30, 80)):
            if quick and entries > 10000:
                continue
            directory = aged_directory(parent, entries)
            quiet, quiet_peak = keypress_latencies(binary, directory, presses)
            changer = Changer(directory)
            changing, changing_peak = keypress_latencies(binary, directory, presses, changer)
            changer.restore()
            peak = max(quiet_peak, changing_peak)
            for state, goal, times in (("quiet", quiet_goal, quiet), ("changing", changing_goal, changing)):
                median = statistics.median(times)
                rows.append(("Down, %s directory, %d entries" % (state, entries), "< %d ms" % goal,
                             "%.1f ms (worst %.1f)" % (median, max(times)), median < goal))
            if entries == 100000:
                first = statistics.median(first_screen_ms(binary, directory) for _ in range(1 if quick else 5))
                rows.append(("First screen, %d entries" % entries, "< 150 ms", "%.0f ms" % first, first < 150))
                rows.append(("Peak resident memory, %d entries" % entries, "< 10 MiB", "%.2f MiB" % peak, peak < 10))

        small = aged_directory(parent, 40)
        seconds = 2 if quick else 10
        cpu = waiting_cpu(binary, small, seconds)
        rows.append(("CPU while the browser waits %d s for a key" % seconds, "< 1 ms", "%.2f ms" % cpu, cpu < 1))
        escape = statistics.median(escape_ms(binary, small) for _ in range(3 if quick else 9))
        rows.append(("Esc to the end of the program (a 60 ms delay)", "< 100 ms", "%.0f ms" % escape, escape < 100))

        pictures = os.path.join(parent, "pictures")
        os.mkdir(pictures)
        open(os.path.join(pictures, "pic.bmp"), "wb").write(bitmap(176, 132))
        ours = statistics.median(pipe_conversion_ms(binary, pictures) for _ in range(runs))
        theirs = statistics.median(reference_ms(pictures) for _ in range(runs))
        rows.append(("Convert 176 x 132 through a pipe, to the done line", "< 10 ms", "%.2f ms" % ours, ours < 10))
        rows.append(("  a python3 script doing the same packing", "", "%.2f ms (ratio %.2f)" % (theirs, ours / theirs), None))

        writer = bench["WriteDataFile/2048/2048"]["items_per_second"] / 1e6
        rows.append(("Writer throughput, 2048 x 2048 in process", ">= 50 M px/s", "%.1f M px/s" % writer, writer >= 50))
        small_writer = bench["WriteDataFile/176/132"]["real_time"]
        rows.append(("  176 x 132 in process", "", "%.2f ms" % small_writer, None))

        memory = peak_memory(binary, pictures)
        rows.append(("Peak resident memory, whole run", "<= 3.25 MiB", "%.2f MiB" % memory, round(memory, 2) <= 3.25))

        batch = os.path.join(parent, "batch")
        os.mkdir(batch)
        names = ["pic%03d.bmp" % i for i in range(100)]
        for name in names:
            open(os.path.join(batch, name), "wb").write(bitmap(176, 132))
        each = statistics.median(batch_ms(binary, batch, names) for _ in range(3 if quick else 9))
        rows.append(("pictoline FILE... over 100 files of 176 x 132", "< 1000 ms", "%.0f ms" % each, each < 1000))
        rows += fit_rows(binary, parent, quick)

        # The same picture with its pixels 4 GiB - 16 bytes in, in a sparse
        # file: reached by a seek, it costs what the plain one does.
        write_far(os.path.join(batch, "far.bmp"), 176, 132, 0xFFFFFFF0)
        near = statistics.median(batch_ms(binary, batch, ["pic000.bmp"]) for _ in range(runs))
        far = statistics.median(batch_ms(binary, batch, ["far.bmp"]) for _ in range(runs))
        rows.append(("pictoline FILE, pixels at 4 GiB - 16 (sparse)", "< plain + 5 ms", "%.1f ms" % far,
                     far < near + 5))
        rows.append(("  the same picture at offset 54", "", "%.1f ms" % near, None))

    width = max(len(r[0]) for r in rows)
    print("%-*s  %-13s  %-22s  %s" % (width, "Figure", "Goal", "Measured", "Met"))
    print("-" * (width + 46))
    for name, goal, measured, met in rows:
        print("%-*s  %-13s  %-22s  %s" % (width, name, goal, measured, "" if met is None else ("yes" if met else "NO")))


if __name__ == "__main__":
    main()
