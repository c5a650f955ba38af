#include "retouch/convert.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tessaly {

bool ConvertTo24(Picture& picture) {
  const int depth = picture.bitsPerPixel;
  if (depth != 1 && depth != 4 && depth != 8) return false;
  const int w = picture.width;
  const int h = picture.height;
  const std::size_t srcStride = picture.Stride();
  if (w < 1 || h < 1 || picture.pixels.size() < srcStride * static_cast<std::size_t>(h)) return false;

  // Every index a row can hold has an entry, so that a short table never sends a read
  // past its end; the missing entries are black.
  std::array<std::uint8_t, 256 * 3> bgr{};
  for (std::size_t i = 0; i < picture.colourTable.size() && i < 256; ++i) {
    bgr[3 * i] = picture.colourTable[i].blue;
    bgr[3 * i + 1] = picture.colourTable[i].green;
    bgr[3 * i + 2] = picture.colourTable[i].red;
  }

  const std::size_t dstStride = RowStride(w, 24);
  std::vector<std::uint8_t> out(dstStride * static_cast<std::size_t>(h));
  for (int r = 0; r < h; ++r) {
    const std::uint8_t* s = picture.pixels.data() + static_cast<std::size_t>(r) * srcStride;
    std::uint8_t* d = out.data() + static_cast<std::size_t>(r) * dstStride;
    switch (depth) {
      case 8:
        for (int x = 0; x < w; ++x) std::memcpy(d + 3 * x, &bgr[3 * static_cast<std::size_t>(s[x])], 3);
        break;
      case 4:
        // The high nibble is the left pixel of each byte.
        for (int x = 0; x < w; ++x) {
          const std::uint8_t byte = s[x / 2];
          const std::size_t index = (x % 2 == 0) ? byte >> 4 : byte & 0x0F;
          std::memcpy(d + 3 * x, &bgr[3 * index], 3);
        }
        break;
      default:
        // The most significant bit is the leftmost pixel.
        for (int x = 0; x < w; ++x) {
          const std::size_t index = (s[x / 8] >> (7 - x % 8)) & 1;
          std::memcpy(d + 3 * x, &bgr[3 * index], 3);
        }
        break;
    }
  }
  picture.bitsPerPixel = 24;
  picture.colourTable.clear();
  picture.compression = 0;
  picture.imageSize = static_cast<std::uint32_t>(out.size());
  picture.pixels = std::move(out);
  return true;
}

}  // namespace tessaly
