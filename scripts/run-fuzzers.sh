#!/bin/sh
# Runs every fuzz target listed in fuzz/targets.txt ("name seed-glob...") for a bounded
# time, seeded from the listed files; fails on the first crash or sanitizer report.
set -eu
bin=$1
seconds=$2
top=$(cd "$(dirname "$0")/.." && pwd)
corpus=""
for candidate in "$top/../shared/corpus" "$top/../../shared/corpus" /work/shared/corpus; do
  if [ -z "$corpus" ] && [ -f "$candidate/manifest.tsv" ]; then corpus=$candidate; fi
done
# Leaks that libraries keep of their own (the same list the sanitizer tests read).
export LSAN_OPTIONS="suppressions=$top/tests/sanitizer/lsan.supp:print_suppressions=0"
grep -v '^#' "$top/fuzz/targets.txt" | while read -r name globs; do
  [ -n "$name" ] || continue
  work=$(mktemp -d)
  for pattern in $globs; do
    case $pattern in
      @corpus@/*) [ -n "$corpus" ] || continue; pattern="$corpus/${pattern#@corpus@/}" ;;
      *) pattern="$top/$pattern" ;;
    esac
    # shellcheck disable=SC2086
    for f in $pattern; do [ -f "$f" ] && cp "$f" "$work/"; done
  done
  echo "-- $name: $(ls "$work" | wc -l) seeds, ${seconds} s"
  mkdir -p "$work/corpus"
  if ! "$bin/$name" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
        -artifact_prefix="$top/build-fuzz/$name-" -print_final_stats=0 "$work/corpus" "$work" \
        > "$work/log" 2>&1; then
    tail -n 40 "$work/log"
    rm -rf "$work"
    exit 1
  fi
  grep -E '^#[0-9]+.*DONE' "$work/log" | tail -n 1 || true
  rm -rf "$work"
done
