// WebP files through libwebp and HEIF files (HEIC, AVIF) through libheif: the first
// (primary) image, transparency laid over white. Both libraries take the whole file
// image; WebP is reduced by libwebp's own scaling while it is decoded, HEIF decoded at
// its size and then area-averaged.
#pragma once

#include "base/file_io.h"
#include "formats/decode_target.h"
#include "picture/picture.h"

namespace tessaly {

// Refusals: "This is not a valid file type." (the library cannot read it), the size
// messages of DecodeTarget, decided from the header before the picture is allocated.
ReadResult ReadWebpPicture(ByteSpan file, const DecodeTarget& target, Picture& picture, DecodeReport& report);
ReadResult ReadHeifPicture(ByteSpan file, const DecodeTarget& target, Picture& picture, DecodeReport& report);

}  // namespace tessaly
