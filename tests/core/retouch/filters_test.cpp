#include "retouch/filters.h"

#include <gtest/gtest.h>

#include "test_support/pictures.h"

namespace tessaly {
namespace {

using test::At;
using test::Bgr;
using test::Grey;

// The filters straight from their definitions, pixel by pixel, to hold the fast versions to.
Picture ReferenceSharpen(const Picture& in) {
  Picture out = in;
  for (int y = 1; y + 1 < in.height; ++y)
    for (int x = 1; x + 1 < in.width; ++x)
      for (int c = 0; c < 3; ++c) {
        auto v = [&](int xx, int yy) { return static_cast<int>(in.Line(yy)[3 * xx + c]); };
        const int d = 4 * v(x, y) - v(x - 1, y) - v(x + 1, y) - v(x, y - 1) - v(x, y + 1);
        out.Line(y)[3 * x + c] = static_cast<std::uint8_t>(std::clamp(v(x, y) + static_cast<int>(0.4 * d), 0, 255));
      }
  return out;
}

// Each pixel the mean of the 5 x 5 window around it, clipped at the edges.
Picture ReferenceSoften(const Picture& in) {
  Picture out = in;
  for (int y = 0; y < in.height; ++y)
    for (int x = 0; x < in.width; ++x)
      for (int c = 0; c < 3; ++c) {
        int sum = 0, count = 0;
        for (int yy = std::max(0, y - 2); yy <= std::min(in.height - 1, y + 2); ++yy)
          for (int xx = std::max(0, x - 2); xx <= std::min(in.width - 1, x + 2); ++xx, ++count)
            sum += in.Line(yy)[3 * xx + c];
        out.Line(y)[3 * x + c] = static_cast<std::uint8_t>(sum / count);
      }
  return out;
}

// Whether every pixel of a rectangle holds the mean colour the rectangle had in original.
bool FilledWithMean(const Picture& p, const Picture& original, int left, int top, int right, int bottom) {
  int sums[3] = {0, 0, 0};
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x)
      for (int c = 0; c < 3; ++c) sums[c] += original.Line(y)[3 * x + c];
  const int count = (right - left) * (bottom - top);
  const Bgr mean{sums[0] / count, sums[1] / count, sums[2] / count};
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x)
      if (At(p, x, y) != mean) return false;
  return true;
}

TEST(Filters, UniformPicturesStayUniform) {
  const Picture original = test::Make24(11, 9, 93);
  Picture p = original;
  Sharpen(p);
  Soften(p);
  Mosaic(p, {});
  EXPECT_TRUE(test::SamePicture(p, original));
}

TEST(Filters, SharpenOfASingleWhitePixel) {
  Picture p = test::Make24(5, 5);
  test::Set(p, 2, 2, Grey(255));
  Sharpen(p);
  EXPECT_EQ(At(p, 2, 2), Grey(255));  // 255 + trunc(0.4 * 1020), clamped
  for (auto [x, y] : {std::pair{1, 2}, {3, 2}, {2, 1}, {2, 3}, {1, 1}}) EXPECT_EQ(At(p, x, y), Grey(0));
}

// Pictures of one or two pixels across are all border: sharpen leaves them alone.
TEST(Filters, SharpenAndSoftenMatchTheirDefinitions) {
  for (auto [w, h] : {std::pair{1, 1}, {1, 5}, {2, 5}, {5, 1}, {5, 2}, {2, 3}, {3, 3}, {7, 4}, {23, 17}, {70, 41}}) {
    const Picture original = test::Noise24(w, h, static_cast<unsigned>(w * 10 + h));
    Picture sharp = original, soft = original;
    Sharpen(sharp);
    Soften(soft);
    EXPECT_TRUE(test::SamePicture(sharp, ReferenceSharpen(original))) << w << "x" << h;  // padding kept as well
    EXPECT_TRUE(test::SamePicture(soft, ReferenceSoften(original))) << w << "x" << h;
  }
}

TEST(Filters, SoftenOfACorner) {
  // A corner averages the 9 pixels of its clipped window, a pixel on the top line away
  // from the corners the 15 of its window.
  Picture p = test::Make24(12, 12);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) test::Set(p, x, y, Grey(90));
    for (int x = 4; x < 9; ++x) test::Set(p, x, y, Grey(150));
  }
  Soften(p);
  EXPECT_EQ(At(p, 0, 0), Grey(90));
  EXPECT_EQ(At(p, 6, 0), Grey(150));
}

TEST(Filters, MosaicOfTheWholePictureAndOfASelection) {
  const Picture original = test::Noise24(10, 10, 4);
  Picture p = original;
  Mosaic(p, {});
  EXPECT_TRUE(FilledWithMean(p, original, 0, 0, 8, 8));
  EXPECT_TRUE(FilledWithMean(p, original, 8, 0, 10, 8));
  EXPECT_TRUE(FilledWithMean(p, original, 0, 8, 8, 10));
  EXPECT_TRUE(FilledWithMean(p, original, 8, 8, 10, 10));

  p = original;
  Mosaic(p, {3, 3, 7, 7});
  EXPECT_TRUE(FilledWithMean(p, original, 3, 3, 7, 7));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x)
      if (x < 3 || x >= 7 || y < 3 || y >= 7) {
        ASSERT_EQ(At(p, x, y), At(original, x, y)) << x << "," << y;
      }

  // A selection reaching past the edge is clipped; one wholly outside changes nothing.
  p = original;
  Mosaic(p, {6, 2, 20, 30});
  EXPECT_TRUE(FilledWithMean(p, original, 6, 2, 10, 10));
  p = original;
  Mosaic(p, {20, 20, 30, 30});
  EXPECT_TRUE(test::SamePicture(p, original));
}

}  // namespace
}  // namespace tessaly
