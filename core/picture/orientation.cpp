#include "picture/orientation.h"

#include <cstring>

namespace tessaly {

bool SwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

PictureSize OrientedSize(int width, int height, int orientation) {
  return SwapsSides(orientation) ? PictureSize{height, width} : PictureSize{width, height};
}

Picture Oriented(Picture picture, int orientation) {
  if (orientation < 2 || orientation > 8 || picture.bitsPerPixel != 24) return picture;
  const PictureSize size = OrientedSize(picture.width, picture.height, orientation);
  Picture out = Picture::Make(size.width, size.height, 24);
  const int w = picture.width, h = picture.height;
  // For every output pixel (x, y) from the top, the stored pixel it shows.
  for (int y = 0; y < size.height; ++y) {
    std::uint8_t* to = out.Line(y);
    for (int x = 0; x < size.width; ++x) {
      int sx = x, sy = y;
      switch (orientation) {
        case 2: sx = w - 1 - x; break;
        case 3:
          sx = w - 1 - x;
          sy = h - 1 - y;
          break;
        case 4: sy = h - 1 - y; break;
        case 5:
          sx = y;
          sy = x;
          break;
        case 6:
          sx = y;
          sy = h - 1 - x;
          break;
        case 7:
          sx = w - 1 - y;
          sy = h - 1 - x;
          break;
        case 8:
          sx = w - 1 - y;
          sy = x;
          break;
        default: break;
      }
      std::memcpy(to + 3 * static_cast<std::size_t>(x), picture.Line(sy) + 3 * static_cast<std::size_t>(sx), 3);
    }
  }
  return out;
}

}  // namespace tessaly
