#!/bin/sh
# Installs the build into a fresh prefix and runs the installed programs from another
# folder: tessaly-cli must start with its serial library from the prefix, and
# `tessaly --lang ja` must read its Japanese catalog from the prefix, not the build tree.
# The prefix is a fresh folder outside the build tree, as a user's would be.
# usage: check_install.sh BUILD_DIR
set -eu
build=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/tessaly-install-check.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
mkdir -p "$work/elsewhere"
"${CMAKE:-cmake}" --install "$build" --prefix "$prefix" >/dev/null
cd "$work/elsewhere"

fail() { echo "FAIL: $*"; exit 1; }

version=$("$prefix/bin/tessaly-cli" --version) || fail "installed tessaly-cli did not run"
echo "installed tessaly-cli: $version"
library=$(ldd "$prefix/bin/tessaly-cli" | awk '/libserlnk32/ { print $3 }')
case $library in
  "$prefix"/*) echo "serial library: $library" ;;
  *) fail "tessaly-cli loads libserlnk32 from \"$library\", not from $prefix" ;;
esac
for page in tessaly tessaly-cli tessaly-camera-emulator; do
  gzip -t "$prefix/share/man/man1/$page.1.gz" || fail "manual page $page(1) missing or damaged"
done

# The program runs until it is closed; a few seconds show which catalog it opened.
status=0
TESSALY_INI=$work/Tessaly.ini timeout 8 "$(dirname "$0")/../with_xvfb.sh" -s "-screen 0 1280x1024x24" \
  strace -f -e trace=openat -o "$work/trace" "$prefix/bin/tessaly" --lang ja || status=$?
[ "$status" -eq 0 ] || [ "$status" -eq 124 ] || fail "installed tessaly ended with status $status"
opened=$(grep 'tessaly\.mo' "$work/trace" | grep -v ENOENT | sed 's/.*"\(.*\)".*/\1/' | head -n 1)
[ "$opened" = "$prefix/share/locale/ja/LC_MESSAGES/tessaly.mo" ] ||
  fail "installed tessaly read its catalog from \"$opened\", not from $prefix"
echo "catalog: $opened"
echo "PASS"
