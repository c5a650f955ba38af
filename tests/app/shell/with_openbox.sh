#!/bin/sh
# Runs a command on the current X display with openbox managing its windows: the window
# manager is up (it has announced itself on the root window) before the command starts.
set -u
openbox --config-file /dev/null >/dev/null 2>&1 &
wm=$!
tries=0
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
  tries=$((tries + 1))
  if [ "$tries" -gt 200 ] || ! kill -0 "$wm" 2>/dev/null; then
    echo "with_openbox.sh: openbox did not start" >&2
    kill "$wm" 2>/dev/null
    exit 1
  fi
  sleep 0.05
done
"$@"
rc=$?
kill "$wm" 2>/dev/null
wait "$wm" 2>/dev/null
exit "$rc"
