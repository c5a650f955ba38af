// TIFF files that the own reader (CTIFF) refuses, through libtiff: LZW, Deflate,
// PackBits, JPEG and other compressions, tiles, 1 to 16 bits a sample, grey, palette,
// RGB, CMYK and YCbCr, with or without a NewSubfileType tag; the first page only,
// turned upright by its Orientation tag.
// Decoded a strip or a band of tiles at a time into the target's size, so a reduced
// picture needs little more than one strip besides the result.
#pragma once

#include "formats/byte_input.h"
#include "formats/decode_target.h"
#include "picture/picture.h"

namespace tessaly {

// Refusals: "This is not a valid file type." (libtiff cannot open it, or reports an
// error), "This file type is not supported." (a kind libtiff cannot turn into colours),
// the size messages of DecodeTarget, kMsgPictureDataMissing when the strips or tiles
// hold fewer bytes than the declared size needs even at the best ratio of the file's
// compression; all decided before the picture is allocated.
ReadResult ReadTiffWithLibrary(ByteInput& input, const DecodeTarget& target, Picture& picture, DecodeReport& report);

}  // namespace tessaly
