// BMP files: Windows and OS/2 bitmaps (".bmp", ".dib"), with the two run-length
// encodings on reading, and the packed device-independent bitmaps that the clipboard
// carries (a header directly followed by its colour table and pixels).
//
// Everything works on whole in-memory images: a file is read into one block by the
// caller and taken apart here; a file to write is built in one block and written in one
// go through a temporary file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <system_error>

#include "base/file_io.h"
#include "formats/decode_target.h"
#include "formats/read_result.h"
#include "picture/picture.h"

namespace tessaly {

// The header a BMP file has, and the one a picture is saved with again: the 40-byte
// Windows header or the 12-byte OS/2 header.
enum class BmpHeaderStyle { kWindows, kOs2 };

class CBMP {
 public:
  // Takes a whole BMP file image apart. On success picture holds the pixels uncompressed
  // (RLE8 and RLE4 decoded) in bottom-up rows of Stride() bytes, a colour table of 2, 16
  // or 256 entries for 1-, 4- and 8-bit files, compression 0 and imageSize
  // stride x height; headerStyle tells which header the file had. On a refusal neither is
  // touched and the result carries the message:
  //   "This is not a valid file type."  no "BM", a header size other than 12, 40, 52, 56,
  //       64, 108 or 124, a width or height of 0 or less, a depth other than 1, 4, 8, 24,
  //       a compression other than none, RLE8 (8 bits) or RLE4 (4 bits), a pixel data
  //       offset inside the headers or beyond the file, pixel data shorter than
  //       stride x height, an RLE stream that places nothing;
  //   "The picture size is too large."  wider than 1280 or higher than 1024 pixels.
  // A colour table that ends before the pixel data still loads; the missing entries are
  // black.
  static ReadResult ReadBmpFile(ByteSpan file, Picture& picture, BmpHeaderStyle& headerStyle);

  // What ReadBmpFile refuses but a picture it is: top-down rows (a negative height),
  // 16 bits a pixel (5-5-5 without masks, or any masks with BITFIELDS), 32 bits (the
  // fourth byte unused without masks; with BITFIELDS or ALPHABITFIELDS and an alpha
  // mask, transparency laid over white), in the 40-byte Windows header or the V2 to V5
  // ones; pictures larger than 1280 x 1024 within the target's limits. 1-, 4- and 8-bit
  // pictures keep their colour table; 16- and 32-bit ones become 24 bits; a picture
  // reduced to the target's box is 24 bits. Refusals: "This is not a valid file type."
  // for what is no such picture, the size messages of DecodeTarget,
  // kMsgPictureDataMissing for pixel data shorter than the rows need; decided before the
  // picture is allocated.
  static ReadResult ReadWiderBmp(ByteSpan file, const DecodeTarget& target, Picture& picture, DecodeReport& report);

  // Decodes RLE8 (bitsPerPixel 8) or RLE4 (bitsPerPixel 4) data into block, which holds
  // height rows of RowStride(width, bitsPerPixel) bytes and is zero-filled first, so that
  // pixels the stream skips keep palette index 0. Decoding ends at the end-of-bitmap
  // code, when the data end, or when a pixel would fall outside the block. Returns false
  // when nothing was placed.
  static bool DecodeBmpRle(ByteSpan data, int width, int height, int bitsPerPixel, std::span<std::uint8_t> block);

  // The whole file for a 1-, 4-, 8- or 24-bit picture: file header, the chosen info header
  // (40-byte Windows or 12-byte OS/2), colour table (4- or 3-byte entries) and pixels;
  // exactly 14 + header + table + stride x height bytes.
  static Bytes SetupBmpWrite(const Picture& picture, BmpHeaderStyle style);
  // Builds the file and writes it through a temporary file, so that a failed write
  // leaves an old file as it was.
  static std::error_code WriteBmpFile(const std::filesystem::path& path, const Picture& picture, BmpHeaderStyle style);

  // Takes a packed device-independent bitmap apart (a Windows info header of 40 bytes or
  // one of its longer successors, its colour table, then the pixels), as the clipboard
  // and drag and drop deliver it for paste. 1-, 4-, 8- and 24-bit uncompressed bitmaps
  // with a positive width and height are accepted; the colour table has colours-used
  // entries (all 2^bits when 0), and the pixels must be there in full. No size limit is
  // applied (the caller has its own) and nothing is shown: on failure picture is left as
  // it was and false returned.
  static bool ReadPackedDib(ByteSpan dib, Picture& picture);
  // The packed device-independent bitmap of a picture: a 40-byte header, the colour table
  // and the pixels, as the clipboard takes it for copy.
  static Bytes MakePackedDib(const Picture& picture);
};

}  // namespace tessaly
