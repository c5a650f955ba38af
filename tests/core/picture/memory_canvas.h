// A render device that paints into memory and records what it was asked to do.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "picture/render_device.h"

namespace tessaly::test {

struct Rgb {
  std::uint8_t red = 0, green = 0, blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

class MemoryCanvas : public RenderDevice {
 public:
  struct Stretch {
    BitmapHeader header;
    PixelRect source;
    PixelRect destination;
  };

  MemoryCanvas(int width, int height, int bitsPerPixel = 24, int planes = 1)
      : m_width(width),
        m_height(height),
        m_bits(bitsPerPixel),
        m_planes(planes),
        m_pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {}

  int BitsPerPixel() const override { return m_bits; }
  int Planes() const override { return m_planes; }
  bool IsPrinting() const override { return printing; }
  int PageWidth() const override { return pageWidth; }
  int PixelsPerInchX() const override { return pixelsPerInchX; }
  int PixelsPerInchY() const override { return pixelsPerInchY; }

  bool StretchBlock(const DisplayBlock& block, const PixelRect& source, const PixelRect& destination) override {
    stretches.push_back({*block.header, source, destination});
    if (failStretchesFrom >= 0 && static_cast<int>(stretches.size()) > failStretchesFrom) return false;
    // Nearest source pixel for every destination pixel inside the canvas.
    const BitmapHeader& header = *block.header;
    const std::size_t stride = RowStride(header.width, header.bitCount);
    for (int dy = std::max(0, destination.top); dy < std::min(m_height, destination.top + destination.height); ++dy) {
      int sy = source.top + (dy - destination.top) * source.height / destination.height;
      const std::uint8_t* row = block.pixels + static_cast<std::size_t>(header.height - 1 - sy) * stride;
      for (int dx = std::max(0, destination.left); dx < std::min(m_width, destination.left + destination.width); ++dx) {
        int sx = source.left + (dx - destination.left) * source.width / destination.width;
        Rgb colour;
        if (header.bitCount == 24) {
          colour = {row[3 * sx + 2], row[3 * sx + 1], row[3 * sx]};
        } else if (row[sx] < block.colours.size()) {
          const RgbQuad& entry = block.colours[row[sx]];
          colour = {entry.red, entry.green, entry.blue};
        }
        At(dx, dy) = colour;
      }
    }
    return true;
  }

  bool DrawPlaceholder(const PixelRect& destination) override {
    placeholders.push_back(destination);
    return placeholderWorks;
  }
  BlitResult BlitViaBitmap(const DisplayBlock& block, const LogicalPalette*) override {
    if (blitResult == BlitResult::kDone)
      StretchBlock(block, {0, 0, block.header->width, block.header->height},
                   {0, 0, block.header->width, block.header->height});
    return blitResult;
  }
  void SelectPalette(const LogicalPalette& palette) override {
    selectedPalette = &palette;
    ++paletteSelections;
  }
  void RestorePalette() override { ++paletteRestores; }

  Rgb& At(int x, int y) {
    return m_pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(x)];
  }

  // Settings a test changes.
  bool printing = false;
  int pageWidth = 0, pixelsPerInchX = 0, pixelsPerInchY = 0;
  int failStretchesFrom = -1;  // stretches after this many fail; -1: none fails
  bool placeholderWorks = true;
  BlitResult blitResult = BlitResult::kDone;

  // What happened.
  std::vector<Stretch> stretches;
  std::vector<PixelRect> placeholders;
  const LogicalPalette* selectedPalette = nullptr;
  int paletteSelections = 0, paletteRestores = 0;

 private:
  int m_width, m_height, m_bits, m_planes;
  std::vector<Rgb> m_pixels;
};

}  // namespace tessaly::test
