#!/usr/bin/env python3
"""The known pictures of the --fit checks, and the check of a data file against one.

  picture_values.py make DIRECTORY   writes the pictures: known.ppm (6 x 4, colours
                                     the display shows exactly), alpha.pam (6 x 4 with
                                     alpha), and the bitmap kinds ImageMagick cannot write
  picture_values.py check DATA PICTURE [TOLERANCE [orientation]]
                                     exit 0 when DATA's values are PICTURE's pixels, in
                                     the bitmap's order, every channel within TOLERANCE
                                     (of its RGB565 steps); PICTURE turned a quarter
                                     clockwise first when the orientation is 6
"""
import re
import struct
import sys

WIDTH, HEIGHT = 6, 4


def known_pixels():
    # Colours the display shows exactly: each channel repeats its high bits.
    levels = [0, 0x21, 0x42, 0x84, 0xC6, 0xFF]
    return [[(levels[x], levels[(x + y) % 6], levels[(5 - y) % 6]) for x in range(WIDTH)]
            for y in range(HEIGHT)]


def alpha_pixels():
    alphas = [0, 1, 127, 128, 254, 255]
    return [[(200, 100 + 20 * y, 50, alphas[x]) for x in range(WIDTH)] for y in range(HEIGHT)]


def write_ppm(path, rows):
    body = bytes(c for row in rows for pixel in row for c in pixel)
    open(path, "wb").write(b"P6\n%d %d\n255\n" % (WIDTH, HEIGHT) + body)


def write_pam(path, rows):
    body = bytes(c for row in rows for pixel in row for c in pixel)
    head = b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n"
    open(path, "wb").write(head % (WIDTH, HEIGHT) + body)


def bitmap(rows, bits, top_down=False, header=40):
    """A bitmap of the rows: 24- or 32-bit (its fourth byte 0, as Paint writes it),
    with a 40-, 108- or 124-byte header."""
    width, height = len(rows[0]), len(rows)
    stride = (bits // 8 * width + 3) // 4 * 4
    stored = rows if top_down else list(reversed(rows))
    pixels = b""
    for row in stored:
        line = b"".join(bytes((b, g, r)) + (b"\0" if bits == 32 else b"") for r, g, b in row)
        pixels += line + bytes(stride - len(line))
    info = struct.pack("<IiiHHIIiiII", header, width, -height if top_down else height, 1, bits,
                       0, len(pixels), 2835, 2835, 0, 0)
    info += bytes(header - 40)
    offset = 14 + header
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + pixels


def read_picture(path):
    data = open(path, "rb").read()
    if data.startswith(b"P6"):
        head = re.match(rb"P6\s+(\d+)\s+(\d+)\s+\d+\s", data)
        w, h, body = int(head.group(1)), int(head.group(2)), data[head.end():]
        return [[tuple(body[3 * (y * w + x):3 * (y * w + x) + 3]) for x in range(w)] for y in range(h)]
    body = data[data.index(b"ENDHDR\n") + 7:]
    # Put over black: each channel times alpha / 255, rounded.
    return [[tuple((c * p[3] + 127) // 255 for c in p[:3]) for p in
             (body[4 * (y * WIDTH + x):4 * (y * WIDTH + x) + 4] for x in range(WIDTH))]
            for y in range(HEIGHT)]


def turned_quarter_clockwise(rows):
    return [[rows[len(rows) - 1 - x][y] for x in range(len(rows))] for y in range(len(rows[0]))]


def check(data_path, picture_path, tolerance=0, orientation=1):
    rows = read_picture(picture_path)
    if orientation == 6:
        rows = turned_quarter_clockwise(rows)
    text = open(data_path, "rb").read().decode("latin-1")
    size = re.search(r"^data (\d+), (\d+)\r$", text, re.M)
    if (int(size.group(1)), int(size.group(2))) != (len(rows[0]), len(rows)):
        print("size %sx%s, expected %dx%d" % (size.group(1), size.group(2), len(rows[0]), len(rows)))
        return 1
    values = [int(v) for v in re.findall(r"(\d+)%", text)]
    expected = [((r >> 3) << 11 | (g >> 2) << 5 | b >> 3) for row in reversed(rows) for r, g, b in row]
    fields = lambda v: (v >> 11, v >> 5 & 63, v & 31)
    for at, (got, want) in enumerate(zip(values, expected)):
        if any(abs(a - b) > tolerance for a, b in zip(fields(got), fields(want))):
            print("value %d is %d, expected %d" % (at, got, want))
            return 1
    return 0 if len(values) == len(expected) else 1


if __name__ == "__main__":
    if sys.argv[1] == "make":
        directory = sys.argv[2]
        write_ppm(directory + "/known.ppm", known_pixels())
        write_pam(directory + "/alpha.pam", alpha_pixels())
        rows = known_pixels()
        for name, bits, top_down, header in [("exact", 24, False, 40), ("v4", 24, False, 108),
                                             ("v5", 24, False, 124), ("topdown", 24, True, 40),
                                             ("rgbx", 32, False, 40)]:
            open("%s/%s.bmp" % (directory, name), "wb").write(bitmap(rows, bits, top_down, header))
        sys.exit(0)
    sys.exit(check(sys.argv[2], sys.argv[3], *[int(a) for a in sys.argv[4:]]))
