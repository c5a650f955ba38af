// Stretching a display block onto the visible part of a destination.
#include "retouch/canvas_stretch.h"

#include <gtest/gtest.h>

#include "test_support/pictures.h"

namespace tessaly {
namespace {

struct Rgb {
  int r, g, b;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

Rgb CanvasAt(const RgbCanvas& c, int x, int y) {
  const std::size_t at = 3 * (static_cast<std::size_t>(y - c.area.top) * c.area.width + (x - c.area.left));
  return {c.rgb[at], c.rgb[at + 1], c.rgb[at + 2]};
}

TEST(CanvasStretch, EachDestinationPixelTakesTheSourcePixelItFallsOn) {
  const Picture picture = test::Numbered(101, 51);
  BitmapHeader header;
  header.width = 101;
  header.height = 51;
  const DisplayBlock block{&header, {}, picture.pixels.data()};
  struct Case {
    const char* what;
    PixelRect destination;
    PixelRect visible;
  };
  const Case cases[] = {
      {"100 %", {0, 0, 101, 51}, {0, 0, 500, 500}},
      {"50 %", {0, 0, 50, 25}, {0, 0, 500, 500}},
      {"200 %", {0, 0, 202, 102}, {0, 0, 500, 500}},
      {"75 % scrolled", {-30, -10, 75, 38}, {0, 0, 40, 20}},
      {"150 %, a part visible", {10, 5, 151, 76}, {60, 40, 30, 100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const RgbCanvas canvas = StretchBlockToRgb(block, {0, 0, 101, 51}, c.destination, c.visible);
    const int left = std::max(c.destination.left, c.visible.left);
    const int top = std::max(c.destination.top, c.visible.top);
    ASSERT_EQ(canvas.area.left, left);
    ASSERT_EQ(canvas.area.top, top);
    ASSERT_EQ(canvas.area.left + canvas.area.width,
              std::min(c.destination.left + c.destination.width, c.visible.left + c.visible.width));
    for (int y = canvas.area.top; y < canvas.area.top + canvas.area.height; ++y)
      for (int x = canvas.area.left; x < canvas.area.left + canvas.area.width; ++x) {
        const int sx = (x - c.destination.left) * 101 / c.destination.width;
        const int sy = (y - c.destination.top) * 51 / c.destination.height;
        const test::Bgr want = test::Origin(sx, sy);
        ASSERT_EQ(CanvasAt(canvas, x, y), (Rgb{want.r, want.g, want.b})) << x << "," << y;
      }
  }
  EXPECT_TRUE(StretchBlockToRgb(block, {0, 0, 101, 51}, {0, 0, 10, 10}, {20, 20, 5, 5}).rgb.empty());
  EXPECT_TRUE(StretchBlockToRgb(block, {0, 0, 102, 51}, {0, 0, 10, 10}, {0, 0, 5, 5}).rgb.empty());
}

TEST(CanvasStretch, OneRowOfAnIndexedBlockWithItsColours) {
  // Three 8-bit pixels in the bottom stored row of a two-row block; the band of one source
  // row (the second from the top) is stretched to 6 x 2.
  BitmapHeader header;
  header.width = 3;
  header.height = 2;
  header.bitCount = 8;
  const std::uint8_t pixels[8] = {0, 1, 2, 0, 2, 2, 2, 0};
  const RgbQuad colours[3] = {{10, 20, 30, 0}, {40, 50, 60, 0}, {70, 80, 90, 0}};
  const DisplayBlock block{&header, colours, pixels};
  const RgbCanvas canvas = StretchBlockToRgb(block, {0, 1, 3, 1}, {0, 0, 6, 2}, {0, 0, 6, 2});
  ASSERT_EQ(canvas.rgb.size(), 36u);
  EXPECT_EQ(CanvasAt(canvas, 0, 0), (Rgb{30, 20, 10}));
  EXPECT_EQ(CanvasAt(canvas, 3, 1), (Rgb{60, 50, 40}));
  EXPECT_EQ(CanvasAt(canvas, 5, 0), (Rgb{90, 80, 70}));
}

}  // namespace
}  // namespace tessaly
