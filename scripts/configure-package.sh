#!/bin/sh
# Configures the build folder of the Debian package: the programs only, compiled and
# linked with the flags dpkg-buildflags gives Debian's own packages, every hardening
# feature on.
#
# usage: scripts/configure-package.sh BUILD_DIR
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: $0 BUILD_DIR}
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
CFLAGS="$(dpkg-buildflags --get CFLAGS) $cppflags" \
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $cppflags" \
LDFLAGS=$(dpkg-buildflags --get LDFLAGS) \
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALY_TESTS=OFF
