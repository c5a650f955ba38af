#!/bin/bash
# The album and the retouch window on phone-sized photographs, side by side with
# vipsthumbnail (Debian libvips-tools) on the same files, as a person meets them: from the
# command to the last thumbnail (or the picture) drawn, each a fresh process.
#
#   xvfb-run -a -s "-screen 0 1280x1024x24" bench/photo_album.sh build [runs=5]
#
# The 200 photographs (4000 x 3000, about 2 MB each, every one different) are made on the
# first run into $TESSALY_PHOTOS (default /tmp/tessaly-photos) and kept for the next.
# The runs alternate, so that a machine whose speed drifts meets both sides alike:
#   album, first opening:  the shared thumbnail cache emptied before each run
#                          (goal: at most 0.7 x vipsthumbnail --size 80x60 on the folder);
#   album, opened again:   from the cache the first opening filled (goal: at most 0.1 x);
#   retouch window:        one photograph opened (goal: at most the program's start to
#                          an empty main window plus 1.5 x vipsthumbnail --size 1280x1024).
set -eu
build=${1:?usage: photo_album.sh BUILD_DIR [RUNS]}
runs=${2:-5}
photos=${TESSALY_PHOTOS:-/tmp/tessaly-photos}
command -v vipsthumbnail >/dev/null || { echo "vipsthumbnail is missing (apt install libvips-tools)" >&2; exit 2; }
[ -n "${DISPLAY:-}" ] || { echo "no display: run under xvfb-run" >&2; exit 2; }

"$build/bench/make_photo_folder" "$photos" 200
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CACHE_HOME="$work/cache"
mkdir -p "$work/vips"
one="$photos/IMG_0007.jpg"

# Prints the seconds a command takes, its output thrown away.
seconds() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  echo "scale=3; ($end - $start) / 1000000000" | bc
}
median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

open_bench="$build/bench/shell_startup_bench"
for i in $(seq "$runs"); do
  seconds vipsthumbnail --size 80x60 -o "$work/vips/%s.jpg" "$photos"/IMG_*.jpg >>"$work/vips80"
  rm -rf "$XDG_CACHE_HOME"
  seconds "$open_bench" --open "$photos" >>"$work/first"
  seconds "$open_bench" --open "$photos" >>"$work/again"
  seconds vipsthumbnail --size 1280x1024 -o "$work/vips/%s-large.jpg" "$one" >>"$work/vips1280"
  seconds "$open_bench" --open "$one" >>"$work/retouch"
  echo "run $i of $runs done" >&2
done
start=$("$open_bench" "$runs" | awk '/^median/ { print $2 / 1000 }')

vips80=$(median <"$work/vips80") first=$(median <"$work/first") again=$(median <"$work/again")
vips1280=$(median <"$work/vips1280") retouch=$(median <"$work/retouch")
printf 'medians of %d runs, in seconds\n' "$runs"
printf 'vipsthumbnail --size 80x60, 200 files  %7.3f\n' "$vips80"
printf 'album, first opening                   %7.3f  ratio %.3f (goal 0.7)\n' "$first" "$(echo "$first / $vips80" | bc -l)"
printf 'album, opened again from the cache     %7.3f  ratio %.3f (goal 0.1)\n' "$again" "$(echo "$again / $vips80" | bc -l)"
printf 'vipsthumbnail --size 1280x1024, 1 file %7.3f\n' "$vips1280"
printf 'program start to an empty main window  %7.3f\n' "$start"
budget=$(echo "$start + 1.5 * $vips1280" | bc -l)
printf 'retouch window, one photograph         %7.3f  goal at most %.3f\n' "$retouch" "$budget"
