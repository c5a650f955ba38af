// The in-memory picture every document and window holds: a device-independent bitmap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessaly {

// One colour-table entry, in the order the files and the display take it.
struct RgbQuad {
  std::uint8_t blue = 0;
  std::uint8_t green = 0;
  std::uint8_t red = 0;
  std::uint8_t reserved = 0;
  friend bool operator==(const RgbQuad&, const RgbQuad&) = default;
};

// A picture being edited is at most this large; so is every picture the camera's own
// formats (BMP, JPEG and TIFF as the system writes them) bring in.
inline constexpr int kMaxPictureWidth = 1280;
inline constexpr int kMaxPictureHeight = 1024;

// No file is opened whose picture has more pixels than this, at any size: the limit
// keeps a full decode within a few hundred megabytes, and is checked before anything
// is allocated.
inline constexpr std::int64_t kMaxOpenPixels = 100'000'000;

struct PictureSize {
  int width = 0;
  int height = 0;
  friend bool operator==(const PictureSize&, const PictureSize&) = default;
};

// Bytes in one row of a picture of the given width and depth: the row padded to a
// multiple of 4 bytes.
constexpr std::size_t RowStride(int width, int bitsPerPixel) {
  return ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel) + 7) / 8 + 3) / 4 * 4;
}

// Entries in the colour table of a picture of the given depth: 2, 16 or 256, none for
// 16, 24 or 32 bits.
constexpr int ColourCountFor(int bitsPerPixel) { return bitsPerPixel <= 8 && bitsPerPixel > 0 ? 1 << bitsPerPixel : 0; }

// The header fields are those of a 40-byte Windows bitmap header; rows are stored bottom
// row first, each padded to 4 bytes; 24-bit pixels are blue, green, red; in 4-bit rows
// the high nibble is the left pixel, in 1-bit rows the most significant bit.
struct Picture {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 24;             // 1, 4, 8 or 24
  std::vector<RgbQuad> colourTable;  // 2, 16 or 256 entries; empty for 24 bits
  std::uint32_t compression = 0;     // 0 for every picture after loading
  std::uint32_t imageSize = 0;       // bytes in the pixel block
  std::vector<std::uint8_t> pixels;  // height rows of Stride() bytes, bottom row first

  std::size_t Stride() const { return RowStride(width, bitsPerPixel); }
  int ColourCount() const { return static_cast<int>(colourTable.size()); }
  bool Empty() const { return pixels.empty(); }

  // Stored row r (0 is the bottom row of the picture).
  std::uint8_t* Row(int r) { return pixels.data() + static_cast<std::size_t>(r) * Stride(); }
  const std::uint8_t* Row(int r) const { return pixels.data() + static_cast<std::size_t>(r) * Stride(); }
  // Picture line y counted from the top.
  std::uint8_t* Line(int y) { return Row(height - 1 - y); }
  const std::uint8_t* Line(int y) const { return Row(height - 1 - y); }

  // A picture of the given size and depth with every byte set to fill (and a zeroed
  // colour table of the depth's size).
  static Picture Make(int width, int height, int bitsPerPixel, std::uint8_t fill = 0);
};

}  // namespace tessaly
