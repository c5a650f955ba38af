#include "shell/display_rgb.h"

namespace tessaly::shell {

std::vector<std::uint8_t> DisplayBlockRgb(const DisplayBlock& block, const PixelRect& source) {
  if (block.header == nullptr || block.pixels == nullptr) return {};
  const BitmapHeader& header = *block.header;
  const int bits = header.bitCount;
  if ((bits != 24 && bits != 8) || header.width <= 0 || header.height <= 0) return {};
  if (source.left < 0 || source.top < 0 || source.width <= 0 || source.height <= 0 ||
      source.left + source.width > header.width || source.top + source.height > header.height)
    return {};

  const std::size_t stride = RowStride(header.width, bits);
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(source.width) * static_cast<std::size_t>(source.height) * 3);
  std::uint8_t* out = rgb.data();
  for (int y = source.top; y < source.top + source.height; ++y) {
    // Rows are stored bottom row first.
    const std::uint8_t* row = block.pixels + static_cast<std::size_t>(header.height - 1 - y) * stride;
    for (int x = source.left; x < source.left + source.width; ++x) {
      if (bits == 24) {
        const std::uint8_t* pixel = row + static_cast<std::size_t>(x) * 3;
        *out++ = pixel[2];
        *out++ = pixel[1];
        *out++ = pixel[0];
      } else {
        const std::uint8_t index = row[x];
        RgbQuad colour = index < block.colours.size() ? block.colours[index] : RgbQuad{};
        *out++ = colour.red;
        *out++ = colour.green;
        *out++ = colour.blue;
      }
    }
  }
  return rgb;
}

}  // namespace tessaly::shell
