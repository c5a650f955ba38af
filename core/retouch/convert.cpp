#include "retouch/convert.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tessaly {

Picture ConvertedTo24(const Picture& picture) {
  const int depth = picture.bitsPerPixel;
  if (depth != 1 && depth != 4 && depth != 8) return {};
  const int w = picture.width;
  const int h = picture.height;
  const std::size_t srcStride = picture.Stride();
  if (w < 1 || h < 1 || picture.pixels.size() < srcStride * static_cast<std::size_t>(h)) return {};

  // Every index a row can hold has an entry, so that a short table never sends a read
  // past its end; the missing entries are black. Each entry is blue, green, red and a
  // zero, so that a pixel is written as one 4-byte move whose fourth byte is overwritten
  // by the next pixel or falls into the row's padding as a zero.
  std::array<std::uint32_t, 256> bgr0{};
  for (std::size_t i = 0; i < picture.colourTable.size() && i < 256; ++i) {
    const std::uint8_t entry[4] = {picture.colourTable[i].blue, picture.colourTable[i].green,
                                   picture.colourTable[i].red, 0};
    std::memcpy(&bgr0[i], entry, 4);
  }
  auto put = [&bgr0](std::uint8_t* d, std::size_t index) { std::memcpy(d, &bgr0[index], 4); };

  // Rows are made in a small buffer with room for the last 4-byte move and appended to
  // the block, which therefore is written once instead of being cleared first.
  const std::size_t dstStride = RowStride(w, 24);
  std::vector<std::uint8_t> row(dstStride + 1, 0);
  std::vector<std::uint8_t> out;
  out.reserve(dstStride * static_cast<std::size_t>(h));
  for (int r = 0; r < h; ++r) {
    const std::uint8_t* s = picture.pixels.data() + static_cast<std::size_t>(r) * srcStride;
    std::uint8_t* d = row.data();
    switch (depth) {
      case 8:
        for (int x = 0; x < w; ++x) put(d + 3 * x, s[x]);
        break;
      case 4:
        // The high nibble is the left pixel of each byte.
        for (int x = 0; x < w; ++x) {
          const std::uint8_t byte = s[x / 2];
          put(d + 3 * x, (x % 2 == 0) ? byte >> 4 : byte & 0x0F);
        }
        break;
      default:
        // The most significant bit is the leftmost pixel.
        for (int x = 0; x < w; ++x) put(d + 3 * x, (s[x / 8] >> (7 - x % 8)) & 1);
        break;
    }
    out.insert(out.end(), row.begin(), row.begin() + static_cast<std::ptrdiff_t>(dstStride));
  }
  Picture result;
  result.width = w;
  result.height = h;
  result.bitsPerPixel = 24;
  result.imageSize = static_cast<std::uint32_t>(out.size());
  result.pixels = std::move(out);
  return result;
}

bool ConvertTo24(Picture& picture) {
  Picture result = ConvertedTo24(picture);
  if (result.pixels.empty()) return false;
  picture = std::move(result);
  return true;
}

}  // namespace tessaly
