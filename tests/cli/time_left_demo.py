#!/usr/bin/env python3
"""Shows how well tessaly-cli's time left for a save holds: a get-all of five pictures at
9600 bit/s against the emulator in real time, with stderr on a pseudo-terminal. Prints the
screen's "k of N" lines as they come, then, at the run's midpoint, the time left the screen
showed and the time that was really left.

usage: time_left_demo.py CLI EMULATOR [SIZE]   (SIZE: bytes of each picture, default 4000)
Not a test: it takes about a minute and measures wall time."""
import os
import pty
import re
import subprocess
import sys
import tempfile
import time


def main(cli, emulator, size=4000):
    work = tempfile.mkdtemp()
    card, out = os.path.join(work, "card"), os.path.join(work, "out")
    os.mkdir(card)
    for n in range(1, 6):
        with open(os.path.join(card, f"P{n}.JPG"), "wb") as picture:
            picture.write(os.urandom(size))
    path_file = os.path.join(work, "path")
    emu = subprocess.Popen([emulator, "--card", card, "--realtime", "--path-file", path_file],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        while not os.path.exists(path_file):
            time.sleep(0.05)
        device = open(path_file).read().strip()
        env = dict(os.environ, TESSALY_INI=os.path.join(work, "Tessaly.ini"),
                   TESSALY_COM2=os.path.join(work, "no2"), TESSALY_COM3=os.path.join(work, "no3"),
                   TESSALY_COM4=os.path.join(work, "no4"), LC_ALL="C")
        master, slave = pty.openpty()
        start = time.monotonic()
        cli_run = subprocess.Popen([cli, "camera", "--device", device, "--speed", "9600", "get-all", "--to", out],
                                   stdout=subprocess.PIPE, stderr=slave, stdin=subprocess.DEVNULL, env=env)
        os.close(slave)
        shown = []  # (seconds since start, the line as drawn)
        pending = b""
        while True:
            try:
                chunk = os.read(master, 4096)
            except OSError:
                break
            if not chunk:
                break
            now = time.monotonic() - start
            pending += chunk
            *lines, pending = re.split(rb"[\r\n]", pending)
            for line in lines:
                text = line.decode(errors="replace").replace("\x1b[K", "").strip()
                if text:
                    shown.append((now, text))
        summary = cli_run.stdout.read().decode().strip()
        cli_run.wait()
        end = time.monotonic() - start
    finally:
        emu.terminate()
        emu.wait()

    def left_of(text):
        match = re.search(r"(\d+):(\d\d) left", text)
        return int(match.group(1)) * 60 + int(match.group(2)) if match else None

    last_k = None
    for at, text in shown:
        k = text.split(":")[0]
        if k != last_k:
            print(f"{at:6.1f} s  {text}")
            last_k = k
    midpoint = end / 2
    before = [(at, text) for at, text in shown if at <= midpoint and left_of(text) is not None]
    at, text = before[-1]
    estimate, real = left_of(text), end - at
    print(f"\nsummary: {summary}")
    print(f"the run took {end:.1f} s; at its midpoint ({midpoint:.1f} s) the screen showed, since {at:.1f} s:")
    print(f"  {text}")
    print(f"time left shown: {estimate} s; really left: {real:.1f} s; "
          f"off by {100 * (estimate - real) / real:+.1f} %")
    return 0 if abs(estimate - real) <= 0.1 * real else 1


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2], *(int(a) for a in sys.argv[3:4])))
