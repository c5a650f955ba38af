#!/bin/sh
# Installs the Debian packages that building Tessaly needs, when they are missing. Uses
# sudo when not run as root.
#
#   (no option)  what the programs need to be built and run (`make run`)
#   --test       also what the tests, benchmarks and fuzz targets need (`make test`)
#   --bench      also the anchors the benchmarks compare with (vipsthumbnail) and bc
#   --package    also what building the Debian package needs (`make package`)
#   --check      also what checking the package needs (`make check-package`): a clean
#                Debian root and the validators
set -eu

packages="
  g++ cmake ninja-build pkg-config make
  libwxgtk3.2-dev wx-common wx3.2-i18n gettext
  libjpeg62-turbo-dev libcairo2-dev libglib2.0-dev
  libpng-dev libtiff-dev libwebp-dev libheif-dev
"
case "${1:-}" in
  "") ;;
  --test | --bench)
    [ "$1" = --bench ] && packages="$packages libvips-tools bc"
    packages="$packages
      libgtest-dev libgmock-dev libbenchmark-dev
      clang clang-format libclang-rt-14-dev libjpeg-turbo-progs
      xvfb xauth x11-utils xdotool openbox strace fonts-ipafont-gothic imagemagick libtiff-tools ghostscript
      python3 python3-pil python3-numpy webp libheif-examples"
    ;;
  --package) packages="$packages dpkg-dev" ;;
  --check) packages="$packages dpkg-dev debootstrap lintian desktop-file-utils appstream imagemagick" ;;
  *) echo "usage: $0 [--test | --bench | --package | --check]" >&2; exit 2 ;;
esac

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
