// The renderings Copy and a drag of the selection put on the clipboard: the area of the
// picture they cover, the packed device-independent bitmap of that area, and the native
// data of the document's embedded item.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "picture/picture.h"
#include "retouch/picture_rect.h"

namespace tessaly {

// The area a copy covers: the selection, or the whole picture in a direction where the
// selection has no extent. The selection is taken relative to the visible origin (0, 0
// unless a trimmed area is shown) and clipped to the picture.
PictureRect CopyArea(int pictureWidth, int pictureHeight, const PictureRect& selection, int originX = 0,
                     int originY = 0);

// The area's pixels as a 24-bit picture of its own. A picture without pixels gives a white
// area of the requested size; an area outside the picture gives an empty picture.
Picture ExtractArea(const Picture& picture, const PictureRect& area);

// The clipboard's device-independent bitmap: a 40-byte header (size 40, width, height,
// planes 1, 24 bits, no compression, image size N, the four remaining fields 0) followed
// by the N bytes of bottom-up 24-bit rows.
std::vector<std::uint8_t> MakeAreaDib(const Picture& area);

// The embedded item's native data: width, height, the byte count N and the two further
// document values as little-endian 32-bit integers, then the N bytes of rows.
std::vector<std::uint8_t> MakeNativeData(const Picture& area, std::uint32_t firstValue = 0,
                                         std::uint32_t secondValue = 0);

// Native data read back: the area as a 24-bit picture and the two document values.
struct NativeItemData {
  Picture picture;
  std::uint32_t firstValue = 0;
  std::uint32_t secondValue = 0;
};

enum class NativeDataStatus {
  kOk,
  kMalformed,  // too short, a size of 0, or a byte count that does not match the size
  kTooLarge,   // wider than 1280 or higher than 1024 pixels
};

// Reads native data from outside (a file or another program's clipboard). Every length
// is checked before anything is allocated: width and height above 0 and within the
// picture limits, N equal to stride x height, and 20 + N bytes present. Running out of
// memory for the pixels throws std::bad_alloc.
NativeDataStatus ReadNativeData(std::span<const std::uint8_t> data, NativeItemData& out);

// A BMP file's bytes for a packed bitmap: the 14-byte file header in front of it, with the
// pixel data offset just past the header and colour table.
std::vector<std::uint8_t> BmpFileFromDib(std::span<const std::uint8_t> dib);

// Between a 24-bit picture and the top-down RGB rows (3 bytes a pixel, no padding) that
// image codecs and the clipboard's other formats use. An RGB block shorter than
// 3 x width x height bytes gives an empty picture.
Picture PictureFromRgb(int width, int height, std::span<const std::uint8_t> rgb);
std::vector<std::uint8_t> RgbFromPicture(const Picture& picture);

}  // namespace tessaly
