#!/bin/sh
# Installs the Debian packages that building, running and testing Tessaly need, when
# they are missing. Uses sudo when not run as root.
#
# --package adds what building and checking the Debian package needs (scripts/check-package.sh,
# `make package`): dpkg-shlibdeps, debootstrap and the validators. `make run` and `make test`
# need none of them.
set -eu

packages="
  g++ cmake ninja-build pkg-config make
  libwxgtk3.2-dev wx-common wx3.2-i18n gettext
  libjpeg62-turbo-dev libjpeg-turbo-progs
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth x11-utils openbox xdotool strace fonts-ipafont-gothic imagemagick libtiff-tools ghostscript libcairo2-dev
  python3 python3-pil python3-numpy
"
if [ "${1:-}" = "--package" ]; then
  packages="$packages dpkg-dev debootstrap lintian desktop-file-utils appstream"
fi

missing=""
for p in $packages; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# shellcheck disable=SC2086
$sudo apt-get install -y -qq --no-install-recommends $missing
