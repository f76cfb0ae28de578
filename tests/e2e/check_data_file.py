#!/usr/bin/env python3
"""Checks a data file value by value against the picture as ImageMagick
decodes it: check_data_file.py PICTURE.bmp DATA.txt

Prints the first difference and exits 1, or exits 0 when every value, the
line structure and the dimension line agree."""
import subprocess
import sys


def expected_values(picture):
    size = subprocess.run(["identify", "-format", "%w %h", picture],
                          check=True, capture_output=True, text=True).stdout.split()
    width, height = int(size[0]), int(size[1])
    rgb = subprocess.run(["convert", picture, "-depth", "8", "rgb:-"],
                         check=True, capture_output=True).stdout
    # ImageMagick gives the top row first; the bitmap stores the bottom row first.
    values = []
    for y in reversed(range(height)):
        for x in range(width):
            r, g, b = rgb[3 * (y * width + x):3 * (y * width + x) + 3]
            values.append((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3))
    return width, height, values


def main():
    picture, data = sys.argv[1], sys.argv[2]
    width, height, expected = expected_values(picture)
    raw = open(data, "rb").read()
    if not raw.endswith(b"\r\n") or raw.replace(b"\r\n", b"").count(b"\n") != 0:
        sys.exit("lines do not all end in CR LF")
    lines = raw.split(b"\r\n")[:-1]
    if lines[4] != b"data %d, %d" % (width, height):
        sys.exit("dimension line: %r" % lines[4])
    values = []
    for line in lines[5:]:
        if line.startswith(b"data "):
            items = line[5:].split(b", ")
            if len(items) > 8 or not all(item.endswith(b"%") for item in items):
                sys.exit("malformed data line: %r" % line)
            values += [int(item[:-1]) for item in items]
    if len(values) != len(expected):
        sys.exit("%d values, expected %d" % (len(values), len(expected)))
    for i, (got, want) in enumerate(zip(values, expected)):
        if got != want:
            sys.exit("value %d is %d, expected %d" % (i + 1, got, want))


if __name__ == "__main__":
    main()
