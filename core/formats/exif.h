// The one EXIF field the readers use: the orientation a camera recorded for its picture.
#pragma once

#include "base/file_io.h"

namespace tessaly {

// The Orientation (1 to 8) of an EXIF block: the data of a JPEG APP1 segment, which
// begins "Exif" 00 00, or (withHeader false) the bare TIFF structure that PNG, WebP and
// HEIF files carry. 1 when there is none or the block is damaged.
int ExifOrientation(ByteSpan block, bool withHeader = true);

}  // namespace tessaly
