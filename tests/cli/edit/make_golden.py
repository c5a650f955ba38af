#!/usr/bin/python3
"""Writes the inputs and cases.tsv of the `tessaly-cli edit` golden test.

The expected pictures come from the plain definitions of the operations written out
again here, one pixel at a time, independently of the C++ code; cases.tsv keeps a digest
of each (see digest()). Run it from anywhere; it writes next to itself. With a folder as
its argument it also writes the expected pictures there as BMP files, to look at when a
case fails. Only the standard library is used.
"""
import math
import os
import random
import struct
from fractions import Fraction

import sys

HERE = os.path.dirname(os.path.abspath(__file__))
INPUTS = os.path.join(HERE, "inputs")


# ------------------------------------------------------------------ pictures
class Pic:
    """width x height, rows bottom-up; 24-bit rows hold [b, g, r] lists, palette rows
    hold indices."""

    def __init__(self, w, h, bits=24, rows=None, table=None):
        self.w, self.h, self.bits = w, h, bits
        self.rows = rows if rows is not None else [[[0, 0, 0] for _ in range(w)] for _ in range(h)]
        self.table = table or []

    def copy(self):
        if self.bits == 24:
            rows = [[list(p) for p in row] for row in self.rows]
        else:
            rows = [list(row) for row in self.rows]
        return Pic(self.w, self.h, self.bits, rows, list(self.table))

    def line(self, y):  # from the top
        return self.rows[self.h - 1 - y]


def stride(w, bits):
    return ((w * bits + 7) // 8 + 3) // 4 * 4


def write_bmp(path, pic):
    rows = b""
    for row in pic.rows:
        if pic.bits == 24:
            data = bytes(c for p in row for c in p)
        elif pic.bits == 8:
            data = bytes(row)
        elif pic.bits == 4:
            padded = row + [0] * (len(row) % 2)
            data = bytes(padded[i] << 4 | padded[i + 1] for i in range(0, len(padded), 2))
        else:
            padded = row + [0] * (-len(row) % 8)
            data = bytes(sum(padded[i + k] << (7 - k) for k in range(8)) for i in range(0, len(padded), 8))
        rows += data.ljust(stride(pic.w, pic.bits), b"\0")
    table = b"".join(bytes([b, g, r, 0]) for (b, g, r) in pic.table)
    offset = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, pic.w, pic.h, 1, pic.bits, 0, len(rows), 2835, 2835,
                       len(pic.table) if pic.bits != 24 else 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + table + rows)


def digest(pic):
    """64-bit FNV-1a over "W H bits\n", the colour table (blue, green, red per entry) and
    the stored rows from the bottom, without padding: three bytes per 24-bit pixel, one
    index byte per palette pixel."""
    data = bytearray(f"{pic.w} {pic.h} {pic.bits}\n".encode())
    for entry in pic.table:
        data += bytes(entry)
    for row in pic.rows:
        data += bytes(c for p in row for c in p) if pic.bits == 24 else bytes(row)
    h = 0xcbf29ce484222325
    for byte in data:
        h = ((h ^ byte) * 0x100000001b3) & 0xFFFFFFFFFFFFFFFF
    return "%016x" % h


def clamp(v):
    return max(0, min(255, v))


def trunc(v):
    return math.trunc(v)


# ------------------------------------------------------------------ operations
class Refused(Exception):
    pass


NEEDS_24 = "Cannot edit with this color condition.\nConvert to 24 bit colors."
CANNOT_ROTATE = "The picture size exceeds the maximum size.\nCannot rotate picture."
ENLARGE = "An image can be enlarged up to maximum 1280x1024 pixels."
TOO_SMALL = "The picture would become smaller than one pixel."
NOTHING_TO_UNDO = "There is nothing to undo."
OUTSIDE = "The selection lies outside the picture."


def need24(p):
    if p.bits != 24:
        raise Refused(NEEDS_24)


def point(p, table_of_byte):
    # Brightness and contrast also change the row padding, which the comparison ignores.
    for row in p.rows:
        for px in row:
            for c in range(3):
                px[c] = table_of_byte(px[c])


def brightness(p, slider):
    o = slider - 128
    point(p, lambda v: clamp(v + o))


def f32(x):
    return struct.unpack("f", struct.pack("f", x))[0]


def contrast(p, slider):
    f = f32((slider * 0.390625 + 50) * f32(0.01))
    # f is a whole number of 256ths, so the single-precision steps are exact.
    point(p, lambda v: clamp(trunc(f32(f32(f * (v - 128)) + 128))))


def curve(offset):
    k = 127 - trunc(offset / 2)
    if k == 127:
        return list(range(256))
    out = []
    for x in range(256):
        if x < k:
            value = Fraction(x * (255 - k), k)
        else:
            h = Fraction(k, 255 - k)
            value = x * h + 255 - 255 * h
        out.append(clamp(math.floor(value)))
    return out


def color(p, r, g, b):
    for channel, slider in ((2, r), (1, g), (0, b)):
        table = curve(slider - 128)
        for row in p.rows:
            for px in row:
                px[channel] = table[px[channel]]


def sharpen(p):
    src = p.copy()
    for y in range(1, p.h - 1):
        for x in range(1, p.w - 1):
            for c in range(3):
                v = lambda xx, yy: src.rows[yy][xx][c]
                d = 4 * v(x, y) - v(x - 1, y) - v(x + 1, y) - v(x, y - 1) - v(x, y + 1)
                p.rows[y][x][c] = clamp(v(x, y) + trunc(0.4 * d))


def soften(p):
    src = p.copy()
    for y in range(p.h):
        for x in range(p.w):
            cells = [src.rows[yy][xx] for yy in range(max(0, y - 2), min(p.h, y + 3))
                     for xx in range(max(0, x - 2), min(p.w, x + 3))]
            p.rows[y][x] = [sum(cell[c] for cell in cells) // len(cells) for c in range(3)]


def mosaic(p, rect=None):
    l, t, r, b = rect if rect else (0, 0, p.w, p.h)
    l, t, r, b = max(l, 0), max(t, 0), min(r, p.w), min(b, p.h)
    if l >= r or t >= b:
        raise Refused(OUTSIDE)
    for top in range(t, b, 8):
        for left in range(l, r, 8):
            cells = [(x, y) for y in range(top, min(top + 8, b)) for x in range(left, min(left + 8, r))]
            mean = [sum(p.line(y)[x][c] for x, y in cells) // len(cells) for c in range(3)]
            for x, y in cells:
                p.line(y)[x] = list(mean)


def turn(p, w, h, source_of):
    rows = [[list(p.rows[sy][sx]) for sx, sy in (source_of(i, j) for i in range(w))] for j in range(h)]
    p.w, p.h, p.rows = w, h, rows


def rotate_right(p):
    if p.h > 1280 or p.w > 1024:
        raise Refused(CANNOT_ROTATE)
    W, H = p.w, p.h
    turn(p, H, W, lambda i, j: (W - 1 - j, i))  # buffer (x, y) -> (y, W - 1 - x)


def rotate_left(p):
    if p.h > 1280 or p.w > 1024:
        raise Refused(CANNOT_ROTATE)
    W, H = p.w, p.h
    turn(p, H, W, lambda i, j: (j, H - 1 - i))  # buffer (x, y) -> (H - 1 - y, x)


def rotate_180(p):
    W, H = p.w, p.h
    turn(p, W, H, lambda i, j: (W - 1 - i, H - 1 - j))


def table_value(f, d):
    return float("%.4f" % f(math.radians(d)))


def cos_sin(a):
    a %= 360
    q, r = divmod(a, 90)
    c, s = (table_value(math.cos, r), table_value(math.sin, r)) if r <= 45 else \
        (table_value(math.sin, 90 - r), table_value(math.cos, 90 - r))
    return [(c, s), (-s, c), (-c, -s), (s, -c)][q]


def rotate(p, degrees):
    c, s = cos_sin(degrees)
    W, H = p.w, p.h
    W2 = trunc(abs(H * s) + abs(W * c) + 0.5)
    H2 = trunc(abs(W * s) + abs(H * c) + 0.5)
    if W2 > 1280 or H2 > 1024:
        raise Refused(CANNOT_ROTATE)
    rows = [[[255, 255, 255] for _ in range(W2)] for _ in range(H2)]
    for j in range(H2):
        v = j - H2 // 2
        for i in range(W2):
            u = i - W2 // 2
            sx = u * c - v * s
            sy = v * c + u * s
            if not (0 <= W // 2 + sx < W and 0 <= H // 2 + sy < H):
                continue
            xi = trunc(sx) if sx > 0 else trunc(sx - 1)
            yi = trunc(sy) if sy > 0 else trunc(sy - 1)
            dx, dy = sx - xi, sy - yi
            X = min(max(xi + W // 2, 0), W - 1)
            Y = min(max(yi + H // 2, 0), H - 1)
            X1 = X + 1 if X + 1 < W else X
            Y1 = Y + 1 if Y + 1 < H else Y
            for k in range(3):
                q = lambda x, y: p.rows[y][x][k]
                value = (q(X, Y) * (1 - dx) + q(X1, Y) * dx) * (1 - dy) + (q(X, Y1) * (1 - dx) + q(X1, Y1) * dx) * dy
                rows[j][i][k] = clamp(trunc(value))
    p.w, p.h, p.rows = W2, H2, rows


def resample(p, W2, H2):
    r = p.w / W2
    turn(p, W2, H2, lambda i, j: (min(trunc(i * r), p.w - 1), min(trunc(j * r), p.h - 1)))


def scale(p, percent):
    W2, H2 = percent * p.w // 100, percent * p.h // 100
    if W2 > 1280 or H2 > 1024:
        raise Refused(ENLARGE)
    if W2 < 1 or H2 < 1:
        raise Refused(TOO_SMALL)
    resample(p, W2, H2)


def pad(p, CW, CH):
    rows = [[[255, 255, 255] for _ in range(CW)] for _ in range(CH)]
    left, bottom = (CW - p.w) // 2, (CH - p.h) // 2
    for j in range(p.h):
        for i in range(p.w):
            rows[bottom + j][left + i] = list(p.rows[j][i])
    p.w, p.h, p.rows = CW, CH, rows


def fit_camera(p):
    W, H = p.w, p.h
    if (W, H) in ((320, 240), (640, 480)):
        return False
    if W <= 320 and H <= 240:
        k, canvas = min(320 / W, 240 / H), (320, 240)
    elif W <= 640 and H <= 480:
        k, canvas = min(640 / W, 480 / H), (640, 480)
    else:
        k, canvas = 1 / max(W / 640, H / 480), (640, 480)
    resample(p, max(1, trunc(W * k)), max(1, trunc(H * k)))
    pad(p, *canvas)
    return True


def crop(p, l, t, r, b):
    l, t, r, b = max(l, 0), max(t, 0), min(r, p.w), min(b, p.h)
    if l >= r or t >= b:
        raise Refused(OUTSIDE)
    lines = [p.line(y)[l:r] for y in range(t, b)]
    p.w, p.h, p.rows = r - l, b - t, [[list(px) for px in line] for line in reversed(lines)]


def to24(p):
    if p.bits == 24:
        return False
    table = p.table + [(0, 0, 0)] * (256 - len(p.table))
    p.rows = [[list(table[i]) for i in row] for row in p.rows]
    p.bits, p.table = 24, []
    return True


def apply(pic, args):
    """Runs the operations as the retouch document does; returns the picture or raises
    Refused."""
    current, alternate, can_undo = pic.copy(), None, False
    i = 0

    def ints(n):
        nonlocal i
        values = [int(a) for a in args[i:i + n]]
        i += n
        return values

    while i < len(args):
        op = args[i]
        i += 1
        if op == "undo":
            if not can_undo:
                raise Refused(NOTHING_TO_UNDO)
            current, alternate = alternate, current
            continue
        work = current.copy()
        if op == "to24":
            changed = to24(work)
        else:
            need24(work)
            changed = True
            if op == "brightness":
                brightness(work, *ints(1))
            elif op == "contrast":
                contrast(work, *ints(1))
            elif op == "color":
                color(work, *ints(3))
            elif op == "sharpen":
                sharpen(work)
            elif op == "soften":
                soften(work)
            elif op == "mosaic":
                rect = ints(4) if i < len(args) and args[i].isdigit() else None
                mosaic(work, rect)
            elif op == "rotate-right":
                rotate_right(work)
            elif op == "rotate-left":
                rotate_left(work)
            elif op == "rotate-180":
                rotate_180(work)
            elif op == "rotate":
                rotate(work, *ints(1))
            elif op == "scale":
                scale(work, *ints(1))
            elif op == "fit-camera":
                changed = fit_camera(work)
            elif op == "crop":
                crop(work, *ints(4))
            else:
                raise ValueError(op)
        if changed:
            current, alternate, can_undo = work, current, True
    return current


# ------------------------------------------------------------------ inputs and cases
def noise(w, h, seed):
    rnd = random.Random(seed)
    return Pic(w, h, 24, [[[rnd.randrange(256) for _ in range(3)] for _ in range(w)] for _ in range(h)])


def gradient(w, h):
    return Pic(w, h, 24, [[[(x * 255) // max(1, w - 1), (y * 255) // max(1, h - 1), (x + y) % 256]
                           for x in range(w)] for y in range(h)])


def palette(w, h, bits, seed):
    rnd = random.Random(seed)
    n = 1 << bits
    table = [(rnd.randrange(256), rnd.randrange(256), rnd.randrange(256)) for _ in range(n)]
    return Pic(w, h, bits, [[rnd.randrange(n) for _ in range(w)] for _ in range(h)], table)


def white_dot(w, h):
    p = Pic(w, h)
    p.line(h // 2)[w // 2] = [255, 255, 255]
    return p


INPUT_PICTURES = {
    "rgb-37x23.bmp": lambda: noise(37, 23, 1),
    "gradient-40x30.bmp": lambda: gradient(40, 30),
    "dot-9x7.bmp": lambda: white_dot(9, 7),
    "rgb-160x100.bmp": lambda: gradient(160, 100),
    "rgb-321x10.bmp": lambda: noise(321, 10, 2),
    "rgb-1025x2.bmp": lambda: noise(1025, 2, 3),
    "rgb-3x40.bmp": lambda: noise(3, 40, 4),
    "pal8-13x9.bmp": lambda: palette(13, 9, 8, 5),
    "pal4-11x7.bmp": lambda: palette(11, 7, 4, 6),
    "pal1-19x5.bmp": lambda: palette(19, 5, 1, 7),
}

# name, input, operations
CASES = [
    ("brightness-low", "rgb-37x23.bmp", "brightness 0"),
    ("brightness-high", "rgb-37x23.bmp", "brightness 230"),
    ("contrast-0", "rgb-37x23.bmp", "contrast 0"),
    ("contrast-255", "gradient-40x30.bmp", "contrast 255"),
    ("color-red-full", "gradient-40x30.bmp", "color 255 128 128"),
    ("color-mixed", "rgb-37x23.bmp", "color 10 200 77"),
    ("color-neutral", "rgb-37x23.bmp", "color 128 128 128"),
    ("sharpen", "rgb-37x23.bmp", "sharpen"),
    ("sharpen-dot", "dot-9x7.bmp", "sharpen"),
    ("soften", "rgb-37x23.bmp", "soften"),
    ("mosaic", "rgb-37x23.bmp", "mosaic"),
    ("mosaic-selection", "rgb-37x23.bmp", "mosaic 3 3 20 17"),
    ("mosaic-clipped", "rgb-37x23.bmp", "mosaic 30 20 90 90"),
    ("rotate-right", "gradient-40x30.bmp", "rotate-right"),
    ("rotate-left", "gradient-40x30.bmp", "rotate-left"),
    ("rotate-180", "rgb-37x23.bmp", "rotate-180"),
    ("rotate-30", "gradient-40x30.bmp", "rotate 30"),
    ("rotate-45", "rgb-37x23.bmp", "rotate 45"),
    ("rotate-90-free", "rgb-37x23.bmp", "rotate 90"),
    ("rotate-330", "gradient-40x30.bmp", "rotate 330"),
    ("scale-25", "rgb-37x23.bmp", "scale 25"),
    ("scale-50", "rgb-37x23.bmp", "scale 50"),
    ("scale-200", "rgb-37x23.bmp", "scale 200"),
    ("scale-400", "rgb-37x23.bmp", "scale 400"),
    ("fit-camera-small", "rgb-160x100.bmp", "fit-camera"),
    ("fit-camera-thin", "rgb-321x10.bmp", "fit-camera"),
    ("crop", "rgb-37x23.bmp", "crop 5 3 30 20"),
    ("crop-clipped", "rgb-37x23.bmp", "crop 30 10 100 100"),
    ("to24-pal8", "pal8-13x9.bmp", "to24"),
    ("to24-pal4", "pal4-11x7.bmp", "to24"),
    ("to24-pal1", "pal1-19x5.bmp", "to24"),
    ("to24-rgb", "rgb-37x23.bmp", "to24"),
    ("to24-then-tools", "pal8-13x9.bmp", "to24 sharpen rotate-right brightness 100"),
    ("to24-undone", "pal4-11x7.bmp", "to24 undo"),
    ("undo", "rgb-37x23.bmp", "sharpen undo"),
    ("undo-twice", "rgb-37x23.bmp", "rotate-left undo undo"),
    ("undo-after-chain", "rgb-37x23.bmp", "soften mosaic undo"),
    ("chain", "gradient-40x30.bmp", "contrast 60 rotate 17 crop 2 2 30 25 scale 200 color 0 255 99"),
    ("fit-camera-noop-undo", "rgb-37x23.bmp", "sharpen fit-camera undo"),
    ("refused-palette-tool", "pal8-13x9.bmp", "sharpen"),
    ("refused-rotate-right", "rgb-1025x2.bmp", "rotate-right"),
    ("refused-rotate-left", "rgb-1025x2.bmp", "brightness 10 rotate-left"),
    ("refused-rotate-free", "rgb-1025x2.bmp", "rotate 90"),
    ("refused-scale-up", "rgb-321x10.bmp", "scale 400"),
    ("refused-scale-down", "rgb-3x40.bmp", "scale 25"),
    ("refused-undo", "rgb-37x23.bmp", "undo"),
    ("refused-crop-outside", "rgb-37x23.bmp", "crop 40 0 50 10"),
    ("refused-mosaic-outside", "rgb-37x23.bmp", "mosaic 0 30 10 40"),
]


def main():
    expected = sys.argv[1] if len(sys.argv) > 1 else None
    os.makedirs(INPUTS, exist_ok=True)
    pictures = {}
    for name, make in INPUT_PICTURES.items():
        pictures[name] = make()
        write_bmp(os.path.join(INPUTS, name), pictures[name])
    lines = ["# name\tinput\toperations\texit status\tstderr (\\n for line breaks)\tpixel digest"]
    for name, source, operations in CASES:
        try:
            result = apply(pictures[source], operations.split())
            if expected:
                os.makedirs(expected, exist_ok=True)
                write_bmp(os.path.join(expected, name + ".bmp"), result)
            lines.append("\t".join([name, source, operations, "0", "", digest(result)]))
        except Refused as refusal:
            lines.append("\t".join([name, source, operations, "1", str(refusal).replace("\n", "\\n"), "-"]))
    with open(os.path.join(HERE, "cases.tsv"), "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
