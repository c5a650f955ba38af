#!/bin/sh
# The code keeps the layout of .clang-format: lists every C and C++ file that
# clang-format would change, and fails when there is one. `clang-format -i FILE` mends a
# file. Every file is checked (about a second): a change anywhere is a changed file.
set -eu
cd "$(dirname "$0")/.."
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  files=$(git ls-files '*.c' '*.cpp' '*.h')
else
  files=$(find core app cli tools tests bench fuzz -name '*.c' -o -name '*.cpp' -o -name '*.h')
fi
# shellcheck disable=SC2086
report=$(clang-format --dry-run $files 2>&1 | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: warning:.*/\1/p' | sort -u)
if [ -n "$report" ]; then
  echo "not in the layout of .clang-format (clang-format -i FILE mends it):"
  echo "$report" | sed 's/^/  /'
  exit 1
fi
echo "every C and C++ file keeps the layout of .clang-format"
