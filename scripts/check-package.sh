#!/bin/sh
# Builds the Debian package from the build folder and checks it the way a user's machine
# would meet it: installed with apt into a clean Debian 12 root (debootstrap, minbase,
# kept under the build folder between runs), where the installed tessaly-cli must run;
# then desktop-file-validate, appstreamcli and lintian on the host. Needs root (chroot,
# mounts) and the network (debootstrap, apt). Not part of `make test`: it takes minutes.
#
# usage: scripts/check-package.sh [BUILD_DIR]     (default: build, already built)
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
work=$build/check-package
base=$work/base
root=$work/root
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}

if [ "$(id -u)" -ne 0 ]; then
  echo "check-package.sh: run as root (it makes a chroot and mounts /proc and /dev in it)" >&2
  exit 2
fi
"$top/scripts/install-deps.sh" --check
mkdir -p "$work"

results=""
failed=0
record() {  # record NAME pass|fail DETAIL
  results="$results$(printf '%-28s %s  %s' "$1" "$(echo "$2" | tr a-z A-Z)" "$3")
"
  [ "$2" = pass ] || failed=1
}
now() { date +%s; }

# Everything mounted under the working root is unmounted on every way out, before the
# root itself is removed, so that nothing of the host is ever deleted through it.
unmount_root() {
  if [ -d "$root" ]; then
    findmnt -rn -o TARGET | grep -F "$root/" | sort -r | while read -r target; do
      umount "$target" 2>/dev/null || umount -l "$target"
    done
  fi
}
cleanup() {
  unmount_root
  if findmnt -rn -o TARGET | grep -qF "$root/"; then
    echo "check-package.sh: something is still mounted under $root; left in place" >&2
  else
    rm -rf "$root"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# ---------------------------------------------------------------- the package
start=$(now)
rm -f "$build"/tessaly_*.deb
if (cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1); then
  deb=$(ls "$build"/tessaly_*.deb)
  size=$(stat -c %s "$deb")
  record "package" pass "$(basename "$deb"), $size bytes, $(( $(now) - start )) s"
else
  cat "$work/cpack.log"
  record "package" fail "cpack failed (see $work/cpack.log)"
  printf '%s' "$results"
  exit 1
fi
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"

# ---------------------------------------------------------------- a clean Debian 12
start=$(now)
if [ ! -f "$base/.tessaly-complete" ]; then
  rm -rf "$base.tmp"
  debootstrap --variant=minbase bookworm "$base.tmp" "$mirror" >"$work/debootstrap.log" 2>&1 || {
    tail -20 "$work/debootstrap.log"
    record "debootstrap" fail "see $work/debootstrap.log"
    printf '%s' "$results"
    exit 1
  }
  touch "$base.tmp/.tessaly-complete"
  rm -rf "$base"
  mv "$base.tmp" "$base"
  record "debootstrap" pass "bookworm minbase made in $(( $(now) - start )) s"
else
  record "debootstrap" pass "bookworm minbase from the cache"
fi
unmount_root
rm -rf "$root"
cp -a "$base" "$root"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"

# ---------------------------------------------------------------- apt installs it
start=$(now)
cp "$deb" "$root/tmp/"
before=$(chroot "$root" dpkg-query -W -f='${Package}\n' | wc -l)
if chroot "$root" sh -c "export DEBIAN_FRONTEND=noninteractive; apt-get update -qq &&
      apt-get install -y --no-install-recommends /tmp/$(basename "$deb")" >"$work/apt.log" 2>&1; then
  after=$(chroot "$root" dpkg-query -W -f='${Package}\n' | wc -l)
  download=$(grep -Eo 'Need to get [^ ]+ [kMG]?B' "$work/apt.log" | head -n 1 | sed 's/Need to get //')
  record "apt-get install" pass "$((after - before - 1)) dependencies pulled ($download), $(( $(now) - start )) s"
else
  tail -20 "$work/apt.log"
  record "apt-get install" fail "see $work/apt.log"
fi

# ---------------------------------------------------------------- the installed programs
if chroot "$root" test -x /usr/bin/tessaly-cli; then
  convert -size 64x48 gradient:red-blue "$root/tmp/small.jpg"
  if out=$(chroot "$root" tessaly-cli --version 2>&1); then record "tessaly-cli --version" pass "$out"
  else record "tessaly-cli --version" fail "$out"; fi
  if out=$(chroot "$root" tessaly-cli info /tmp/small.jpg 2>&1); then
    record "tessaly-cli info" pass "$(echo "$out" | tr '\n' ' ')"
  else
    record "tessaly-cli info" fail "$out"
  fi
  if out=$(chroot "$root" sh -c 'tessaly-cli convert /tmp/small.jpg /tmp/small.bmp && tessaly-cli info /tmp/small.bmp' 2>&1); then
    record "tessaly-cli convert" pass "$(echo "$out" | grep -E '^(type|bits):' | tr '\n' ' ')"
  else
    record "tessaly-cli convert" fail "$out"
  fi
  missing=$(chroot "$root" sh -c 'for f in /usr/bin/tessaly /usr/bin/tessaly-cli /usr/bin/tessaly-camera-emulator; do ldd "$f"; done' | grep 'not found' || true)
  if [ -z "$missing" ]; then record "libraries resolved" pass "ldd finds every library of the three programs"
  else record "libraries resolved" fail "$missing"; fi
  if out=$(chroot "$root" tessaly-camera-emulator --help 2>&1 | head -n 1); then record "emulator --help" pass "$out"
  else record "emulator --help" fail "$out"; fi

  # The desktop program on a virtual display, in Japanese: it must keep running (until
  # the timeout ends it) and read its catalog from /usr. Xvfb and strace are installed
  # only for this, after the package's own dependencies were counted.
  if [ "${CHECK_GUI:-1}" = 1 ]; then
    if chroot "$root" sh -c "DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends xvfb xauth strace" \
         >"$work/apt-gui.log" 2>&1; then
      status=0
      chroot "$root" sh -c 'cd /tmp && HOME=/tmp timeout 10 xvfb-run -a -s "-screen 0 1024x768x24" \
          strace -f -e trace=openat -o /tmp/trace tessaly --lang ja' >"$work/gui.log" 2>&1 || status=$?
      catalog=$(grep 'tessaly\.mo' "$root/tmp/trace" 2>/dev/null | grep -v ENOENT | sed 's/.*"\(.*\)".*/\1/' | head -n 1)
      if [ "$status" -eq 124 ] && [ "$catalog" = /usr/share/locale/ja/LC_MESSAGES/tessaly.mo ]; then
        record "tessaly --lang ja" pass "ran 10 s under Xvfb, catalog $catalog"
      else
        record "tessaly --lang ja" fail "status $status, catalog \"$catalog\" (see $work/gui.log)"
      fi
    else
      record "tessaly --lang ja" fail "Xvfb could not be installed (see $work/apt-gui.log)"
    fi
  fi
fi

# ---------------------------------------------------------------- validators on the host
extracted=$work/contents
rm -rf "$extracted"
dpkg-deb -x "$deb" "$extracted"
desktop=$(ls "$extracted"/usr/share/applications/*.desktop)
if out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ]; then
  record "desktop-file-validate" pass "$(basename "$desktop"): no messages"
else
  echo "$out"
  record "desktop-file-validate" fail "$(echo "$out" | head -n 3 | tr '\n' ' ')"
fi
# validate-tree checks the metainfo file and that the menu entry it launches is there.
if out=$(appstreamcli validate-tree --no-net "$extracted" 2>&1); then
  record "appstreamcli validate-tree" pass "$(echo "$out" | tail -n 1)"
else
  echo "$out"
  record "appstreamcli validate-tree" fail "$(echo "$out" | tail -n 1)"
fi
lintian --display-info --pedantic "$deb" >"$work/lintian.log" 2>&1 || true
grep -v '^N:' "$work/lintian.log" | grep -v 'running with root privileges' || true
errors=$(grep -c '^E:' "$work/lintian.log" || true)
warnings=$(grep -c '^W:' "$work/lintian.log" || true)
infos=$(grep -c '^[IP]:' "$work/lintian.log" || true)
if [ "$errors" -eq 0 ]; then
  record "lintian" pass "0 errors, $warnings warnings, $infos infos/pedantic"
else
  record "lintian" fail "$errors errors, $warnings warnings"
fi

echo
echo "== package check"
printf '%s' "$results"
if [ "$failed" -eq 0 ]; then echo "RESULT: PASS"; else echo "RESULT: FAIL"; fi
exit "$failed"
