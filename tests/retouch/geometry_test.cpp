#include "retouch/geometry.h"

#include <gtest/gtest.h>

#include <cmath>

#include "picture_helpers.h"
#include "retouch/rotation.h"

namespace tessaly {
namespace {

using test::At;
using test::Bgr;
using test::Grey;

// A picture whose every pixel tells where it came from.
Picture Numbered(int w, int h) {
  Picture p = test::Make24(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) test::Set(p, x, y, {x % 256, y % 256, (x / 256) * 16 + y / 256});
  return p;
}
Bgr Origin(int x, int y) { return {x % 256, y % 256, (x / 256) * 16 + y / 256}; }

// Free rotation step by step as it is defined, in stored-row coordinates.
Picture ReferenceRotateFree(const Picture& in, int degrees) {
  const double c = CosDegrees(degrees), s = SinDegrees(degrees);
  const int w = in.width, h = in.height;
  const int w2 = static_cast<int>(std::fabs(h * s) + std::fabs(w * c) + 0.5);
  const int h2 = static_cast<int>(std::fabs(w * s) + std::fabs(h * c) + 0.5);
  Picture out = test::Make24(w2, h2, 255);
  for (int j = 0; j < h2; ++j)
    for (int i = 0; i < w2; ++i) {
      const int v = j - h2 / 2, u = i - w2 / 2;
      const double sx = u * c - v * s, sy = v * c + u * s;
      if (!(0 <= w / 2 + sx && w / 2 + sx < w && 0 <= h / 2 + sy && h / 2 + sy < h)) continue;
      const int xi = sx > 0 ? static_cast<int>(sx) : static_cast<int>(sx - 1);
      const int yi = sy > 0 ? static_cast<int>(sy) : static_cast<int>(sy - 1);
      const double dx = sx - xi, dy = sy - yi;
      const int x = std::clamp(xi + w / 2, 0, w - 1), y = std::clamp(yi + h / 2, 0, h - 1);
      const int xr = x + 1 < w ? x + 1 : x, yu = y + 1 < h ? y + 1 : y;
      for (int k = 0; k < 3; ++k) {
        auto p = [&](int px, int py) { return static_cast<double>(in.Row(py)[3 * px + k]); };
        const double value = (p(x, y) * (1 - dx) + p(xr, y) * dx) * (1 - dy) + (p(x, yu) * (1 - dx) + p(xr, yu) * dx) * dy;
        out.Row(j)[3 * i + k] = static_cast<std::uint8_t>(std::clamp(static_cast<int>(value), 0, 255));
      }
    }
  return out;
}

TEST(Geometry, QuarterTurnsMovePixelsWhereTheyBelong) {
  const Picture original = Numbered(7, 4);
  Picture right = original;
  Rotate90Right(right);
  ASSERT_EQ(right.width, 4);
  ASSERT_EQ(right.height, 7);
  Picture left = original;
  Rotate90Left(left);
  Picture half = original;
  Rotate180(half);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 7; ++x) {
      EXPECT_EQ(At(right, 4 - 1 - y, x), Origin(x, y));
      EXPECT_EQ(At(left, y, 7 - 1 - x), Origin(x, y));
      EXPECT_EQ(At(half, 7 - 1 - x, 4 - 1 - y), Origin(x, y));
    }
}

TEST(Geometry, FourQuarterTurnsAndTwoHalfTurnsAreTheIdentity) {
  for (auto [w, h] : {std::pair{1, 1}, {5, 3}, {33, 70}}) {
    const Picture original = Numbered(w, h);
    Picture p = original;
    for (int i = 0; i < 4; ++i) Rotate90Right(p);
    EXPECT_EQ(p.pixels, original.pixels);
    Rotate90Left(p);
    Rotate90Right(p);
    Rotate180(p);
    Rotate180(p);
    EXPECT_EQ(p.pixels, original.pixels);
  }
}

TEST(Geometry, SizeLimits) {
  EXPECT_FALSE(QuarterTurnFits(1280, 960));  // its height would become 1280
  EXPECT_TRUE(QuarterTurnFits(1024, 1280));
  EXPECT_EQ(FreeRotationSize(100, 100, 45), (PictureSize{141, 141}));  // 70.71 + 70.71 + 0.5
  EXPECT_EQ(FreeRotationSize(4, 2, 90), (PictureSize{2, 4}));
  EXPECT_EQ(FreeRotationSize(640, 480, 360 - 30), FreeRotationSize(640, 480, 30));
  EXPECT_FALSE(WithinSizeLimit(ScaledSize(1000, 800, 200)));
  EXPECT_EQ(ScaledSize(1000, 800, 50), (PictureSize{500, 400}));
  EXPECT_EQ(ScaledSize(3, 9, 25), (PictureSize{0, 2}));
}

TEST(Geometry, FreeRotationMatchesItsDefinition) {
  const Picture original = test::Noise24(23, 14, 2);
  for (int degrees : {1, 30, 45, 90, 137, 180, 200, 270, 330, 359}) {
    Picture p = original;
    RotateFree(p, degrees);
    const Picture expected = ReferenceRotateFree(original, degrees);
    ASSERT_EQ(p.width, expected.width) << degrees;
    ASSERT_EQ(p.height, expected.height) << degrees;
    EXPECT_EQ(p.pixels, expected.pixels) << degrees;
  }
}

TEST(Geometry, FreeRotationTurnsClockwiseOnScreen) {
  // A dark pixel right of the centre goes below it after a clockwise quarter turn.
  Picture p = test::Make24(21, 21, 200);
  test::Set(p, 15, 10, Grey(0));
  RotateFree(p, 90);
  ASSERT_EQ(p.width, 21);
  EXPECT_EQ(At(p, 10, 15), Grey(0));
  EXPECT_EQ(At(p, 10, 10), Grey(200));
}

TEST(Geometry, ResampleTakesTheNearestPixelWithOneRatio) {
  const Picture original = Numbered(8, 6);
  Picture half = original;
  Resample(half, 4, 3);
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 4; ++i) EXPECT_EQ(half.Row(j)[3 * i], 2 * i) << i;
  // Rows come from the same ratio as columns; past the last row they hold at it.
  Picture thin = Numbered(2, 3);
  Resample(thin, 2, 9);
  ASSERT_EQ(thin.height, 9);
  for (int j = 0; j < 9; ++j) EXPECT_EQ(thin.Row(j)[1], 2 - std::min(j, 2)) << j;
}

TEST(Geometry, ResamplingAPictureWithoutRowPaddingStaysInside) {
  // Rows of 4 pixels have no padding, so the last row ends the block.
  const Picture original = Numbered(4, 3);
  Picture p = original;
  Resample(p, 8, 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(At(p, x, y), Origin(x / 2, y / 2)) << x << "," << y;
  Picture turned = original;
  RotateFree(turned, 3);
  EXPECT_EQ(turned.pixels, ReferenceRotateFree(original, 3).pixels);
}

TEST(Geometry, PadToCanvasCentresWithTheOddPixelRightAndTop) {
  Picture p = test::Make24(2, 2, 0);
  PadToCanvas(p, 5, 5, kCanvasWhite);
  ASSERT_EQ(p.width, 5);
  // Left edge at column 1, bottom line at stored row 1: one column left, two right, one
  // line below and two above.
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) {
      const bool inside = x >= 1 && x < 3 && y >= 2 && y < 4;
      EXPECT_EQ(At(p, x, y), inside ? Grey(0) : Grey(255)) << x << "," << y;
    }
  Picture coloured = test::Make24(1, 1, 0);
  PadToCanvas(coloured, 2, 1, 0x102030);
  EXPECT_EQ(At(coloured, 1, 0), (Bgr{0x30, 0x20, 0x10}));
}

TEST(Geometry, CameraFit) {
  const CameraFit small = ComputeCameraFit(160, 100);
  EXPECT_EQ(small.scaled, (PictureSize{320, 200}));
  EXPECT_EQ(small.canvas, (PictureSize{320, 240}));
  EXPECT_EQ(ComputeCameraFit(1280, 960).scaled, (PictureSize{640, 480}));
  EXPECT_EQ(ComputeCameraFit(1024, 768).scaled, (PictureSize{640, 480}));
  EXPECT_EQ(ComputeCameraFit(200, 100).scaled, (PictureSize{320, 160}));
  EXPECT_EQ(ComputeCameraFit(400, 400).canvas, (PictureSize{640, 480}));
  EXPECT_FALSE(ComputeCameraFit(320, 240).needed);
  EXPECT_FALSE(ComputeCameraFit(640, 480).needed);
  EXPECT_EQ(ComputeCameraFit(1280, 1).scaled, (PictureSize{640, 1}));

  // 160 x 100 doubles to 320 x 200 with 20 white lines above and below.
  Picture p = Numbered(160, 100);
  FitToCamera(p);
  ASSERT_EQ(p.width, 320);
  ASSERT_EQ(p.height, 240);
  EXPECT_EQ(At(p, 0, 19), Grey(255));
  EXPECT_EQ(At(p, 319, 220), Grey(255));
  EXPECT_EQ(At(p, 0, 20), Origin(0, 0));
  EXPECT_EQ(At(p, 319, 219), Origin(159, 99));
  EXPECT_EQ(At(p, 101, 20 + 57), Origin(50, 28));

  // The same as resampling and then padding.
  Picture twoSteps = Numbered(160, 100);
  Resample(twoSteps, 320, 200);
  PadToCanvas(twoSteps, 320, 240, kCanvasWhite);
  EXPECT_EQ(p.pixels, twoSteps.pixels);
}

TEST(Geometry, CropKeepsTheRectangle) {
  const Picture original = Numbered(130, 90);
  Picture p = original;
  Crop(p, 10, 20, 100, 50);
  ASSERT_EQ(p.width, 100);
  ASSERT_EQ(p.height, 50);
  EXPECT_EQ(At(p, 0, 0), Origin(10, 20));
  EXPECT_EQ(At(p, 99, 49), Origin(109, 69));
  Picture clipped = original;
  Crop(clipped, 120, 80, 50, 50);
  EXPECT_EQ(clipped.width, 10);
  EXPECT_EQ(clipped.height, 10);
}

}  // namespace
}  // namespace tessaly
