#!/bin/sh
# The end of the session (SIGTERM, what a logout sends) while the program is busy: during
# an album build with a refusal message up, during a camera listing, with a modal dialog
# open, and with a picture window waiting on a clipboard that does not answer. Each time the program must end within 2 seconds, with status 0, without an
# assertion, and with its settings written. Runs on an X display of its own under openbox.
#
# Usage: session_end_e2e.sh PROGRAM EMULATOR
set -eu
program=$1
emulator=$2
. "$(dirname "$0")/e2e_lib.sh"
e2e_workspace

mkdir -m 700 "$work/run"
mkdir "$work/config" "$work/state" "$work/album"
export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/config"
export XDG_STATE_HOME="$work/state" XDG_CACHE_HOME="$work/cache" TESSALY_INI="$work/config/Tessaly.ini"
for slot in 1 2 3 4; do export "TESSALY_COM$slot=$work/no-such-tty$slot"; done
export LANGUAGE= LC_ALL=C.UTF-8 LANG=C.UTF-8
unset WAYLAND_DISPLAY GDK_BACKEND || true

openbox --config-file /dev/null >"$work/openbox-wm.log" 2>&1 &
pids="$pids $!"
wait_for 60 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' || fail "openbox did not start"

# A visible window of the program whose title is exactly $2.
window_titled() {
  for window in $(xdotool search --onlyvisible --pid "$1" --name . 2>/dev/null); do
    [ "$(xdotool getwindowname "$window" 2>/dev/null)" = "$2" ] && return 0
  done
  return 1
}
# A dialog of the program (a window of type dialog) titled $2.
dialog_titled() {
  for window in $(xdotool search --onlyvisible --pid "$1" --name . 2>/dev/null); do
    [ "$(xdotool getwindowname "$window" 2>/dev/null)" = "$2" ] || continue
    xprop -id "$window" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_DIALOG && return 0
  done
  return 1
}

# end_by_sigterm NAME PID: SIGTERM, then the program must be gone within 2 s.
end_by_sigterm() {
  started=$(date +%s%N)
  kill -TERM "$2"
  ended=""
  for _ in $(seq 1 60); do
    if ! kill -0 "$2" 2>/dev/null; then ended=$(date +%s%N); break; fi
    sleep 0.05
  done
  [ -n "$ended" ] || fail "$1: still running 3 s after SIGTERM"
  status=0
  wait "$2" || status=$?
  took=$(( (ended - started) / 1000000 ))
  [ "$took" -lt 2000 ] || fail "$1: took $took ms to end"
  [ "$status" -eq 0 ] || fail "$1: SIGTERM ended the program with status $status"
  if grep -n 'assert "' "$work/$1.log"; then fail "$1: an assertion failed"; fi
  grep -q '^\[Last Window\]' "$TESSALY_INI" 2>/dev/null || fail "$1: the settings were not written"
  echo "$1: ended $took ms after SIGTERM with status 0, settings written"
}

echo "== an album build with a refusal message up"
for name in a b c d; do head -c 3000 /dev/urandom >"$work/album/$name.jpg"; done
rm -f "$TESSALY_INI"
"$program" "$work/album" >"$work/album_build.log" 2>&1 &
pid=$!
pids="$pids $pid"
wait_for 60 dialog_titled "$pid" Tessaly || fail "album_build: no message box came up"
end_by_sigterm album_build "$pid"

echo "== a camera listing"
"$emulator" --realtime --generate 12 --path-file "$work/tty" >"$work/emulator.log" 2>&1 &
pids="$pids $!"
wait_for 30 test -s "$work/tty" || fail "the emulator gave no device"
rm -f "$TESSALY_INI"
TESSALY_COM1=$(cat "$work/tty") "$program" >"$work/camera_job.log" 2>&1 &
pid=$!
pids="$pids $pid"
wait_for 60 window_titled "$pid" Tessaly || fail "camera_job: no main window"
sleep 0.5
xdotool key --clearmodifiers Escape alt+c a
wait_for 60 window_titled "$pid" "Processing Status" || fail "camera_job: the listing did not start"
sleep 0.5
end_by_sigterm camera_job "$pid"

echo "== a modal dialog"
rm -f "$TESSALY_INI"
"$program" >"$work/about.log" 2>&1 &
pid=$!
pids="$pids $pid"
wait_for 60 window_titled "$pid" Tessaly || fail "about: no main window"
sleep 0.5
xdotool key --clearmodifiers Escape alt+h a
wait_for 30 dialog_titled "$pid" About || fail "about: the About box did not open"
end_by_sigterm about "$pid"

echo "== a picture window waiting on the clipboard"
# The window asks the clipboard whether it offers a picture (for Paste), and its owner
# never answers. A window that waited for the answer would be inside that wait when the
# signal comes, and the end must not close the window under it.
write_bmp "$work/picture.bmp" 64 48 160 90 40 || fail "clipboard: the picture could not be written"
python3 "$(dirname "$0")/silent_clipboard.py" >"$work/clipboard.out" 2>&1 &
pids="$pids $!"
wait_for 30 grep -q owned "$work/clipboard.out" || fail "clipboard: the silent owner did not take the clipboard"
rm -f "$TESSALY_INI"
"$program" "$work/picture.bmp" >"$work/clipboard.log" 2>&1 &
pid=$!
pids="$pids $pid"
wait_for 60 window_titled "$pid" Tessaly || fail "clipboard: no main window"
sleep 1
end_by_sigterm clipboard "$pid"
echo "PASS"
