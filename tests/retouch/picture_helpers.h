// Small pictures built in code for the retouch tests.
#pragma once

#include <cstdint>
#include <random>

#include "picture/picture.h"

namespace tessaly::test {

struct Bgr {
  int b = 0;
  int g = 0;
  int r = 0;
  friend bool operator==(const Bgr&, const Bgr&) = default;
};

// A 24-bit picture whose every byte (padding included) is fill.
inline Picture Make24(int width, int height, std::uint8_t fill = 0) { return Picture::Make(width, height, 24, fill); }

// A 24-bit picture of reproducible noise; the row padding is noise as well, so that
// operations that must keep or must change it can be told apart.
inline Picture Noise24(int width, int height, unsigned seed = 1) {
  Picture p = Make24(width, height);
  std::mt19937 random(seed);
  for (auto& byte : p.pixels) byte = static_cast<std::uint8_t>(random());
  return p;
}

// Pixel (x, y) counted from the top-left corner on screen.
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
inline Bgr Grey(int v) { return {v, v, v}; }

// Every field of two pictures, pixels byte for byte.
inline bool SamePicture(const Picture& a, const Picture& b) {
  return a.width == b.width && a.height == b.height && a.bitsPerPixel == b.bitsPerPixel &&
         a.colourTable == b.colourTable && a.compression == b.compression && a.imageSize == b.imageSize &&
         a.pixels == b.pixels;
}

}  // namespace tessaly::test
