#!/bin/sh
# Starts Tessaly from the build folder.
#
# When no camera port is configured (no TESSALY_COM1 ... TESSALY_COM4 in the environment,
# no entries in the section "Port Devices" of the settings file, and no USB serial device
# plugged in), the camera emulator is started with 12 pictures and port 1 points at it,
# so that every camera command can be tried at once; it is stopped when Tessaly ends.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
program="$top/build/app/shell/tessaly"
emulator="$top/build/tools/camera-emulator/tessaly-camera-emulator"

settings_file() {
  if [ -n "${TESSALY_INI:-}" ]; then
    echo "$TESSALY_INI"
  else
    echo "${XDG_CONFIG_HOME:-$HOME/.config}/tessaly/Tessaly.ini"
  fi
}

# True when the settings file names a device for one of the slots.
settings_name_a_port() {
  file=$(settings_file)
  [ -r "$file" ] || return 1
  awk '
    /^[ \t]*\[/ { section = tolower($0); gsub(/^[ \t]*\[|\][ \t\r]*$/, "", section); next }
    section == "port devices" {
      line = $0; sub(/\r$/, "", line)
      split(line, kv, "=")
      key = tolower(kv[1]); gsub(/[ \t]/, "", key)
      value = substr(line, index(line, "=") + 1); gsub(/^[ \t]+|[ \t]+$/, "", value)
      if (key ~ /^com[1-4]$/ && value != "") found = 1
    }
    END { exit found ? 0 : 1 }' "$file"
}

port_configured() {
  for slot in 1 2 3 4; do
    eval "value=\${TESSALY_COM$slot:-}"
    [ -n "$value" ] && return 0
  done
  settings_name_a_port && return 0
  for device in /dev/ttyUSB* /dev/ttyACM*; do
    [ -e "$device" ] && return 0
  done
  return 1
}

if port_configured || [ ! -x "$emulator" ]; then
  exec "$program" "$@"
fi

folder=$(mktemp -d)
"$emulator" --generate 12 --path-file "$folder/path" >/dev/null &
emulator_pid=$!
stop_emulator() {
  kill "$emulator_pid" 2>/dev/null || true
  wait "$emulator_pid" 2>/dev/null || true
  rm -rf "$folder"
}
trap stop_emulator EXIT
trap 'exit 130' INT TERM
tries=0
while [ ! -s "$folder/path" ]; do
  tries=$((tries + 1))
  if [ $tries -gt 200 ] || ! kill -0 "$emulator_pid" 2>/dev/null; then
    echo "run.sh: the camera emulator did not start; starting Tessaly without it" >&2
    stop_emulator
    trap - EXIT
    exec "$program" "$@"
  fi
  sleep 0.05
done
TESSALY_COM1=$(cat "$folder/path")
export TESSALY_COM1
echo "No camera port is configured: the camera emulator serves port 1 on $TESSALY_COM1 (12 pictures)." >&2
status=0
"$program" "$@" || status=$?
exit $status
