#!/usr/bin/env python3
"""Writes a 24-bit bitmap of a colour gradient: make_bitmap.py PATH WIDTH HEIGHT [OFFSET].
With OFFSET the pixels start there, the bytes before them a hole of a
sparse file. Imported, bitmap(width, height) gives its bytes."""
import sys


def write_far(path, width, height, offset):
    """The bitmap with its pixels at offset: a sparse file, however far."""
    whole = bitmap(width, height)
    header = whole[:10] + (offset & 0xFFFFFFFF).to_bytes(4, "little") + whole[14:54]
    with open(path, "wb") as out:
        out.write(header)
        out.seek(offset)
        out.write(whole[54:])


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
    if len(sys.argv) > 4:
        write_far(path, width, height, int(sys.argv[4], 0))
    else:
        open(path, "wb").write(bitmap(width, height))
