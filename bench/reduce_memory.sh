#!/bin/sh
# Peak memory of `tessaly-cli convert --reduce` on a 100-megapixel JPEG and PNG, beyond
# what the same command holds for a 1280 x 1024 picture; the goal is under 64 MiB. The
# pictures are made here (smooth, so that the files stay a few megabytes: the readers
# take the file a piece at a time, so its size does not count) and removed afterwards.
# Usage: bench/reduce_memory.sh build-core/cli/tessaly-cli
set -eu
cli=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 - "$work" <<'PY'
import sys, os, numpy as np
from PIL import Image
Image.MAX_IMAGE_PIXELS = None
out = sys.argv[1]
w, h = 10000, 10000
y = np.arange(h, dtype=np.uint32)[:, None]
x = np.arange(w, dtype=np.uint32)[None, :]
a = np.empty((h, w, 3), np.uint8)
a[..., 0] = (x * 255 // w).astype(np.uint8)
a[..., 1] = (y * 255 // h).astype(np.uint8)
a[..., 2] = ((x + y) // 40 % 256).astype(np.uint8)
im = Image.fromarray(a)
im.save(os.path.join(out, "big.jpeg"), quality=85)
im.save(os.path.join(out, "big.png"), compress_level=3)
small = im.resize((1280, 1024), Image.BOX)
small.save(os.path.join(out, "small.jpeg"), quality=85)
small.save(os.path.join(out, "small.png"))
PY
peak() { /usr/bin/time -f %M "$cli" convert "$@" 2>&1 >/dev/null | tail -n 1; }
status=0
for kind in jpeg png; do
  base=$(peak "$work/small.$kind" "$work/small-out.bmp")
  big=$(peak --reduce "$work/big.$kind" "$work/big-out.bmp")
  extra=$(( (big - base) / 1024 ))
  echo "$kind: 1280 x 1024 ${base} KiB, 100 MP with --reduce ${big} KiB, beyond: ${extra} MiB (goal < 64)"
  [ "$extra" -lt 64 ] || status=1
done
exit $status
