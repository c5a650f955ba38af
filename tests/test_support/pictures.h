// Small pictures built in code, and their pixels counted from the top-left corner.
#pragma once

#include <array>
#include <cstdint>
#include <random>

#include "picture/picture.h"

namespace tessaly::test {

struct Bgr {
  int b = 0, g = 0, r = 0;
  friend bool operator==(const Bgr&, const Bgr&) = default;
};
inline Bgr Grey(int v) { return {v, v, v}; }

inline Bgr At(const Picture& p, int x, int y) {
  const std::uint8_t* px = p.Line(y) + 3 * x;
  return {px[0], px[1], px[2]};
}
inline void Set(Picture& p, int x, int y, Bgr c) {
  std::uint8_t* px = p.Line(y) + 3 * x;
  px[0] = static_cast<std::uint8_t>(c.b);
  px[1] = static_cast<std::uint8_t>(c.g);
  px[2] = static_cast<std::uint8_t>(c.r);
}

// A 24-bit picture whose every byte, padding included, is fill.
inline Picture Make24(int width, int height, std::uint8_t fill = 0) { return Picture::Make(width, height, 24, fill); }

// A 24-bit picture of one colour.
inline Picture Filled(int width, int height, Bgr colour) {
  Picture p = Make24(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) Set(p, x, y, colour);
  return p;
}

// A 24-bit picture of reproducible noise; the row padding is noise as well, so that
// operations that must keep or must change it can be told apart.
inline Picture Noise24(int width, int height, unsigned seed = 1) {
  Picture p = Make24(width, height);
  std::mt19937 random(seed);
  for (auto& byte : p.pixels) byte = static_cast<std::uint8_t>(random());
  return p;
}

// A 24-bit picture whose every pixel tells where it came from.
inline Bgr Origin(int x, int y) { return {x % 256, y % 256, (x / 256) * 16 + y / 256}; }
inline Picture Numbered(int width, int height) {
  Picture p = Make24(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) Set(p, x, y, Origin(x, y));
  return p;
}

// A 1-, 4- or 8-bit picture whose pixel bytes count up by 13 and whose colour i is blue
// i, green i / 2, red 255 - i.
inline Picture Indexed(int width, int height, int bits) {
  Picture p = Picture::Make(width, height, bits);
  for (std::size_t i = 0; i < p.pixels.size(); ++i) p.pixels[i] = static_cast<std::uint8_t>(i * 13);
  for (std::size_t i = 0; i < p.colourTable.size(); ++i)
    p.colourTable[i] =
        RgbQuad{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i / 2), static_cast<std::uint8_t>(255 - i), 0};
  return p;
}

// The colour index of pixel (x, y) of a 1-, 4- or 8-bit picture, high bits first.
inline int IndexOf(const Picture& p, int x, int y) {
  const std::uint8_t* row = p.Line(y);
  if (p.bitsPerPixel == 1) return (row[x / 8] >> (7 - x % 8)) & 1;
  if (p.bitsPerPixel == 4) return (row[x / 2] >> (x % 2 ? 0 : 4)) & 15;
  return row[x];
}

// The colour of pixel (x, y) of a picture, y counted from the top, through its colour table.
inline std::array<std::uint8_t, 3> RgbAt(const Picture& picture, int x, int y) {
  const std::uint8_t* row = picture.Line(y);
  if (picture.bitsPerPixel == 24) return {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
  const auto index = static_cast<std::size_t>(IndexOf(picture, x, y));
  const RgbQuad entry = index < picture.colourTable.size() ? picture.colourTable[index] : RgbQuad{};
  return {entry.red, entry.green, entry.blue};
}

// Every field of two pictures, pixels byte for byte.
inline bool SamePicture(const Picture& a, const Picture& b) {
  return a.width == b.width && a.height == b.height && a.bitsPerPixel == b.bitsPerPixel &&
         a.colourTable == b.colourTable && a.compression == b.compression && a.imageSize == b.imageSize &&
         a.pixels == b.pixels;
}

}  // namespace tessaly::test
