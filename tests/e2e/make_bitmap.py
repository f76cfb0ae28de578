#!/usr/bin/env python3
"""Writes a 24-bit bitmap of a colour gradient: make_bitmap.py PATH WIDTH HEIGHT.
Imported, bitmap(width, height) gives its bytes."""
import sys


def bitmap(width, height):
    stride = (3 * width + 3) // 4 * 4
    rows = b""
    for y in range(height):
        row = bytes(v for x in range(width) for v in ((x * 7) & 255, (y * 5) & 255, (x ^ y) & 255))
        rows += row + bytes(stride - 3 * width)
    header = b"BM" + (54 + len(rows)).to_bytes(4, "little") + bytes(4) + (54).to_bytes(4, "little")
    info = (40).to_bytes(4, "little") + width.to_bytes(4, "little") + height.to_bytes(4, "little")
    info += (1).to_bytes(2, "little") + (24).to_bytes(2, "little") + bytes(24)
    return header + info + rows


if __name__ == "__main__":
    path, width, height = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    open(path, "wb").write(bitmap(width, height))
