#!/bin/sh
# Everything `make test` runs, in order: the layout of the code, the whole program's
# tests (core, command line, windows under Xvfb) under address and undefined-behaviour
# sanitizers, each fuzz target for a bounded time, then every test of the normal build;
# CTest's summary line comes last. Each step says how long it took.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
jobs=${JOBS:-2}
started=$(date +%s)
took() { echo "   ($(( $(date +%s) - $1 )) s)"; }

echo "== the layout of the code"
scripts/check-format.sh

step=$(date +%s)
echo "== the whole program's tests under sanitizers (build-asan)"
# Warnings are errors in the normal build only: GCC's flow analysis gives false warnings
# inside the standard library's own code when the sanitizers instrument it. Line tables
# (-g1) are all a sanitizer's report needs, and build quicker than full debug information.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_C_FLAGS_DEBUG=-g1 \
  -DTESSALY_CORE_ONLY=OFF -DTESSALY_SANITIZE=ON -DTESSALY_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
# Leaks are reported, except the few that the toolkit's own libraries keep until the
# process ends (see the suppression file). A suppression matches any frame of a stack, so
# stacks are kept to the allocator and its caller: a leak is the toolkit's only when the
# toolkit itself allocated it, never because our code ran inside one of its callbacks.
if ! (cd build-asan && \
      ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:malloc_context_size=2 \
      LSAN_OPTIONS="suppressions=$top/tests/sanitizer/lsan.supp:print_suppressions=0" \
      UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      ctest -L 'core|windows|launch' -j "$jobs" --output-on-failure --timeout 900 > ctest.log 2>&1); then
  cat build-asan/ctest.log
  exit 1
fi
grep -E 'tests passed|tests failed' build-asan/ctest.log
took "$step"

if [ -s fuzz/targets.txt ]; then
  step=$(date +%s)
  echo "== fuzz targets (build-fuzz, ${FUZZ_SECONDS:-10} s each)"
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTESSALY_CORE_ONLY=ON -DTESSALY_FUZZ=ON -DTESSALY_BENCH=OFF >/dev/null
  cmake --build build-fuzz -j "$jobs" --target fuzzers
  scripts/run-fuzzers.sh build-fuzz/fuzz "${FUZZ_SECONDS:-10}"
  took "$step"
fi

step=$(date +%s)
echo "== all tests (build)"
cd build
ctest -j "$jobs" --output-on-failure --timeout 900
took "$step"
echo "== make test took $(( $(date +%s) - started )) s after the normal build"
