// What a renderer needs of the surface it draws on.
//
// The renderers prepare their display copy and do all the drawing arithmetic in the
// core; the actual pixels reach a window, a printer page or a memory canvas through this
// interface. The window layer implements it over a wx device context, the tests over a
// plain memory canvas.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "picture/picture.h"

namespace tessaly {

// A rectangle in device or picture pixels; top is measured from the top.
struct PixelRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The fields of a 40-byte device-independent bitmap header, in their file order.
struct BitmapHeader {
  std::uint32_t size = 40;
  std::int32_t width = 0;
  std::int32_t height = 0;  // rows are stored bottom row first
  std::uint16_t planes = 1;
  std::uint16_t bitCount = 24;
  std::uint32_t compression = 0;
  std::uint32_t sizeImage = 0;
  std::int32_t xPelsPerMeter = 0;
  std::int32_t yPelsPerMeter = 0;
  std::uint32_t clrUsed = 0;
  std::uint32_t clrImportant = 0;
  friend bool operator==(const BitmapHeader&, const BitmapHeader&) = default;
};

// One entry of a logical palette: the colour a display realises, red first.
struct PaletteEntry {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  std::uint8_t flags = 0;
  friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};

struct LogicalPalette {
  std::uint16_t version = 0x300;
  std::vector<PaletteEntry> entries;
};

// A bitmap as a renderer hands it to the device: header, colour table (empty for 24
// bits; indices of an 8-bit block refer to it) and header.height bottom-up rows of
// RowStride(header.width, header.bitCount) bytes.
struct DisplayBlock {
  const BitmapHeader* header = nullptr;
  std::span<const RgbQuad> colours;
  const std::uint8_t* pixels = nullptr;
};

enum class BlitResult { kDone, kNoMemoryContext, kFailed };

class RenderDevice {
 public:
  virtual ~RenderDevice() = default;

  // The device's colour format: bits per pixel in each plane, and the planes.
  virtual int BitsPerPixel() const = 0;
  virtual int Planes() const = 0;
  // True for a printer (or its preview), which is always drawn one row at a time.
  virtual bool IsPrinting() const = 0;

  // Stretches the source rectangle of block (measured from its top row) onto the
  // destination rectangle, copying pixels (no blending between source pixels, no raster
  // mixing with what is there). False when the device could not do it.
  virtual bool StretchBlock(const DisplayBlock& block, const PixelRect& source, const PixelRect& destination) = 0;

  // Printing: the page's printable width in pixels and the pixel densities per inch.
  virtual int PageWidth() const { return 0; }
  virtual int PixelsPerInchX() const { return 0; }
  virtual int PixelsPerInchY() const { return 0; }

  // Stretches the placeholder picture (an 80 x 60 picture that stands in for one that
  // cannot be drawn) over destination. False when no memory context could be made for it.
  virtual bool DrawPlaceholder(const PixelRect& /*destination*/) { return false; }

  // Turns block into a bitmap compatible with the screen, with palette (if any)
  // realised, and copies it unscaled to the device's top-left corner.
  virtual BlitResult BlitViaBitmap(const DisplayBlock& /*block*/, const LogicalPalette* /*palette*/) {
    return BlitResult::kFailed;
  }

  // A palette renderer selects its palette as the foreground palette around each drawing
  // operation and puts the previous one back afterwards.
  virtual void SelectPalette(const LogicalPalette& /*palette*/) {}
  virtual void RestorePalette() {}
};

}  // namespace tessaly
