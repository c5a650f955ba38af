#!/bin/sh
# tessaly-cli camera against the camera emulator: what it prints, the files it leaves,
# its exit status, and what went over the line (the emulator's log).
# Usage: camera_cli_test.sh CLI EMULATOR CASE   (exit 77 means skipped)
set -u
export LC_ALL=C
cli=$1
emulator=$2
case_name=$3
work=$(mktemp -d)
emulator_pid=
cleanup() {
  [ -n "$emulator_pid" ] && kill "$emulator_pid" 2>/dev/null && wait "$emulator_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export TESSALY_INI="$work/Tessaly.ini"
# Only port 1 exists unless a case says otherwise; the machine's own serial ports stay out.
export TESSALY_COM2="$work/no-tty2" TESSALY_COM3="$work/no-tty3" TESSALY_COM4="$work/no-tty4"
mkdir "$work/out" "$work/card"

fail() {
  echo "FAIL ($case_name): $*"
  for f in stdout stderr; do [ -f "$work/$f" ] && { echo "--- $f"; cat "$work/$f"; }; done
  exit 1
}

# start_emulator ARGS...: serves a pseudo-terminal; its device is in $device.
start_emulator() {
  "$emulator" "$@" --path-file "$work/path" --log "$work/log.jsonl" >/dev/null &
  emulator_pid=$!
  i=0
  while [ ! -s "$work/path" ]; do
    i=$((i + 1))
    [ $i -gt 400 ] && fail "the emulator did not start"
    sleep 0.05
  done
  device=$(cat "$work/path")
}

# run ARGS...: tessaly-cli camera with the emulator as port 1; output in out/err, status in $status.
run() {
  status=0
  "$cli" camera --device "$device" "$@" >"$work/stdout" 2>"$work/stderr" || status=$?
}

expect_status() { [ "$status" = "$1" ] || fail "exit status $status, expected $1"; }
expect_out() { printf '%s\n' "$1" | cmp -s - "$work/stdout" || fail "standard output differs from: $1"; }
expect_no_out() { [ ! -s "$work/stdout" ] || fail "standard output should be empty"; }
expect_err_has() { grep -qF -- "$1" "$work/stderr" || fail "stderr lacks: $1"; }
# Card files of the given sizes, named so that they sort in order, with varied bytes.
make_card() {
  n=0
  for size in "$@"; do
    n=$((n + 1))
    head -c "$size" /dev/urandom >"$work/card/P$n.JPG"
  done
}
# make_bmp PATH: a 200 x 100 white 24-bit BMP: headers, then 100 rows of 600 bytes.
make_bmp() {
  printf 'BM\226\352\000\000\000\000\000\000\066\000\000\000' >"$1"
  printf '\050\000\000\000\310\000\000\000\144\000\000\000\001\000\030\000' >>"$1"
  printf '\000\000\000\000\140\352\000\000\000\000\000\000\000\000\000\000' >>"$1"
  printf '\000\000\000\000\000\000\000\000' >>"$1"
  head -c 60000 /dev/zero | tr '\000' '\377' >>"$1"
}
# now_ms: the monotonic-enough wall clock in milliseconds.
now_ms() { echo $(($(date +%s%N) / 1000000)); }
# only_pictures DIR NAME...: DIR holds exactly these files, hidden ones included.
only_pictures() {
  dir=$1; shift
  held=$(ls -A "$dir" | tr '\n' ' ' | sed 's/ $//')
  [ "$held" = "$*" ] || fail "$dir holds: $held, expected: $*"
}
# stop_emulator: ends the emulator so that its log is complete.
stop_emulator() { kill "$emulator_pid" 2>/dev/null; wait "$emulator_pid" 2>/dev/null; emulator_pid=; }
# wait_log PATTERN [COUNT]: until the emulator's log has COUNT (1) lines with PATTERN.
wait_log() {
  i=0
  while [ "$(grep -c -- "$1" "$work/log.jsonl" 2>/dev/null)" -lt "${2:-1}" ]; do
    i=$((i + 1))
    [ $i -gt 600 ] && fail "the log never showed $1"
    sleep 0.05
  done
}
# json_check EXPRESSION: standard output is JSON lines that a JSON reader takes, "lines"
# being the list of objects, and the Python expression (then any asserts after it) holds.
json_check() {
  python3 -c '
import json, sys
lines = [json.loads(line) for line in open(sys.argv[1], encoding="utf-8")]
code = sys.argv[2].split("\n", 1)
assert eval(code[0]), lines
if len(code) > 1: exec(code[1])
' "$work/stdout" "$1" || fail "JSON output: $(cat "$work/stdout")"
}
# The picture numbers the host asked for with "RD".
pictures_read() {
  grep '"from":"host","frame":"RD"' "$work/log.jsonl" | sed 's/.*"data":"\(........\).*/\1/' | tr '\n' ' '
}

case "$case_name" in
count)
  start_emulator --generate 12
  run count
  expect_status 0
  expect_out 12
  ;;
list)
  start_emulator --generate 12
  run --quiet list
  expect_status 0
  expect_out "$(for i in 01 02 03 04 05 06 07 08 09 10 11 12; do echo "AUT_00$i.JPG"; done)"
  ;;
empty-camera)
  start_emulator --generate 0
  run list
  expect_status 0
  expect_no_out
  expect_err_has "No data in camera."
  ;;
get-skips-existing-before-transfer)
  make_card 3000 4000 5000
  start_emulator --card "$work/card"
  echo mine >"$work/out/AUT_0002.JPG"
  run --quiet get 1 2 3 --to "$work/out"
  expect_status 0
  expect_out "2 saved, 1 skipped, 0 failed, 0 not tried"
  expect_err_has "AUT_0002.JPG"
  [ "$(cat "$work/out/AUT_0002.JPG")" = mine ] || fail "the existing file was replaced"
  cmp -s "$work/card/P1.JPG" "$work/out/AUT_0001.JPG" || fail "picture 1 differs from the card"
  cmp -s "$work/card/P3.JPG" "$work/out/AUT_0003.JPG" || fail "picture 3 differs from the card"
  kill "$emulator_pid"; wait "$emulator_pid" 2>/dev/null; emulator_pid=
  [ "$(pictures_read)" = "00000001 00000003 " ] || fail "pictures read: $(pictures_read)"
  ;;
get-all-prefix-and-overwrite)
  make_card 1 500 501 12000
  start_emulator --card "$work/card"
  echo old >"$work/out/ABCD0004.JPG"
  run --prefix ABCD --speed 115200 get-all --to "$work/out" --overwrite
  expect_status 0
  expect_out "4 saved, 0 skipped, 0 failed, 0 not tried"
  for n in 1 2 3 4; do
    cmp -s "$work/card/P$n.JPG" "$work/out/ABCD000$n.JPG" || fail "picture $n differs from the card"
  done
  # The progress went to stderr, one line per finished picture when stderr is no terminal.
  for n in 1 2 3 4; do
    grep -qx "$n of 4: ABCD000$n.JPG, $(wc -c <"$work/card/P$n.JPG") bytes, saved" "$work/stderr" ||
      fail "no progress line for picture $n"
  done
  run --quiet get-all --to "$work/out"
  expect_status 0
  expect_out "4 saved, 0 skipped, 0 failed, 0 not tried"
  run --quiet --prefix ABCD get-all --to "$work/out"
  expect_out "0 saved, 4 skipped, 0 failed, 0 not tried"
  ;;
get-goes-on-after-a-missing-picture)
  make_card 700 800
  start_emulator --card "$work/card"
  run --quiet get 9 2 --to "$work/out"
  expect_status 1
  expect_out "1 saved, 0 skipped, 1 failed, 0 not tried"
  expect_err_has "AUT_0009.JPG: The camera has no such picture; its pictures are numbered 1 to 2."
  [ -f "$work/out/AUT_0002.JPG" ] || fail "picture 2 was not saved"
  ;;
get-stops-at-a-changed-card)
  make_card 700 800 900
  start_emulator --card "$work/card" --card-changed-after 2
  run --quiet get-all --to "$work/out"
  expect_status 1
  expect_out "1 saved, 0 skipped, 1 failed, 1 not tried; stopped: the memory card was changed"
  expect_err_has "Memory card is probably changed."
  [ ! -e "$work/out/AUT_0003.JPG" ] || fail "the save went on after the card change"
  ;;
get-short-picture-writes-nothing)
  make_card 1500
  start_emulator --card "$work/card" --size-extra 20
  run --quiet get 1 --to "$work/out"
  expect_status 1
  expect_out "0 saved, 0 skipped, 1 failed, 0 not tried"
  [ -z "$(ls -A "$work/out")" ] || fail "a partial file was left"
  ;;
thumbnails-with-placeholder)
  start_emulator --generate 3 --ng-thumbnail 2
  run --quiet thumbnails "$work/out"
  expect_status 0
  for n in 1 2 3; do
    f="$work/out/AUT_000$n.bmp"
    [ -f "$f" ] || fail "no $f"
    # 54 bytes of headers and 80 x 60 pixels of 3 bytes; 24 bits per pixel at offset 28.
    [ "$(wc -c <"$f")" = 14454 ] || fail "$f is not an 80x60 24-bit BMP"
    [ "$(od -An -tu2 -j28 -N2 "$f" | tr -d ' ')" = 24 ] || fail "$f is not 24-bit"
  done
  cmp -s "$work/out/AUT_0001.bmp" "$work/out/AUT_0002.bmp" && fail "the placeholder looks like a thumbnail"
  grep -q '"fault":"ng-thumbnail"' "$work/log.jsonl" || fail "the NG answer was not given"
  run --quiet thumbnails "$work/out"
  expect_status 0
  expect_out "0 saved, 3 skipped, 0 failed"
  ;;
silent-camera)
  start_emulator --generate 3 --silent-enqs 100000
  run --quiet count
  expect_status 1
  expect_no_out
  expect_err_has "Failed to communicate."
  ;;
missing-device)
  device="$work/no-such-tty"
  run count
  expect_status 1
  expect_err_has "The serial device does not exist."
  ;;
permission-denied)
  [ "$(id -u)" = 0 ] && exit 77
  start_emulator --generate 1
  chmod 000 "$device" || exit 77
  run count
  expect_status 1
  expect_err_has "Permission denied on the serial device."
  ;;
bad-prefix)
  start_emulator --generate 1
  run --prefix 'A/B' get-all --to "$work/out"
  expect_status 2
  expect_err_has "The file name contains the characters which are not allowed to use."
  [ -z "$(ls -A "$work/out")" ] || fail "files were written"
  ;;
usage-errors)
  device=/dev/null
  for args in "" "frobnicate" "get 1" "get-all" "get x --to $work/out" "get 0 --to $work/out" \
              "--speed 1234 count" "--port 5 count" "--port 1 count" "--prefix ABCDE list" \
              "thumbnails" "count extra" "--to $work/out list"; do
    status=0
    # shellcheck disable=SC2086
    "$cli" camera --device /dev/null $args >"$work/stdout" 2>"$work/stderr" || status=$?
    [ "$status" = 2 ] || fail "\"$args\" gave exit status $status, not 2"
  done
  "$cli" camera --help >"$work/stdout" || fail "--help failed"
  grep -q "get-all --to DIR" "$work/stdout" || fail "--help lacks get-all"
  ;;
ctrl-c-cancels)
  make_card 40000
  start_emulator --card "$work/card" --realtime
  "$cli" camera --device "$device" --speed 9600 get-all --to "$work/out" >"$work/out.txt" 2>"$work/stderr" &
  cli_pid=$!
  # Once the camera's blocks are coming, press Ctrl+C.
  i=0
  until grep -q '"from":"camera","frame":"DT"' "$work/log.jsonl" 2>/dev/null; do
    i=$((i + 1))
    [ $i -gt 600 ] && { kill "$cli_pid"; fail "no blocks came"; }
    sleep 0.05
  done
  kill -INT "$cli_pid"
  status=0
  wait "$cli_pid" || status=$?
  # Ended by Ctrl+C: 128 + SIGINT, as a shell reports it.
  expect_status 130
  expect_err_has "cancelled"
  [ -z "$(ls -A "$work/out")" ] || fail "a partial file was left"
  grep -q "0 saved, 0 skipped, 0 failed, 1 not tried; stopped: cancelled" "$work/out.txt" || fail "no summary line"
  kill "$emulator_pid"; wait "$emulator_pid" 2>/dev/null; emulator_pid=
  # The camera was told, and the line went back to 9600 (speed code 1).
  grep -q '"from":"host","frame":"CC"' "$work/log.jsonl" || fail "the camera was not told"
  last_speed=$(grep '"from":"host","frame":"SB"' "$work/log.jsonl" | tail -n 1 | sed 's/.*"data":"\(..\).*/\1/')
  [ "$last_speed" = 31 ] || fail "the line was left at speed code $last_speed"
  ;;
put)
  bmp="$work/white.bmp"
  make_bmp "$bmp"
  start_emulator --card "$work/card"
  run --quiet put "$bmp" "$bmp"
  expect_status 0
  [ -f "$work/card/AUT_0001.JPG" ] && [ -f "$work/card/AUT_0002.JPG" ] || fail "the camera did not store two pictures"
  "$cli" info "$work/card/AUT_0001.JPG" >"$work/stdout" || fail "the stored picture does not load"
  grep -q "^width: 320$" "$work/stdout" && grep -q "^height: 240$" "$work/stdout" || fail "not fitted to 320x240"
  # The 512-byte header block (a comment segment) first, then the coder's own stream.
  [ "$(od -An -tx1 -N4 "$work/card/AUT_0001.JPG" | tr -d ' ')" = ffd8fffe ] || fail "no header block"
  [ "$(od -An -tx1 -j512 -N2 "$work/card/AUT_0001.JPG" | tr -d ' ')" = ffd8 ] || fail "no stream after the header block"
  # A file that does not load ends the run before anything is sent.
  run --quiet put "$work/missing.bmp" "$bmp"
  expect_status 1
  [ ! -f "$work/card/AUT_0003.JPG" ] || fail "a later file was sent after a failed one"
  ;;
put-card-full)
  start_emulator --generate 2 --free-memory 100
  make_bmp "$work/white.bmp"
  run --quiet put "$work/white.bmp"
  expect_status 1
  expect_err_has "Memory card is full."
  ;;
ports)
  start_emulator --generate 1
  run ports
  expect_status 0
  grep -q "^COM1  $device .*can be opened" "$work/stdout" || fail "COM1 is not the emulator's line"
  grep -q "^COM2  .*cannot be opened: The serial device does not exist." "$work/stdout" || fail "COM2 should be missing"
  grep -q "^speeds on COM1: 9600 19200 28800 38400 57600 115200$" "$work/stdout" || fail "speeds"
  ;;
every-ack-reaches-the-camera)
  # The camera waits for our ACK of each of its frames; 500 commands in a row (count,
  # list and get 1, mixed) must leave none missing and none failed.
  make_card 300 400
  start_emulator --card "$work/card"
  failures=0
  n=0
  while [ $n -lt 500 ]; do
    case $((n % 3)) in
    0) run --quiet count ;;
    1) run --quiet list ;;
    2) run --quiet --overwrite get 1 --to "$work/out" ;;
    esac
    [ "$status" = 0 ] || failures=$((failures + 1))
    n=$((n + 1))
  done
  kill "$emulator_pid"; wait "$emulator_pid" 2>/dev/null; emulator_pid=
  missing=$(grep -c '"event":"missing-ack"' "$work/log.jsonl")
  summary=$(grep '"event":"summary"' "$work/log.jsonl" | sed 's/.*"missing_acks":\([0-9]*\).*/\1/')
  echo "500 commands: $failures failed, $missing missing ACKs (emulator summary: $summary)"
  [ "$failures" = 0 ] || fail "$failures commands failed"
  [ "$missing" = 0 ] && [ "$summary" = 0 ] || fail "$missing ACKs never reached the camera"
  ;;
line-gone-in-picture)
  # The camera's end goes away in the middle of picture 2: the process killed, or only
  # its end of the line closed. The run ends at once and says so.
  for fault in --die-at-transfer --hang-up-at-transfer; do
    rm -f "$work"/out/* "$work/log.jsonl" "$work/path"
    make_card 3000 3000 3000 3000
    start_emulator --card "$work/card" "$fault" 2
    start=$(now_ms)
    run --quiet get-all --to "$work/out"
    took=$(($(now_ms) - start))
    stop_emulator
    echo "$fault: get-all ended after $took ms"
    expect_status 1
    expect_out "1 saved, 0 skipped, 1 failed, 2 not tried; stopped: the serial device was disconnected"
    expect_err_has "AUT_0002.JPG: The serial device was disconnected."
    [ "$took" -lt 2000 ] || fail "$fault: get-all took $took ms"
    only_pictures "$work/out" AUT_0001.JPG
  done
  ;;
ctrl-c-in-the-greeting)
  # A silent camera: the greeting's retries would take 2.5 s; Ctrl+C ends them.
  start_emulator --generate 4 --silent-enqs 100000
  "$cli" camera --device "$device" --quiet get-all --to "$work/out" >"$work/stdout" 2>"$work/stderr" &
  cli_pid=$!
  wait_log '"fault":"silent-enq"'
  start=$(now_ms)
  kill -INT "$cli_pid"
  status=0
  wait "$cli_pid" || status=$?
  echo "Ctrl+C in the greeting answered after $(($(now_ms) - start)) ms"
  expect_status 130
  expect_out "0 saved, 0 skipped, 0 failed; stopped: cancelled (the number of pictures is not known)"
  ;;
line-gone-in-thumbnails)
  for fault in --die-at-transfer --hang-up-at-transfer; do
    rm -f "$work"/out/* "$work/log.jsonl" "$work/path"
    start_emulator --generate 4 "$fault" 2
    start=$(now_ms)
    run --quiet thumbnails "$work/out"
    took=$(($(now_ms) - start))
    stop_emulator
    echo "$fault: thumbnails ended after $took ms"
    expect_status 1
    expect_out "1 saved, 0 skipped, 0 failed; stopped: the serial device was disconnected"
    expect_err_has "The serial device was disconnected."
    [ "$took" -lt 2000 ] || fail "$fault: thumbnails took $took ms"
    only_pictures "$work/out" AUT_0001.bmp
  done
  ;;
sigterm-and-sighup-cancel)
  make_card 40000
  # TERM-TERM: a second signal during the clean-up waits for it.
  for signal in TERM HUP TERM-TERM; do
    rm -f "$work"/out/* "$work/log.jsonl" "$work/path"
    start_emulator --card "$work/card" --realtime
    "$cli" camera --device "$device" --speed 115200 get-all --to "$work/out" >"$work/stdout" 2>"$work/stderr" &
    cli_pid=$!
    wait_log '"from":"camera","frame":"DT"'
    for one in $(echo "$signal" | tr '-' ' '); do kill -"$one" "$cli_pid"; done
    status=0
    wait "$cli_pid" || status=$?
    # 128 + the number of the first signal: SIGTERM 15, SIGHUP 1.
    case $signal in HUP) expect_status 129 ;; *) expect_status 143 ;; esac
    expect_out "0 saved, 0 skipped, 0 failed, 1 not tried; stopped: cancelled"
    # The next command works at once.
    start=$(now_ms)
    run --quiet count
    took=$(($(now_ms) - start))
    expect_status 0
    expect_out 1
    [ "$took" -lt 2000 ] || fail "SIG$signal: the next command took $took ms"
    stop_emulator
    grep -q '"from":"host","frame":"CC"' "$work/log.jsonl" || fail "SIG$signal: the camera was not told"
    grep -q '"event":"speed","bps":115200' "$work/log.jsonl" || fail "SIG$signal: the line never went fast"
    last_speed=$(grep '"event":"speed"' "$work/log.jsonl" | tail -n 1 | sed 's/.*"bps":\([0-9]*\).*/\1/')
    [ "$last_speed" = 9600 ] || fail "SIG$signal: the camera was left at $last_speed"
    only_pictures "$work/out"
  done
  ;;
device-reserved-between-pictures)
  make_card 9000 9000 9000 9000
  start_emulator --card "$work/card"
  # Each save takes a while, so that the port is closed for some time between pictures.
  TESSALY_TEST_SLOW_SAVE_MS=600 "$cli" camera --device "$device" --quiet get-all --to "$work/out" \
    >"$work/stdout" 2>"$work/stderr" &
  cli_pid=$!
  wait_log '"from":"camera","frame":"DE"'
  sleep 0.3
  "$cli" camera --device "$device" count >"$work/other.out" 2>"$work/other.err" && fail "another process took the device"
  grep -qF "The serial device is in use by another program." "$work/other.err" || fail "the other process was not told why"
  status=0
  wait "$cli_pid" || status=$?
  expect_status 0
  expect_out "4 saved, 0 skipped, 0 failed, 0 not tried"
  # The picture that was being saved when the other process tried had been downloaded.
  [ "$(grep -c '"from":"host","frame":"RD"' "$work/log.jsonl")" = 4 ] || fail "pictures were read more than once"
  ;;
disk-full)
  mkdir "$work/small"
  mount -t tmpfs -o size=16k tmpfs "$work/small" 2>/dev/null || exit 77
  trap 'umount "$work/small"; cleanup' EXIT
  make_card 6000 6000 6000 6000
  start_emulator --card "$work/card"
  run --quiet get-all --to "$work/small"
  expect_status 1
  expect_out "2 saved, 0 skipped, 1 failed, 1 not tried; stopped: disk full"
  expect_err_has "Disk is full."
  expect_err_has "$work/small"
  only_pictures "$work/small" AUT_0001.JPG AUT_0002.JPG
  ;;
silent-camera-summary)
  start_emulator --generate 4 --silent-enqs 100000
  run --quiet get 1 2 3 4 --to "$work/out"
  expect_status 1
  expect_out "0 saved, 0 skipped, 0 failed, 4 not tried; stopped: the camera did not answer"
  run --quiet get-all --to "$work/out"
  expect_status 1
  expect_out "0 saved, 0 skipped, 0 failed; stopped: the camera did not answer (the number of pictures is not known)"
  ;;
killed-while-writing)
  make_card 20000
  start_emulator --card "$work/card"
  # A temporary file that an earlier killed save left is ours to remove; others' files stay.
  echo stale >"$work/out/.AUT_0001.JPG.a1B2c3"
  echo theirs >"$work/out/.notes.txt.a1B2c3"
  TESSALY_TEST_SLOW_SAVE_MS=1000 "$cli" camera --device "$device" --quiet get 1 --to "$work/out" \
    >"$work/stdout" 2>"$work/stderr" &
  cli_pid=$!
  wait_log '"from":"camera","frame":"DE"'
  sleep 0.5
  kill -KILL "$cli_pid"
  wait "$cli_pid" 2>/dev/null
  only_pictures "$work/out" .notes.txt.a1B2c3
  ;;
unwritable-folder)
  make_card 3000
  start_emulator --card "$work/card"
  mkdir "$work/ro"
  if [ "$(id -u)" = 0 ]; then
    mount -t tmpfs -o ro tmpfs "$work/ro" 2>/dev/null || exit 77
    trap 'umount "$work/ro"; cleanup' EXIT
    cause="Read-only file system"
  else
    chmod 555 "$work/ro"
    cause="Permission denied"
  fi
  run --quiet get-all --to "$work/ro"
  expect_status 1
  expect_err_has "$work/ro"
  expect_err_has "$cause"
  stop_emulator
  grep -q '"from":"host","frame"' "$work/log.jsonl" && fail "the camera was asked before the folder was checked"
  true
  ;;
not-a-serial-device)
  echo text >"$work/plain"
  for device in /dev/null "$work/plain"; do
    run count
    expect_status 1
    expect_err_has "The device is not a serial device."
  done
  ;;
prefix-of-any-script)
  make_card 500
  start_emulator --card "$work/card"
  run --quiet --prefix "写真" get 1 --to "$work/out"
  expect_status 0
  only_pictures "$work/out" "写真0001.JPG"
  cmp -s "$work/card/P1.JPG" "$work/out/写真0001.JPG" || fail "the picture differs"
  run --quiet --prefix "写真写真" list
  expect_status 0
  run --quiet --prefix "写真写真写" list
  expect_status 2
  ;;
json-outputs)
  # Every --json output is one JSON object per line that a JSON reader takes, and nothing
  # else is on the standard output.
  start_emulator --generate 3
  run --json count
  expect_status 0
  json_check 'lines == [{"count": 3}]'
  run --json list
  expect_status 0
  json_check 'lines == [{"number": n, "file": "AUT_%04d.JPG" % n} for n in (1, 2, 3)]'
  run --json ports
  expect_status 0
  json_check 'lines[0] == {"port": 1, "device": "'"$device"'", "status": "can be opened"}
assert lines[1]["status"] == "cannot be opened" and lines[1]["reason"] == "The serial device does not exist."
assert lines[4]["speeds"] == [9600, 19200, 28800, 38400, 57600, 115200] and lines[4]["selected_port"] == 1'
  run --json --quiet thumbnails "$work/out"
  expect_status 0
  json_check '[l["status"] for l in lines] == ["saved"] * 3 + ["done"] and lines[3]["summary"] == "thumbnails"
assert lines[0] == {"file": "'"$work"'/out/AUT_0001.bmp", "number": 1, "size": 14454, "status": "saved"}'
  "$cli" info --json "$work/out/AUT_0001.bmp" >"$work/stdout" 2>"$work/stderr" || fail "info --json failed"
  json_check 'lines[0]["width"] == 80 and lines[0]["height"] == 60 and lines[0]["bits"] == 24
assert lines == [{"file": "'"$work"'/out/AUT_0001.bmp", "status": "ok", "width": 80, "height": 60, "bits": 24,
                  "type": "BMP TYPE", "size": 14454, "comment": ""}]'
  "$cli" info --json "$work/none.jpg" >"$work/stdout" 2>"$work/stderr" && fail "info of a missing file succeeded"
  json_check 'lines == [{"file": "'"$work"'/none.jpg", "status": "failed", "reason": "'"$work"'/none.jpg was not found."}]'
  ;;
json-of-a-save)
  # One object per picture as it is settled (saved, skipped, failed with the reason),
  # then the summary; names that are not UTF-8 still make valid JSON.
  make_card 700 800 900
  start_emulator --card "$work/card"
  echo mine >"$work/out/AUT_0002.JPG"
  run --json --quiet get 1 2 9 3 --to "$work/out"
  expect_status 1
  json_check 'lines[0] == {"file": "'"$work"'/out/AUT_0001.JPG", "number": 1, "size": 700, "status": "saved"}
assert lines[1] == {"file": "'"$work"'/out/AUT_0002.JPG", "number": 2, "size": 0, "status": "skipped",
                    "reason": "This file already exists; skipped."}
assert lines[2]["status"] == "failed" and lines[2]["number"] == 9 and "numbered 1 to 3" in lines[2]["reason"]
assert lines[3]["status"] == "saved" and lines[3]["size"] == 900
assert lines[4] == {"summary": "get", "saved": 2, "skipped": 1, "failed": 1, "not_tried": 0, "status": "done"}'
  run --json --quiet get-all --to "$work/out/$(printf 'd\377')"
  expect_status 0
  json_check 'lines[0]["file"].endswith("/d\ufffd/AUT_0001.JPG") and lines[3]["saved"] == 3'
  ;;
messages-name-the-line)
  # A message about the line names the device, its port slot and its speed; during a
  # picture, the picture too.
  start_emulator --generate 3 --silent-enqs 100000
  run --quiet --speed 57600 count
  expect_status 1
  expect_err_has "tessaly-cli: $device (COM1, 57600 bit/s): Failed to communicate."
  stop_emulator
  rm -f "$work/path"
  make_card 3000 3000
  start_emulator --card "$work/card" --die-at-transfer 2
  run --quiet get-all --to "$work/out"
  expect_status 1
  expect_err_has "tessaly-cli: $device (COM1, 9600 bit/s): AUT_0002.JPG: The serial device was disconnected."
  [ "$(wc -l <"$work/stderr")" = 1 ] || fail "more than the one message"
  ;;
japanese-under-a-japanese-locale)
  start_emulator --generate 0
  status=0
  env -u LC_ALL -u LANGUAGE -u LC_MESSAGES LANG=ja_JP.UTF-8 "$cli" camera --device "$device" list \
    >"$work/stdout" 2>"$work/stderr" || status=$?
  expect_status 0
  expect_err_has "tessaly-cli: $device (COM1、9600 bps): カメラにデータがありません。"
  # --lang en wins over the locale.
  env -u LC_ALL LANG=ja_JP.UTF-8 "$cli" --lang en camera --device "$device" list 2>"$work/stderr"
  expect_err_has "No data in camera."
  ;;
progress-on-a-terminal)
  # On a terminal the save's line is redrawn in place with picture k of N, the bytes,
  # the rate and the time left; the summary still goes to the standard output.
  make_card 3000 4000 5000
  start_emulator --card "$work/card"
  python3 - "$cli" "$device" "$work/out" >"$work/screen" <<'PY' || fail "the pseudo-terminal run failed"
import os, pty, subprocess, sys
cli, device, out = sys.argv[1:]
master, slave = pty.openpty()
p = subprocess.Popen([cli, "camera", "--device", device, "get-all", "--to", out],
                     stdout=subprocess.PIPE, stderr=slave, stdin=subprocess.DEVNULL)
os.close(slave)
screen = b""
while True:
    try:
        chunk = os.read(master, 4096)
    except OSError:
        break
    if not chunk:
        break
    screen += chunk
summary = p.stdout.read()
sys.exit(p.wait()) if p.returncode else None
print(screen.decode(errors="replace"))
print("SUMMARY " + summary.decode())
PY
  for k in 1 2 3; do
    grep -q "$k of 3: AUT_000$k.JPG  [0-9]*/[0-9]* bytes ([0-9]*%)  [0-9]* B/s  [0-9]*:[0-9][0-9] left" "$work/screen" ||
      fail "no progress line for picture $k"
  done
  grep -q "3 of 3: AUT_0003.JPG  5000/5000 bytes (100%)" "$work/screen" || fail "the last picture never reached its end"
  grep -q "SUMMARY 3 saved, 0 skipped, 0 failed, 0 not tried" "$work/screen" || fail "no summary"
  grep -q "$(printf '\r')" "$work/screen" || fail "the line is not redrawn in place"
  ;;
options-anywhere)
  # Options before, between and after the operands, in both forms, and -- before an
  # operand that starts with a dash.
  make_card 500 600
  start_emulator --card "$work/card"
  mkdir "$work/-dash"
  status=0
  (cd "$work" && "$cli" camera get -q 2 --device="$device" --to -dash 1 >"$work/stdout" 2>"$work/stderr") || status=$?
  expect_status 0
  expect_out "2 saved, 0 skipped, 0 failed, 0 not tried"
  only_pictures "$work/-dash" AUT_0001.JPG AUT_0002.JPG
  (cd "$work" && "$cli" camera --device "$device" --quiet --overwrite --to=-dash get -- 1 >"$work/stdout" 2>"$work/stderr") || fail "-- before an operand"
  expect_out "1 saved, 0 skipped, 0 failed, 0 not tried"
  ;;
*)
  echo "unknown case $case_name"
  exit 2
  ;;
esac
exit 0
