#!/usr/bin/env python3
"""The program's layers include only what lies below them.

From the bottom: the core (core/, no wx at all), the ui, the windows (the camera and
album windows beside the retouch window, neither including the other), and the shell on
top (app/). The command-line programs stand on the core alone. Every `#include` of the
sources is read, resolved as the compiler resolves it (beside the including file first,
then from core/, app/ and the top folder), and each one that reaches a layer its file may
not see is listed; so is a file name used in two layers, which would read as one file.

Usage: check_layers.py TOP [--pretend FILE INCLUDE]...
--pretend adds an include line to a file as if it were written there, to show that the
check notices it.
"""

import argparse
import pathlib
import re
import sys

# Folders, most specific first, and the layer each belongs to.
FOLDERS = [
    ("core/", "core"),
    ("app/ui/", "ui"),
    ("app/windows/", "windows"),
    ("app/retouch_window/", "retouch window"),
    ("app/shell/", "shell"),
    ("cli/", "programs over the core"),
    ("tools/", "programs over the core"),
]

# The folders the compiler is told to look in, after the including file's own.
INCLUDE_ROOTS = ["core", "app", "."]

# What each layer may include besides itself.
BELOW = {
    "core": {"core"},
    "ui": {"core", "ui"},
    "windows": {"core", "ui", "windows"},
    "retouch window": {"core", "ui", "retouch window"},
    "shell": {"core", "ui", "windows", "retouch window", "shell"},
    "programs over the core": {"core", "programs over the core"},
}

# Layers that include no header of the toolkit either.
WITHOUT_WX = {"core"}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
SOURCES = {".h", ".hpp", ".c", ".cc", ".cpp"}


def layer_of(relative):
    for folder, layer in FOLDERS:
        if relative.startswith(folder):
            return layer
    return None


def resolve(top, including, name, quoted):
    """The included file relative to top, or None for a header from outside."""
    candidates = [including.parent / name] if quoted else []
    candidates += [top / root / name for root in INCLUDE_ROOTS]
    for candidate in candidates:
        if candidate.is_file():
            try:
                return candidate.resolve().relative_to(top.resolve()).as_posix()
            except ValueError:
                return None
    return None


def check(top, pretend):
    problems = []
    checked = 0
    layers_of_name = {}
    for path in sorted(top.rglob("*")):
        relative = path.relative_to(top).as_posix()
        layer = layer_of(relative)
        if layer is None or path.suffix not in SOURCES or not path.is_file():
            continue
        checked += 1
        layers_of_name.setdefault(path.name, {}).setdefault(layer, relative)
        lines = path.read_text(encoding="utf-8", errors="replace").splitlines()
        lines += pretend.get(relative, [])
        for number, line in enumerate(lines, 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            quoted, name = match.group(1) == '"', match.group(2)
            target = resolve(top, path, name, quoted)
            if target is None:
                if layer in WITHOUT_WX and name.startswith("wx/"):
                    problems.append(f"{relative}:{number}: includes <{name}>, but the {layer} includes no wx header")
                continue
            target_layer = layer_of(target)
            if target_layer is not None and target_layer not in BELOW[layer]:
                problems.append(f"{relative}:{number}: includes {target}: the {layer} may not include the {target_layer}")
    for name, places in sorted(layers_of_name.items()):
        if len(places) > 1:
            problems.append(f"{name}: the same name in {', '.join(sorted(places.values()))}, which are different layers")
    return problems, checked


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("top", type=pathlib.Path)
    parser.add_argument("--pretend", nargs=2, action="append", default=[], metavar=("FILE", "INCLUDE"))
    args = parser.parse_args()
    pretend = {}
    for file, include in args.pretend:
        if not (args.top / file).is_file():
            sys.exit(f"check_layers: no file {file} to pretend an include in")
        pretend.setdefault(file, []).append(include)
    problems, count = check(args.top, pretend)
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} include(s) reach up the layers")
        return 1
    print(f"the includes of {count} files keep to the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main())
