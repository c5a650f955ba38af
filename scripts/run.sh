#!/bin/sh
# Starts Tessaly from the build folder.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
exec "$top/build/shell/tessaly" "$@"
