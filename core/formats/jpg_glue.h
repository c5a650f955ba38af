// The two calls through which the file-type dispatch (PictureFile) loads and saves JPEG
// files. The JPEG coder (CJPG, formats/jpg.cpp) provides them.
//
// What the JPEG side must provide:
//
// LoadJpegPicture: decode a whole JPEG file image (the bytes of a ".jpg" file, read by
// the dispatch) into a 24-bit Picture (bottom-up rows of Stride() bytes, blue-green-red,
// compression 0, imageSize stride x height, no colour table) and the file's comment
// (the text after the 00 "QOR" 00 tag of the system's own 512-byte header block or of the
// camera's layout, at most 60 characters; empty when there is none). A picture over
// 1280 x 1024 is refused with "The picture size is too large." before it is decoded;
// the dispatch's own check afterwards never fires for JPEG files. On failure it has
// shown its message through Prompt() ("This is not a valid file type.", "Not enough
// memory.", ...), leaves picture and comment as they were and returns false.
//
// EncodeJpegPicture: encode a 24-bit Picture (the dispatch expands indexed pictures to
// 24 bits first) with the given comment. header receives the 512-byte leading block
// (FF D8, FF FE, 01 FE, 00 "QOR" 00, the first 60 characters of the comment and its
// terminating zero, filler); stream receives the JPEG library's output, which starts
// with FF D8. A file is header followed by stream; the camera takes the stream alone
// (from the retouch window) or both (from the album). On failure it has shown its
// message if there is one, and returns false; the dispatch then writes nothing.
#pragma once

#include <string>
#include <string_view>

#include "base/file_io.h"
#include "picture/picture.h"

namespace tessaly {

bool LoadJpegPicture(ByteSpan file, Picture& picture, std::string& comment);

bool EncodeJpegPicture(const Picture& picture, std::string_view comment, Bytes& header, Bytes& stream);

}  // namespace tessaly
