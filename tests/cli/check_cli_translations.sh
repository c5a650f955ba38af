#!/bin/sh
# Every text of the command line (Tr, TrWith, TrFormat and N_ in cli/) has its Japanese
# translation in resources/po/ja.po, the catalogue the windows use.
set -eu
src=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
xgettext -kTr -kTrWith:1 -kTrFormat:1 -kN_ --from-code=UTF-8 -o "$work/cli.pot" "$src"/cli/*.cpp "$src"/cli/*.h
# (msgcmp also lists the catalogue's texts that belong to the windows; only a failure counts.)
msgcmp "$src/resources/po/ja.po" "$work/cli.pot" 2>"$work/msgcmp" || { cat "$work/msgcmp"; exit 1; }
echo "every command-line text has a Japanese translation"
