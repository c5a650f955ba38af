#!/usr/bin/python3
"""Runs the retouch benchmarks (bench/retouch_bench.cpp) and their nearest equivalents in
Pillow in one go and prints both times with their ratio.

usage: bench/retouch_vs_pillow.py BUILD_DIR [REPETITIONS]

Each figure is the best of several repetitions (a repetition averages many calls), which
keeps the comparison steady on a busy machine. Both sides start from pictures made
before the timing; the Pillow calls make new images as Pillow always does.
"""
import json
import os
import subprocess
import sys
import time

from PIL import Image, ImageFilter

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build"
REPETITIONS = int(sys.argv[2]) if len(sys.argv) > 2 else 7


def tessaly_times():
    out = subprocess.run(
        [os.path.join(BUILD, "bench", "bench"), "--benchmark_filter=BM_Retouch",
         f"--benchmark_repetitions={REPETITIONS}", "--benchmark_min_time=0.2",
         "--benchmark_format=json"], check=True, capture_output=True, text=True).stdout
    best = {}
    for run in json.loads(out)["benchmarks"]:
        if run.get("run_type") != "iteration":
            continue
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[run["time_unit"]]
        name = run["run_name"].removeprefix("BM_Retouch")
        best[name] = min(best.get(name, float("inf")), run["real_time"] * scale)
    return best


def pillow_time(call):
    call()
    calls = 1
    start = time.perf_counter()
    call()
    once = time.perf_counter() - start
    calls = max(1, int(0.2 / max(once, 1e-6)))
    best = float("inf")
    for _ in range(REPETITIONS):
        start = time.perf_counter()
        for _ in range(calls):
            call()
        best = min(best, (time.perf_counter() - start) / calls)
    return best * 1000


def noise(size, mode="RGB"):
    return Image.frombytes("RGB", size, os.urandom(size[0] * size[1] * 3)).convert(mode) if mode != "RGB" \
        else Image.frombytes("RGB", size, os.urandom(size[0] * size[1] * 3))


def tables():
    brightness = [max(0, min(255, v + 40)) for v in range(256)]
    contrast = [max(0, min(255, int((0.5 + 200 / 256) * (v - 128) + 128))) for v in range(256)]
    colour = [min(255, v + 30) for v in range(256)] + [max(0, v - 20) for v in range(256)] + list(range(256))
    return brightness * 3, contrast * 3, colour


def main():
    large = noise((1280, 1024))
    camera = noise((640, 480))
    palette = Image.frombytes("P", (1280, 1024), os.urandom(1280 * 1024))
    palette.putpalette([(i * 7) % 256 for i in range(768)])
    brightness, contrast, colour = tables()

    def fit():
        canvas = Image.new("RGB", (640, 480), "white")
        canvas.paste(large.resize((600, 480), Image.NEAREST), (20, 0))
        return canvas

    rows = [
        ("Brightness", "1280x1024 brightness", "point(table)", lambda: large.point(brightness)),
        ("Contrast", "1280x1024 contrast", "point(table)", lambda: large.point(contrast)),
        ("Color", "1280x1024 colour (R, G, B)", "point(3 tables)", lambda: large.point(colour)),
        ("Sharpen", "1280x1024 sharpen", "filter(SHARPEN)", lambda: large.filter(ImageFilter.SHARPEN)),
        ("Soften", "1280x1024 soften (5x5)", "filter(BoxBlur(2))", lambda: large.filter(ImageFilter.BoxBlur(2))),
        ("Mosaic", "1280x1024 mosaic (8x8)", "reduce(8).resize(NEAREST)",
         lambda: large.reduce(8).resize(large.size, Image.NEAREST)),
        ("Rotate90", "1280x1024 rotate 90", "transpose(ROTATE_270)",
         lambda: large.transpose(Image.Transpose.ROTATE_270)),
        ("Scale50", "1280x1024 scale 50%", "resize(NEAREST)", lambda: large.resize((640, 512), Image.NEAREST)),
        ("Convert8", "1280x1024 8-bit to 24", "convert('RGB')", lambda: palette.convert("RGB")),
        ("Rotate30", "640x480 rotate 30", "rotate(30, BILINEAR, expand)",
         lambda: camera.rotate(30, Image.BILINEAR, expand=True)),
        ("Scale200", "640x480 scale 200%", "resize(NEAREST)", lambda: camera.resize((1280, 960), Image.NEAREST)),
        ("FitCamera", "1280x1024 fit camera", "resize(NEAREST)+paste", fit),
    ]
    ours = tessaly_times()
    print(f"{'operation':28} {'Pillow equivalent':30} {'Tessaly ms':>10} {'Pillow ms':>10} {'ratio':>6}")
    worst = 0.0
    for key, label, equivalent, call in rows:
        theirs = pillow_time(call)
        ratio = ours[key] / theirs
        worst = max(worst, ratio)
        print(f"{label:28} {equivalent:30} {ours[key]:10.3f} {theirs:10.3f} {ratio:6.2f}")
    print(f"largest ratio {worst:.2f} (goal: at most 1.00)")


if __name__ == "__main__":
    main()
