// The readers beyond the camera's formats, each run at its size within the editing
// limits and reduced to a thumbnail's box; whatever they accept must be a consistent
// picture of the size asked for.
#pragma once

#include <cstdlib>

#include "formats/decode_target.h"
#include "fuzz/fuzz_check.h"

namespace tessaly {

template <typename Read>
void FuzzBothTargets(Read read) {
  Picture picture;
  DecodeReport report;
  if (read(DecodeTarget::Editable(), picture, report).Ok()) CheckPicture(picture, true);
  // A thumbnail: any declared size up to the limit, never more than the box out.
  const DecodeTarget box = DecodeTarget::Fit(80, 60);
  Picture small;
  if (read(box, small, report).Ok()) {
    CheckPicture(small, true);
    if (small.width > 80 || small.height > 60) std::abort();
  }
}

}  // namespace tessaly
