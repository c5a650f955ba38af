#!/bin/sh
# with_xvfb.sh [-a] [-s "SERVER ARGS"] COMMAND [ARG...]: runs COMMAND on a virtual X
# server of its own, as xvfb-run does, and ends the server after it.
#
# The server chooses a free display number itself (-displayfd) and says which once it
# accepts clients. xvfb-run -a guesses a number from the lock files instead, so two tests
# started in the same moment could guess the same one; the second then ran on the first
# one's server and lost it when that test ended.
set -eu
server_args="-screen 0 1280x1024x24"
while [ $# -gt 0 ]; do
  case "$1" in
    -a) shift ;;  # always: the server picks its own number
    -s) server_args=$2; shift 2 ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || { echo "usage: with_xvfb.sh [-s \"SERVER ARGS\"] COMMAND [ARG...]" >&2; exit 2; }

work=$(mktemp -d)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Clients authenticate with a cookie of this run's own, as under xvfb-run. The server
# takes every cookie in its file whatever display it is listed under; the clients look
# theirs up under the number the server chose.
cookie=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
touch "$work/server-auth" "$work/Xauthority"
xauth -q -f "$work/server-auth" add :0 . "$cookie"
mkfifo "$work/display"
# shellcheck disable=SC2086 # the server's arguments are words
Xvfb -displayfd 3 -auth "$work/server-auth" -nolisten tcp $server_args 3>"$work/display" 2>"$work/server.log" &
server=$!
if ! read -r number <"$work/display" || [ -z "$number" ]; then
  echo "with_xvfb.sh: the X server did not start:" >&2
  cat "$work/server.log" >&2
  exit 1
fi
export XAUTHORITY="$work/Xauthority" DISPLAY=":$number"
xauth -q add "$DISPLAY" . "$cookie"
status=0
"$@" || status=$?
exit "$status"
