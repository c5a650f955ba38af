#!/usr/bin/env python3
"""Draws the program's icon, a camera seen from the front, at the sizes the desktop's
icon theme asks for (tessaly22.png, tessaly24.png, ...). The drawing is that of the
hand-made tessaly16/32/48.png, described on their 48 x 48 grid and sampled 4 x 4 times
per pixel so that larger sizes come out smooth. Plain Python, no imaging library.

usage: make_icons.py FOLDER SIZE [SIZE ...]"""
import math
import os
import struct
import sys
import zlib

OUTLINE = (20, 30, 40)
BODY = (52, 73, 94)
RING = (210, 225, 240)
LENS = (40, 110, 180)
FLASH = (240, 200, 60)


def rounded_box(x, y, left, top, right, bottom, radius):
    """True inside the rectangle with rounded corners."""
    if not (left <= x <= right and top <= y <= bottom):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return math.hypot(x - cx, y - cy) <= radius


def colour_at(x, y):
    """The colour of the point (x, y) of the 48 x 48 grid, or None where it is clear."""
    lens = math.hypot(x - 24, y - 27.5)
    if lens <= 4.6:
        return LENS
    if lens <= 8.0:
        return RING
    if lens <= 9.2:
        return OUTLINE
    if 33 <= x <= 40 and 16.5 <= y <= 20.5:
        return FLASH
    if rounded_box(x, y, 4, 15, 44, 41, 3):
        return BODY
    if rounded_box(x, y, 3, 14, 45, 42, 4):
        return OUTLINE
    if rounded_box(x, y, 14.5, 9.5, 24.5, 15, 1):
        return BODY
    if rounded_box(x, y, 13.5, 8.5, 25.5, 15, 1.5):
        return OUTLINE
    return None


def draw(size, samples=4):
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            r = g = b = a = 0
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * 48 / size
                    y = (py + (sy + 0.5) / samples) * 48 / size
                    c = colour_at(x, y)
                    if c is not None:
                        r, g, b, a = r + c[0], g + c[1], b + c[2], a + 1
            n = samples * samples
            row += bytes((r // a, g // a, b // a, 255 * a // n)) if a else bytes(4)
        rows.append(bytes(row))
    return rows


def png(size, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    folder = argv[1]
    for text in argv[2:]:
        size = int(text)
        with open(os.path.join(folder, f"tessaly{size}.png"), "wb") as out:
            out.write(png(size, draw(size)))


if __name__ == "__main__":
    main(sys.argv)
