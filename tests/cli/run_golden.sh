#!/bin/sh
# Runs tessaly-cli over generated inputs and compares everything it prints (standard
# output, messages on standard error, exit status) and the files it leaves with the
# expected text. Usage: run_golden.sh CLI GENERATOR COMMANDS EXPECTED [--update]
set -eu
export LC_ALL=C
cli=$1
generator=$2
commands=$3
expected=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/files"
"$generator" "$work/files"
actual="$work/actual.txt"
: > "$actual"
cd "$work/files"
grep -v '^#' "$commands" | while IFS= read -r line; do
  echo "\$ tessaly-cli $line" >> "$actual"
  status=0
  # shellcheck disable=SC2086
  "$cli" $line > "$work/out" 2> "$work/err" || status=$?
  cat "$work/out" >> "$actual"
  sed 's/^/! /' "$work/err" >> "$actual"
  echo "[exit $status]" >> "$actual"
done
echo "\$ ls" >> "$actual"
ls >> "$actual"
if [ "${5:-}" = "--update" ]; then
  cp "$actual" "$expected"
  echo "updated $expected"
  exit 0
fi
diff -u "$expected" "$actual"
