#include "retouch/canvas_stretch.h"

#include <algorithm>
#include <array>

namespace tessaly {

int StretchSourceOffset(int destinationOffset, int sourceLength, int destinationLength) {
  return static_cast<int>(static_cast<long long>(destinationOffset) * sourceLength / destinationLength);
}

RgbCanvas StretchBlockToRgb(const DisplayBlock& block, const PixelRect& source, const PixelRect& destination,
                            const PixelRect& visible) {
  RgbCanvas canvas;
  if (block.header == nullptr || block.pixels == nullptr) return canvas;
  const BitmapHeader& h = *block.header;
  if ((h.bitCount != 24 && h.bitCount != 8) || h.width < 1 || h.height < 1) return canvas;
  if (source.width < 1 || source.height < 1 || source.left < 0 || source.top < 0 ||
      source.left + source.width > h.width || source.top + source.height > h.height)
    return canvas;
  if (destination.width < 1 || destination.height < 1) return canvas;

  const int left = std::max(destination.left, visible.left);
  const int top = std::max(destination.top, visible.top);
  const int right = std::min(destination.left + destination.width, visible.left + visible.width);
  const int bottom = std::min(destination.top + destination.height, visible.top + visible.height);
  if (right <= left || bottom <= top) return canvas;
  canvas.area = {left, top, right - left, bottom - top};
  canvas.rgb.resize(3 * static_cast<std::size_t>(canvas.area.width) * static_cast<std::size_t>(canvas.area.height));

  // The source column of every destination column, computed once for all rows.
  std::vector<int> columns(static_cast<std::size_t>(canvas.area.width));
  for (int x = 0; x < canvas.area.width; ++x)
    columns[static_cast<std::size_t>(x)] =
        source.left + StretchSourceOffset(left + x - destination.left, source.width, destination.width);

  std::array<std::uint8_t, 3 * 256> palette{};
  for (std::size_t i = 0; i < block.colours.size() && i < 256; ++i) {
    palette[3 * i] = block.colours[i].red;
    palette[3 * i + 1] = block.colours[i].green;
    palette[3 * i + 2] = block.colours[i].blue;
  }

  const std::size_t stride = RowStride(h.width, h.bitCount);
  std::uint8_t* out = canvas.rgb.data();
  for (int y = 0; y < canvas.area.height; ++y) {
    const int fromTop = source.top + StretchSourceOffset(top + y - destination.top, source.height, destination.height);
    const std::uint8_t* row = block.pixels + static_cast<std::size_t>(h.height - 1 - fromTop) * stride;
    if (h.bitCount == 24) {
      for (int column : columns) {
        const std::uint8_t* p = row + 3 * static_cast<std::size_t>(column);
        *out++ = p[2];
        *out++ = p[1];
        *out++ = p[0];
      }
    } else {
      for (int column : columns) {
        const std::uint8_t* p = palette.data() + 3 * static_cast<std::size_t>(row[column]);
        *out++ = p[0];
        *out++ = p[1];
        *out++ = p[2];
      }
    }
  }
  return canvas;
}

}  // namespace tessaly
