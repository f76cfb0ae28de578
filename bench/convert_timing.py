#!/usr/bin/env python3
"""Whole-process time of converting a 176 x 132 bitmap through a pipe, up to
"!!! Done !!!" (the closing one-second wait not counted), against a plain
reference: a short script that reads the same bitmap and writes the same
packed values.

    convert_timing.py PICTOLINE [RUNS]"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

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


def bitmap(width, height):
    stride = (3 * width + 3) // 4 * 4
    pixels = bytes((i * 7) & 0xFF for i in range(stride * height))
    header = b"BM" + (54 + len(pixels)).to_bytes(4, "little") + bytes(4) + (54).to_bytes(4, "little")
    info = (40).to_bytes(4, "little") + width.to_bytes(4, "little") + height.to_bytes(4, "little")
    info += (1).to_bytes(2, "little") + (24).to_bytes(2, "little") + bytes(24)
    return header + info + pixels


def time_pictoline(binary, directory):
    start = time.perf_counter()
    program = subprocess.Popen([binary], cwd=directory, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    program.stdin.write(b"\033[B\033[B\r")
    program.stdin.flush()
    seen = b""
    while b"!!! Done !!!" not in seen:
        chunk = os.read(program.stdout.fileno(), 65536)
        if not chunk:
            raise SystemExit("pictoline ended without the done line")
        seen += chunk
    elapsed = time.perf_counter() - start
    program.kill()
    program.wait()
    return elapsed


def time_reference(directory):
    start = time.perf_counter()
    subprocess.run([sys.executable, "-S", "-c", REFERENCE, os.path.join(directory, "pic.bmp")], check=True)
    return time.perf_counter() - start


def main():
    binary = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 20
    with tempfile.TemporaryDirectory() as directory:
        open(os.path.join(directory, "pic.bmp"), "wb").write(bitmap(176, 132))
        ours = statistics.median(time_pictoline(binary, directory) for _ in range(runs))
        reference = statistics.median(time_reference(directory) for _ in range(runs))
    print("%-52s %8.2f ms" % ("pictoline, 176 x 132 through a pipe, to the done line", ours * 1000))
    print("%-52s %8.2f ms" % ("reference script (python3 -S), same packing", reference * 1000))
    print("%-52s %8.2f" % ("ratio pictoline / reference", ours / reference))


if __name__ == "__main__":
    main()
