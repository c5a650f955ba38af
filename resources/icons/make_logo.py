#!/usr/bin/env python3
"""Draws the start-up logo of Tessaly (logo.png): a lake at dawn seen through a camera's
viewfinder, a band of mosaic tiles, and the program's name. Plain Python, no imaging
library: the picture is computed pixel by pixel and written as a PNG."""
import math
import struct
import sys
import zlib

W, H = 320, 200

# A 5 x 7 block font for the letters the logo needs.
GLYPHS = {
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "S": [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "Y": ["#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."],
}


def lerp(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def ridge(x, base, height, phases):
    return base - height * sum(math.sin(x * f + p) * w for f, p, w in phases)


def scene(x, y):
    horizon = 118
    # Sky: deep blue at the top through rose to gold at the horizon.
    if y < horizon:
        t = y / horizon
        sky = lerp((22, 38, 92), (214, 120, 132), min(1, t * 1.25)) if t < 0.8 else lerp((214, 120, 132), (250, 196, 120), (t - 0.8) / 0.2)
        # The sun, low over the far ridge, with a soft halo.
        d = math.hypot(x - 214, y - 96)
        if d < 17:
            return (255, 236, 176)
        if d < 40:
            sky = lerp(sky, (255, 214, 150), (40 - d) / 23 * 0.6)
        far = ridge(x, 104, 12, [(0.021, 0.4, 0.6), (0.057, 1.3, 0.3), (0.13, 2.0, 0.1)])
        near = ridge(x, 116, 20, [(0.013, 2.1, 0.7), (0.041, 0.2, 0.25), (0.11, 1.1, 0.05)])
        if y > near:
            return lerp((34, 46, 70), (48, 62, 86), (y - near) / 30)
        if y > far:
            return lerp((92, 78, 118), (120, 98, 136), (y - far) / 20)
        return sky
    # The lake mirrors the sky, darker, rippled.
    mirror = 2 * horizon - y + int(2 * math.sin(y * 0.9 + x * 0.05))
    r, g, b = scene(x, max(0, min(horizon - 1, mirror)))
    return (int(r * 0.62), int(g * 0.66), int(b * 0.78))


def tiles(x, y, top):
    # A band of triangles in warm and cool colours: the tessellation of the name.
    size = 16
    cx, cy = x // size, (y - top) // size
    u, v = (x % size) / size, ((y - top) % size) / size
    upper = u + v < 1 if (cx + cy) % 2 == 0 else u > v
    palette = [(196, 72, 58), (232, 160, 64), (60, 128, 168), (38, 84, 120), (120, 170, 90), (236, 212, 150)]
    colour = palette[(cx * 7 + cy * 3 + (1 if upper else 4)) % len(palette)]
    edge = min(u, v, 1 - u, 1 - v, abs(u + v - 1) if (cx + cy) % 2 == 0 else abs(u - v))
    return lerp((30, 30, 36), colour, min(1, edge * 10))


def main(path):
    band = H - 32
    pixels = [[(0, 0, 0)] * W for _ in range(H)]
    for y in range(H):
        for x in range(W):
            pixels[y][x] = tiles(x, y, band) if y >= band else scene(x, y)
    # A viewfinder's corner marks.
    for (x0, y0, dx, dy) in [(14, 14, 1, 1), (W - 15, 14, -1, 1), (14, band - 15, 1, -1), (W - 15, band - 15, -1, -1)]:
        for i in range(18):
            for t in range(2):
                pixels[y0 + t * dy][x0 + i * dx] = (250, 250, 250)
                pixels[y0 + i * dy][x0 + t * dx] = (250, 250, 250)
    # The name, with a shadow.
    scale, text = 6, "TESSALY"
    width = len(text) * 6 * scale - scale
    left, top = (W - width) // 2, 30
    for shadow, colour in ((3, (20, 24, 48)), (0, (255, 250, 240))):
        for k, letter in enumerate(text):
            for gy, row in enumerate(GLYPHS[letter]):
                for gx, cell in enumerate(row):
                    if cell != "#":
                        continue
                    for sy in range(scale):
                        for sx in range(scale):
                            px = left + k * 6 * scale + gx * scale + sx + shadow
                            py = top + gy * scale + sy + shadow
                            pixels[py][px] = colour
    raw = b"".join(b"\x00" + bytes(c for p in row for c in p) for row in pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as out:
        out.write(png)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "logo.png")
