// TIFF files (".tif"): uncompressed 8-bit palette or grey pictures and 24-bit RGB
// pictures, in either byte order, from the first image file directory; and the writer's
// fixed little-endian layout with one strip per row.
#pragma once

#include <filesystem>
#include <system_error>

#include "base/file_io.h"
#include "formats/read_result.h"
#include "picture/picture.h"

namespace tessaly {

class CTIFF {
 public:
  // Takes a whole TIFF file image apart. On success picture is an 8-bit picture with a
  // 256-entry colour table (from the ColorMap, or a grey ramp when there is none) or a
  // 24-bit picture, in bottom-up rows of Stride() bytes, compression 0 and imageSize
  // stride x height. On a refusal picture is not touched and the result carries the
  // message:
  //   "This is not a valid file type."  no "II"/"MM", a directory or value array outside
  //       the file, Compression other than 1, StripOffsets and StripByteCounts of
  //       different lengths, no strips, strips outside the file or holding fewer bytes
  //       than the picture needs, a width or height of 0;
  //   "This file type is not supported."  no NewSubfileType entry, bits per pixel (the
  //       sum of BitsPerSample) other than 8 or 24, PlanarConfiguration other than 1 or 2;
  //   "The picture size is too large."  wider than 1280 or higher than 1024 pixels.
  // Directory values are read by their entry's type (SHORT or LONG, in the file's byte
  // order); entries of other types are passed over.
  static ReadResult ReadTiffFile(ByteSpan file, Picture& picture);

  // The whole file for a picture: "II", 42, the ColorMap (8 bits), the resolutions, the
  // BitsPerSample values (24 bits), the strip arrays (more than one row), one strip per
  // row, then a directory of 14 entries. 1- and 4-bit pictures are written as 8 bits
  // with their colours; 24-bit pictures as RGB.
  static Bytes SetupTiffWrite(const Picture& picture);
  // Builds the file and writes it through a temporary file, so that a failed write
  // leaves an old file as it was.
  static std::error_code WriteTiffFile(const std::filesystem::path& path, const Picture& picture);
};

}  // namespace tessaly
