#!/bin/sh
# The program as a file manager starts it: a later `tessaly FILE...` hands its files to
# the Tessaly already running on the display and ends with status 0; a killed program's
# socket does not block the next start; a stopped program keeps no start waiting for
# long; two starts at once give one program with both files; another display gets a
# program of its own; a start with a launcher's startup id hands over too. Runs on an X
# display (xvfb-run) with folders of its own.
#
# Usage: single_instance_e2e.sh PROGRAM CLI
#
# The running program tells what it has open through TESSALY_TEST_OPENED: after start-up
# and after each hand-over it writes the paths of its documents there, one a line.
set -eu
absolute() { (cd "$(dirname "$1")" && echo "$(pwd)/$(basename "$1")"); }
program=$(absolute "$1")
cli=$(absolute "$2")
work=$(mktemp -d)
pids=""
cleanup() {
  for pid in $pids; do kill -CONT "$pid" 2>/dev/null || true; kill -9 "$pid" 2>/dev/null || true; done
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -m 700 "$work/run"
mkdir "$work/config" "$work/pictures"
export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/config"
export TESSALY_INI="$work/config/Tessaly.ini" TESSALY_TEST_OPENED="$work/opened"
# No camera: every port slot names a device that does not exist.
for slot in 1 2 3 4; do export "TESSALY_COM$slot=$work/no-such-tty$slot"; done
export LANGUAGE= LC_ALL=C.UTF-8 LANG=C.UTF-8
unset WAYLAND_DISPLAY GDK_BACKEND || true

fail() {
  echo "FAIL: $*" >&2
  for log in "$work"/*.log "$work"/opened*; do [ -f "$log" ] && { echo "--- $log" >&2; cat "$log" >&2; }; done
  exit 1
}
. "$(dirname "$0")/e2e_lib.sh"
listed() { grep -qxF -- "$2" "$1" 2>/dev/null; }
# up PID FILE: the program PID has written its list of documents to FILE (or has died).
up() { test -f "$2" || ! kill -0 "$1" 2>/dev/null; }
ended() { ! kill -0 "$1" 2>/dev/null; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
# hand_over FILE...: a later start, which must end with status 0; prints how long it took.
hand_over() {
  start=$(now_ms)
  "$program" "$@" >"$work/later.log" 2>&1 || fail "tessaly $* ended with status $?"
  echo "handed over in $(( $(now_ms) - start )) ms: $*"
}

# A one-pixel BMP, made into JPEG files by the command-line tool.
printf 'BM:\000\000\000\000\000\000\000\066\000\000\000(\000\000\000\001\000\000\000\001\000\000\000\001\000\030\000\000\000\000\000\004\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\377\000' \
  > "$work/dot.bmp"
shiftjis=$(printf '\216\312\220\136.jpg')
for name in a b c d e f g h i "$shiftjis"; do
  "$cli" convert "$work/dot.bmp" "$work/pictures/${name%.jpg}.jpg" >/dev/null || fail "cannot make $name"
done
pictures="$work/pictures"
cd "$pictures"

echo "== no program running: the start is the program"
"$program" >"$work/first.log" 2>&1 &
first=$!
pids="$pids $first"
wait_for 120 up "$first" "$work/opened" && kill -0 "$first" || fail "the first start did not come up"
socket=$(ls "$work/run/tessaly/"instance-*.sock) || fail "no socket"

echo "== a later start hands its files over and ends"
hand_over a.jpg
wait_for 60 listed "$work/opened" "$pictures/a.jpg" || fail "a.jpg did not open in the running program"
hand_over "$shiftjis" "$pictures"
wait_for 60 listed "$work/opened" "$pictures/$shiftjis" || fail "the Shift-JIS name did not survive"
wait_for 60 listed "$work/opened" "$pictures" || fail "the folder did not open as an album"
hand_over
hand_over --lang ja b.jpg
wait_for 60 listed "$work/opened" "$pictures/b.jpg" || fail "b.jpg did not open"
kill -0 "$first" || fail "the running program ended"
[ ! -s "$work/later.log" ] || fail "a later start said something"

echo "== a start from a launcher with its startup id hands over as any other"
DESKTOP_STARTUP_ID="e2e-launcher-$$-tessaly-0_TIME4242" hand_over i.jpg
wait_for 60 listed "$work/opened" "$pictures/i.jpg" || fail "i.jpg did not open"
[ ! -s "$work/later.log" ] || fail "the start with a startup id said something"

echo "== a killed program's socket does not block the next start"
kill -9 "$first"
wait_for 30 ended "$first" || fail "the program did not die"
[ -S "$socket" ] || fail "the killed program left no socket: the case is not tried"
rm -f "$work/opened"
"$program" "$pictures/c.jpg" >"$work/second.log" 2>&1 &
second=$!
pids="$pids $second"
wait_for 120 listed "$work/opened" "$pictures/c.jpg" || fail "the start after a killed program did not come up"
hand_over d.jpg
wait_for 60 listed "$work/opened" "$pictures/d.jpg" || fail "the new program does not serve"

echo "== a stopped program keeps a later start waiting only for a while"
kill -STOP "$second"
start=$(now_ms)
TESSALY_TEST_OPENED="$work/opened-alone" "$program" "$pictures/e.jpg" >"$work/alone.log" 2>&1 &
alone=$!
pids="$pids $alone"
wait_for 120 listed "$work/opened-alone" "$pictures/e.jpg" || fail "the start did not go on on its own"
echo "started on its own after $(( $(now_ms) - start )) ms"
grep -q "does not answer" "$work/alone.log" || fail "the start did not say why it started on its own"
kill -9 "$alone"
wait_for 30 ended "$alone" || fail "the lone program did not end"
kill -CONT "$second"
hand_over f.jpg
wait_for 60 listed "$work/opened" "$pictures/f.jpg" || fail "the program does not serve after it went on"
! listed "$work/opened" "$pictures/e.jpg" || fail "the request the waiting start gave up was carried out too"
kill -9 "$second"
wait_for 30 ended "$second" || fail "the program did not die"

echo "== two starts at once: one program has both files"
rm -f "$work/opened"
"$program" "$pictures/g.jpg" >"$work/racer1.log" 2>&1 &
racer1=$!
"$program" "$pictures/h.jpg" >"$work/racer2.log" 2>&1 &
racer2=$!
pids="$pids $racer1 $racer2"
wait_for 120 listed "$work/opened" "$pictures/g.jpg" || fail "g.jpg did not open"
wait_for 120 listed "$work/opened" "$pictures/h.jpg" || fail "h.jpg did not open in the same program"
if ended "$racer1"; then survivor=$racer2; loser=$racer1; else survivor=$racer1; loser=$racer2; fi
wait_for 60 ended "$loser" || fail "neither start handed over"
wait "$loser" || fail "the start that handed over ended with status $?"
kill -0 "$survivor" || fail "the program that took both files ended"

echo "== another display, another program"
if command -v Xvfb >/dev/null 2>&1; then
  Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
  xvfb=$!
  if wait_for 60 test -s "$work/display"; then
    DISPLAY=:$(cat "$work/display") TESSALY_TEST_OPENED="$work/opened-other" "$program" "$pictures/a.jpg" \
      >"$work/other.log" 2>&1 &
    other=$!
    pids="$pids $other"
    wait_for 120 listed "$work/opened-other" "$pictures/a.jpg" || fail "no program of its own on another display"
    [ "$(ls "$work/run/tessaly/"instance-*.sock | wc -l)" -eq 2 ] || fail "not one socket per display"
  else
    echo "(no second X server: skipped)"
  fi
fi
echo "every case passed"
