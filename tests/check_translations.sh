#!/bin/sh
# Every text of the windows (XRC files and _("...") in the window code) has its Japanese
# translation in resources/po/ja.po.
set -eu
src=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
wxrc -g "$src"/resources/*.xrc -o "$work/xrc_strings.cpp"
find "$src/app" -name '*.cpp' -o -name '*.h' | sort > "$work/files"
echo "$work/xrc_strings.cpp" >> "$work/files"
xgettext -k_ -kwxTRANSLATE -kwxPLURAL:1,2 --from-code=UTF-8 -f "$work/files" -o "$work/tessaly.pot"
msgcmp "$src/resources/po/ja.po" "$work/tessaly.pot"
echo "every window text has a Japanese translation"
