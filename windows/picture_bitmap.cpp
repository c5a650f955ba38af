#include "windows/picture_bitmap.h"

#include "retouch/convert.h"

namespace tessaly::windows {

wxImage PictureImage(const Picture& picture) {
  if (picture.bitsPerPixel != 24) {
    Picture expanded = ConvertedTo24(picture);
    return expanded.pixels.empty() ? wxImage() : PictureImage(expanded);
  }
  const int w = picture.width;
  const int h = picture.height;
  const std::size_t stride = picture.Stride();
  if (w <= 0 || h <= 0 || picture.pixels.size() < stride * static_cast<std::size_t>(h)) return {};
  wxImage image(w, h, false);
  unsigned char* out = image.GetData();
  for (int y = 0; y < h; ++y) {
    // Rows are stored from the bottom up, each pixel blue, green, red.
    const std::uint8_t* in = picture.pixels.data() + stride * static_cast<std::size_t>(h - 1 - y);
    for (int x = 0; x < w; ++x, in += 3, out += 3) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  }
  return image;
}

}  // namespace tessaly::windows
