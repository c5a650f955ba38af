// JPEG files of any size and kind the JPEG library decodes (baseline and progressive,
// any sampling, grey, RGB, CMYK and YCCK, Adobe's inverted CMYK included), turned upright
// by their EXIF orientation, at their size or reduced to fit a box while they are
// decoded (the library's DCT scaling to the nearest size above the box, then area
// averaging). The camera's own pictures keep going through CJPG (formats/jpg.h).
#pragma once

#include <optional>

#include "formats/byte_input.h"
#include "formats/decode_target.h"
#include "picture/picture.h"

namespace tessaly {

// What the header of a JPEG file says, read without decoding any picture.
struct JpegFacts {
  int width = 0;  // as stored, before the orientation is applied
  int height = 0;
  bool colour = false;  // YCbCr
  bool grey = false;    // one component
  int orientation = 1;  // the EXIF orientation, 1 when there is none
};
std::optional<JpegFacts> ReadJpegFacts(ByteInput& input);

// Decodes a JPEG file into a 24-bit picture for the target. A refusal carries "This is
// not a valid file type." (no JPEG, or an error before any line was decoded), or the
// size messages of DecodeTarget, or kMsgPictureDataMissing for a sequential file too
// short to hold the blocks of its declared size; these are decided from the header,
// before the picture is allocated. Data that end early keep what was decoded (the rest
// black). report receives the declared upright size.
ReadResult ReadJpegPicture(ByteInput& input, const DecodeTarget& target, Picture& picture, DecodeReport& report);

}  // namespace tessaly
