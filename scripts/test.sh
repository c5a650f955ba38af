#!/bin/sh
# Everything `make test` runs, in order: the core's tests under address and
# undefined-behaviour sanitizers, each fuzz target for a bounded time, then every test of
# the normal build (window tests under Xvfb); CTest's summary line comes last.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
jobs=${JOBS:-2}

echo "== core tests under sanitizers (build-asan)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSALY_CORE_ONLY=ON -DTESSALY_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$jobs"
if ! (cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
       ctest -L core -j "$jobs" --output-on-failure --timeout 600 > ctest.log 2>&1); then
  cat build-asan/ctest.log
  exit 1
fi
grep -E 'tests passed|tests failed' build-asan/ctest.log

if [ -s fuzz/targets.txt ]; then
  echo "== fuzz targets (build-fuzz, ${FUZZ_SECONDS:-30} s each)"
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTESSALY_CORE_ONLY=ON -DTESSALY_FUZZ=ON -DTESSALY_BENCH=OFF >/dev/null
  cmake --build build-fuzz -j "$jobs" --target fuzzers
  scripts/run-fuzzers.sh build-fuzz/fuzz "${FUZZ_SECONDS:-30}"
fi

echo "== all tests (build)"
cd build
ctest -j "$jobs" --output-on-failure --timeout 900
