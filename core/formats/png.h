// PNG files through libpng: every colour type and depth, palette with transparency,
// 16-bit samples (rounded to 8), Adam7 interlacing; transparency is laid over white.
// Read a row at a time into the target's size, so that a reduced picture of a huge file
// needs little more memory than the result (an interlaced file needs its whole picture,
// as its rows come in seven passes).
//
// Writing: 24-bit pictures as 8-bit RGB, 1-, 4- and 8-bit pictures as a palette of
// their colour table at their depth.
//
// Text chunks (keyword and text) are read and written for the thumbnail cache, which
// keeps what it knows of the original file in them.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "formats/byte_input.h"
#include "formats/decode_target.h"
#include "picture/picture.h"

namespace tessaly {

// Refusals: "This is not a valid file type." (no PNG, or an error before the first row),
// the size messages of DecodeTarget, kMsgPictureDataMissing when the compressed data are
// too few for the declared size even at the best ratio compression reaches; all decided
// before the picture is allocated. Data that end early keep the rows read (the rest black).
ReadResult ReadPngPicture(ByteInput& input, const DecodeTarget& target, Picture& picture, DecodeReport& report);

// One text chunk: its keyword and its text, as the file has them (Latin-1 in tEXt and
// zTXt, UTF-8 in iTXt; a compressed text comes uncompressed).
struct PngText {
  std::string key;
  std::string text;
  friend bool operator==(const PngText&, const PngText&) = default;
};

// As above, and the text chunks of the file (tEXt, zTXt and iTXt, before and after the
// picture data) into text, in the file's order. A compressed text that would
// uncompress to more than 8 MiB counts as an error of the file. On a refusal text is
// left empty.
ReadResult ReadPngPicture(ByteInput& input, const DecodeTarget& target, Picture& picture, DecodeReport& report,
                          std::vector<PngText>& text);

// The PNG file of a picture, with the text chunks (uncompressed tEXt; keywords of 1 to
// 79 Latin-1 characters) before its picture data; empty when libpng failed.
Bytes EncodePng(const Picture& picture, std::span<const PngText> text = {});
// Encodes and writes through a temporary file renamed into place.
std::error_code WritePngFile(const std::filesystem::path& path, const Picture& picture);

}  // namespace tessaly
