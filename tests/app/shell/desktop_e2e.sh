#!/bin/sh
# The program as a desktop starts it and ends it, with and without a window manager:
# --help, --version and bad options need no display; the window's class is the menu
# entry's id (read with xprop); a normal start prints no toolkit warning; SIGTERM (what
# a logout sends) ends it with status 0 and its settings written. Runs on an X display
# (xvfb-run) with folders of its own.
#
# Usage: desktop_e2e.sh PROGRAM DESKTOP_FILE VERSION
set -eu
program=$1
desktop=$2
version=$3
. "$(dirname "$0")/e2e_lib.sh"
e2e_workspace

echo "== the terminal answers without a display"
headless() { env -u DISPLAY -u WAYLAND_DISPLAY "$program" "$@" >"$work/out.log" 2>"$work/err.log"; }
headless --help || fail "--help ended with status $?"
grep -q '^Usage: tessaly ' "$work/out.log" || fail "--help printed no usage"
[ ! -s "$work/err.log" ] || fail "--help wrote to stderr"
headless -h || fail "-h ended with status $?"
grep -q '^Usage: tessaly ' "$work/out.log" || fail "-h printed no usage"
headless --version || fail "--version ended with status $?"
[ "$(cat "$work/out.log")" = "tessaly $version" ] || fail "--version printed \"$(cat "$work/out.log")\""
for bad in "--bogus" "--lang xx" "--lang"; do
  status=0
  # shellcheck disable=SC2086
  headless $bad || status=$?
  [ "$status" -eq 2 ] || fail "tessaly $bad ended with status $status, not 2"
  [ "$(wc -l <"$work/err.log")" -eq 1 ] || fail "tessaly $bad did not say one line"
  [ ! -s "$work/out.log" ] || fail "tessaly $bad wrote to stdout"
done

# The class the menu entry names: StartupWMClass, else the desktop file's id.
app_id=$(basename "$desktop" .desktop)
wm_class=$(sed -n 's/^StartupWMClass=//p' "$desktop")
[ -n "$wm_class" ] || wm_class=$app_id
[ "$wm_class" = "$app_id" ] || fail "StartupWMClass $wm_class is not the entry's id $app_id (Wayland ties by the id)"

mkdir -m 700 "$work/run"
mkdir "$work/config" "$work/state"
export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/config"
export XDG_STATE_HOME="$work/state" TESSALY_INI="$work/config/Tessaly.ini"
for slot in 1 2 3 4; do export "TESSALY_COM$slot=$work/no-such-tty$slot"; done
export LANGUAGE= LC_ALL=C.UTF-8 LANG=C.UTF-8
unset WAYLAND_DISPLAY GDK_BACKEND || true

# start_and_end NAME [PATH...]: one start (opening the paths) until its window is on the
# screen, then SIGTERM.
start_and_end() {
  name=$1
  shift
  rm -f "$TESSALY_INI"
  "$program" "$@" >"$work/$name.log" 2>&1 &
  pid=$!
  pids="$pids $pid"
  # On the screen (viewable): the toolkit has laid the window out once.
  wait_for 120 sh -c "xdotool search --onlyvisible --pid $pid --name '^Tessaly' >'$work/window' 2>/dev/null" ||
    fail "$name: no window came up"
  window=$(head -n 1 "$work/window")
  class=$(xprop -id "$window" WM_CLASS) || fail "$name: xprop cannot read WM_CLASS"
  # The instance (the program's name, also the Wayland app id) is what docks compare
  # with the entry's id and StartupWMClass; wx names the class after the application.
  case "$class" in
    "WM_CLASS(STRING) = \"$wm_class\", "*) ;;
    *) fail "$name: $class: the instance is not $wm_class" ;;
  esac
  kill -TERM "$pid"
  status=0
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || fail "$name: SIGTERM ended the program with status $status"
  grep -q '^\[Last Window\]' "$TESSALY_INI" 2>/dev/null || fail "$name: the settings were not written at SIGTERM"
  if grep -E 'Gtk-|GLib-|Gdk-|GLib-GObject-|pixman' "$work/$name.log"; then fail "$name: the toolkit warned"; fi
  echo "$name: $class; ended by SIGTERM with status 0, settings written, no warnings"
}

echo "== without a window manager"
start_and_end bare

echo "== under a window manager"
openbox >"$work/openbox-wm.log" 2>&1 &
wm=$!
pids="$pids $wm"
wait_for 60 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' || fail "openbox did not start"
start_and_end openbox
# An album and a picture larger than its window, opened from the command line: their
# windows are laid out, scroll bars and all, before anything of them is drawn.
mkdir "$work/pictures"
write_bmp "$work/pictures/large.bmp" 1280 960 90 120 200 || fail "the pictures could not be written"
write_bmp "$work/pictures/small.bmp" 64 48 200 120 90 || fail "the pictures could not be written"
start_and_end "album-and-picture" "$work/pictures" "$work/pictures/large.bmp"
echo "PASS"
