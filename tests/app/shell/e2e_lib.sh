# Shared by the end-to-end scripts (sourced).

# wait_for SECONDS COMMAND...: until the command succeeds, looking 20 times a second.
wait_for() {
  limit=$(( $1 * 20 ))
  shift
  tries=0
  until "$@"; do
    tries=$((tries + 1))
    [ "$tries" -le "$limit" ] || return 1
    sleep 0.05
  done
}

# e2e_workspace: a folder of the run's own ($work), removed at the end with every process
# listed in $pids; fail MESSAGE says what went wrong, shows the logs in $work and ends.
e2e_workspace() {
  work=$(mktemp -d)
  pids=""
  trap e2e_cleanup EXIT
}
e2e_cleanup() {
  for pid in $pids; do kill -9 "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
fail() {
  echo "FAIL: $*" >&2
  for log in "$work"/*.log; do [ -f "$log" ] && { echo "--- $log" >&2; cat "$log" >&2; }; done
  exit 1
}

# write_bmp PATH WIDTH HEIGHT R G B: a 24-bit BMP file of one colour (python3 alone).
write_bmp() {
  python3 -c "
import struct, sys
path, width, height, r, g, b = sys.argv[1], *map(int, sys.argv[2:])
row = bytes([b, g, r] * width) + bytes((4 - width * 3 % 4) % 4)
pixels = row * height
header = struct.pack('<2sIHHI', b'BM', 54 + len(pixels), 0, 0, 54)
info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
open(path, 'wb').write(header + info + pixels)
" "$@"
}
