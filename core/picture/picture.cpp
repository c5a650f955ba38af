#include "picture/picture.h"

namespace tessaly {

Picture Picture::Make(int width, int height, int bitsPerPixel, std::uint8_t fill) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.bitsPerPixel = bitsPerPixel;
  picture.colourTable.assign(static_cast<std::size_t>(ColourCountFor(bitsPerPixel)), RgbQuad{});
  picture.imageSize = static_cast<std::uint32_t>(picture.Stride() * static_cast<std::size_t>(height));
  picture.pixels.assign(picture.imageSize, fill);
  return picture;
}

}  // namespace tessaly
