#include "retouch/filters.h"

#include <gtest/gtest.h>

#include "picture_helpers.h"

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

Picture ReferenceSoften(const Picture& in, int window) {
  Picture out = in;
  const int half = window / 2;
  for (int y = 0; y < in.height; ++y)
    for (int x = 0; x < in.width; ++x)
      for (int c = 0; c < 3; ++c) {
        int sum = 0, count = 0;
        for (int yy = y - half; yy <= y + half; ++yy)
          for (int xx = x - half; xx <= x + half; ++xx)
            if (xx >= 0 && yy >= 0 && xx < in.width && yy < in.height) {
              sum += in.Line(yy)[3 * xx + c];
              ++count;
            }
        out.Line(y)[3 * x + c] = static_cast<std::uint8_t>(sum / count);
      }
  return out;
}

// Mean colour of the pixels of a rectangle, by integer division.
Bgr MeanOf(const Picture& p, int left, int top, int right, int bottom) {
  int sums[3] = {0, 0, 0};
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x)
      for (int c = 0; c < 3; ++c) sums[c] += p.Line(y)[3 * x + c];
  const int count = (right - left) * (bottom - top);
  return {sums[0] / count, sums[1] / count, sums[2] / count};
}

bool Filled(const Picture& p, int left, int top, int right, int bottom, Bgr colour) {
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x)
      if (At(p, x, y) != colour) return false;
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

TEST(Filters, SharpenLeavesPicturesOfOneOrTwoPixelsAcross) {
  for (auto [w, h] : {std::pair{1, 5}, {2, 5}, {5, 1}, {5, 2}, {2, 2}}) {
    const Picture original = test::Noise24(w, h, static_cast<unsigned>(w * 10 + h));
    Picture p = original;
    Sharpen(p);
    EXPECT_TRUE(test::SamePicture(p, original)) << w << "x" << h;
  }
}

TEST(Filters, SharpenOfASingleWhitePixel) {
  Picture p = test::Make24(5, 5);
  test::Set(p, 2, 2, Grey(255));
  Sharpen(p);
  EXPECT_EQ(At(p, 2, 2), Grey(255));  // 255 + trunc(0.4 * 1020), clamped
  for (auto [x, y] : {std::pair{1, 2}, {3, 2}, {2, 1}, {2, 3}, {1, 1}, {3, 3}}) EXPECT_EQ(At(p, x, y), Grey(0));
}

TEST(Filters, SharpenMatchesItsDefinition) {
  for (auto [w, h] : {std::pair{3, 3}, {7, 4}, {40, 31}}) {
    const Picture original = test::Noise24(w, h, 5);
    Picture p = original;
    Sharpen(p);
    const Picture expected = ReferenceSharpen(original);
    EXPECT_TRUE(test::SamePicture(p, expected)) << w << "x" << h;  // padding kept as well
  }
}

TEST(Filters, SoftenAveragesTheClippedWindow) {
  Picture single = test::Noise24(1, 1);
  const Picture one = single;
  Soften(single);
  EXPECT_TRUE(test::SamePicture(single, one));

  // A corner averages the 9 pixels of its clipped window, a pixel on the top line away
  // from the corners the 15 of its window.
  Picture p = test::Make24(12, 12);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) test::Set(p, x, y, Grey(90));
  for (int y = 0; y < 3; ++y)
    for (int x = 4; x < 9; ++x) test::Set(p, x, y, Grey(150));
  Soften(p);
  EXPECT_EQ(At(p, 0, 0), Grey(90));
  EXPECT_EQ(At(p, 6, 0), Grey(150));
}

TEST(Filters, SoftenMatchesItsDefinition) {
  for (auto [w, h] : {std::pair{1, 7}, {2, 3}, {5, 5}, {6, 1}, {23, 17}, {70, 41}}) {
    const Picture original = test::Noise24(w, h, 9);
    Picture p = original;
    Soften(p);
    EXPECT_TRUE(test::SamePicture(p, ReferenceSoften(original, kSoftenWindow))) << w << "x" << h;
  }
  // The worker takes any odd window up to 15.
  const Picture original = test::Noise24(45, 38, 10);
  for (int window : {1, 3, 7, 15}) {
    Picture p = original;
    Soften(p, window);
    EXPECT_TRUE(test::SamePicture(p, ReferenceSoften(original, window))) << window;
  }
}

TEST(Filters, MosaicOfTheWholePictureUsesClippedBlocks) {
  const Picture original = test::Noise24(10, 10, 4);
  Picture p = original;
  Mosaic(p, {});
  EXPECT_TRUE(Filled(p, 0, 0, 8, 8, MeanOf(original, 0, 0, 8, 8)));
  EXPECT_TRUE(Filled(p, 8, 0, 10, 8, MeanOf(original, 8, 0, 10, 8)));
  EXPECT_TRUE(Filled(p, 0, 8, 8, 10, MeanOf(original, 0, 8, 8, 10)));
  EXPECT_TRUE(Filled(p, 8, 8, 10, 10, MeanOf(original, 8, 8, 10, 10)));
}

TEST(Filters, MosaicOfASelectionTouchesOnlyTheSelection) {
  const Picture original = test::Noise24(10, 10, 6);
  Picture p = original;
  Mosaic(p, {3, 3, 7, 7});
  EXPECT_TRUE(Filled(p, 3, 3, 7, 7, MeanOf(original, 3, 3, 7, 7)));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      if (x < 3 || x >= 7 || y < 3 || y >= 7) {
        ASSERT_EQ(At(p, x, y), At(original, x, y)) << x << "," << y;
      }
    }
}

TEST(Filters, MosaicClipsASelectionReachingPastTheEdge) {
  const Picture original = test::Noise24(10, 6, 8);
  Picture p = original;
  Mosaic(p, {6, 2, 20, 30});
  EXPECT_TRUE(Filled(p, 6, 2, 10, 6, MeanOf(original, 6, 2, 10, 6)));
  Picture outside = original;
  Mosaic(outside, {20, 20, 30, 30});
  EXPECT_TRUE(test::SamePicture(outside, original));
}

}  // namespace
}  // namespace tessaly
