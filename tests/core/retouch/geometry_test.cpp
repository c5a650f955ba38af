// Quarter and free turns with their trigonometry table and mouse angles, resampling,
// padding, the camera fit and trimming.
#include "retouch/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "retouch/rotation.h"
#include "test_support/pictures.h"

namespace tessaly {
namespace {

using test::At;
using test::Grey;
using test::Numbered;
using test::Origin;

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
        const double value =
            (p(x, y) * (1 - dx) + p(xr, y) * dx) * (1 - dy) + (p(x, yu) * (1 - dx) + p(xr, yu) * dx) * dy;
        out.Row(j)[3 * i + k] = static_cast<std::uint8_t>(std::clamp(static_cast<int>(value), 0, 255));
      }
    }
  return out;
}

TEST(Rotation, TableHoldsFourDecimals) {
  EXPECT_EQ(CosDegrees(1), 0.9998);
  EXPECT_EQ(SinDegrees(45), 0.7071);
  EXPECT_EQ(SinDegrees(30), 0.5);
  for (int a = 0; a <= 360; ++a) {
    const double radians = a * std::numbers::pi / 180;
    EXPECT_EQ(CosDegrees(a), std::round(std::cos(radians) * 10000) / 10000) << a;
    EXPECT_EQ(SinDegrees(a), std::round(std::sin(radians) * 10000) / 10000) << a;
    EXPECT_EQ(CosDegrees(a), CosDegrees(a + 360));
  }
}

TEST(Rotation, MouseAnglesAndTheTurnedOutline) {
  EXPECT_EQ(DirectionAngle(1, 0), 0);
  EXPECT_EQ(DirectionAngle(0, 1), 90);
  EXPECT_EQ(DirectionAngle(-1, -1), 225);
  EXPECT_EQ(DirectionAngle(100, -1), 359);  // 359.43 rounds to the nearest degree
  EXPECT_EQ(DirectionAngle(0, 0), 0);
  // From three o'clock to six o'clock on screen (window y grows downward) is clockwise.
  const ScreenPoint centre{100, 100};
  EXPECT_EQ(MouseRotationAngle(centre, {150, 100}, {100, 150}), 90);
  EXPECT_EQ(MouseRotationAngle(centre, {100, 150}, {150, 100}), 270);
  EXPECT_EQ(MouseRotationAngle(centre, {150, 100}, {150, 100}), 0);
  EXPECT_EQ(MouseRotationAngle(centre, {150, 101}, {150, 99}), 358);
  // The top-left corner of a 40 x 20 outline ends up at the top right of a 20 x 40 one.
  const auto corners = TurnedOutline({50, 50}, 40, 20, 90);
  EXPECT_DOUBLE_EQ(corners[0].x, 60);
  EXPECT_DOUBLE_EQ(corners[0].y, 30);
  EXPECT_DOUBLE_EQ(corners[2].x, 40);
  EXPECT_DOUBLE_EQ(corners[2].y, 70);
}

TEST(Geometry, QuarterTurnsMovePixelsWhereTheyBelongAndFourAreTheIdentity) {
  const Picture original = Numbered(7, 4);
  Picture right = original, left = original, half = original;
  Rotate90Right(right);
  Rotate90Left(left);
  Rotate180(half);
  ASSERT_EQ(right.width, 4);
  ASSERT_EQ(right.height, 7);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 7; ++x) {
      EXPECT_EQ(At(right, 3 - y, x), Origin(x, y));
      EXPECT_EQ(At(left, y, 6 - x), Origin(x, y));
      EXPECT_EQ(At(half, 6 - x, 3 - y), Origin(x, y));
    }
  for (auto [w, h] : {std::pair{1, 1}, {5, 3}, {33, 70}}) {
    const Picture start = Numbered(w, h);
    Picture p = start;
    for (int i = 0; i < 4; ++i) Rotate90Right(p);
    EXPECT_EQ(p.pixels, start.pixels);
    Rotate90Left(p);
    Rotate90Right(p);
    Rotate180(p);
    Rotate180(p);
    EXPECT_EQ(p.pixels, start.pixels);
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

TEST(Geometry, FreeRotationMatchesItsDefinitionAndTurnsClockwise) {
  // Rows of 4 pixels have no padding, so there the last row ends the block.
  for (auto [w, h] : {std::pair{23, 14}, {4, 3}}) {
    const Picture original = test::Noise24(w, h, 2);
    for (int degrees : {1, 3, 30, 45, 90, 137, 180, 200, 270, 330, 359}) {
      Picture p = original;
      RotateFree(p, degrees);
      const Picture expected = ReferenceRotateFree(original, degrees);
      ASSERT_EQ(p.width, expected.width) << degrees;
      ASSERT_EQ(p.height, expected.height) << degrees;
      EXPECT_EQ(p.pixels, expected.pixels) << degrees;
    }
  }
  // A dark pixel right of the centre goes below it after a clockwise quarter turn.
  Picture p = test::Make24(21, 21, 200);
  test::Set(p, 15, 10, Grey(0));
  RotateFree(p, 90);
  EXPECT_EQ(At(p, 10, 15), Grey(0));
  EXPECT_EQ(At(p, 10, 10), Grey(200));
}

TEST(Geometry, ResampleTakesTheNearestPixelWithOneRatio) {
  Picture half = Numbered(8, 6);
  Resample(half, 4, 3);
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 4; ++i) EXPECT_EQ(half.Row(j)[3 * i], 2 * i) << i;
  // Rows come from the same ratio as columns; past the last row they hold at it.
  Picture thin = Numbered(2, 3);
  Resample(thin, 2, 9);
  ASSERT_EQ(thin.height, 9);
  for (int j = 0; j < 9; ++j) EXPECT_EQ(thin.Row(j)[1], 2 - std::min(j, 2)) << j;
  Picture unpadded = Numbered(4, 3);
  Resample(unpadded, 8, 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(At(unpadded, x, y), Origin(x / 2, y / 2)) << x << "," << y;
}

TEST(Geometry, PadToCanvasCentresWithTheOddPixelRightAndTop) {
  Picture p = test::Make24(2, 2, 0);
  PadToCanvas(p, 5, 5, kCanvasWhite);
  ASSERT_EQ(p.width, 5);
  // Left edge at column 1, bottom line at stored row 1: one column left, two right, one
  // line below and two above.
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(At(p, x, y), x >= 1 && x < 3 && y >= 2 && y < 4 ? Grey(0) : Grey(255)) << x << "," << y;
  Picture coloured = test::Make24(1, 1, 0);
  PadToCanvas(coloured, 2, 1, 0x102030);
  EXPECT_EQ(At(coloured, 1, 0), (test::Bgr{0x30, 0x20, 0x10}));
}

TEST(Geometry, CameraFit) {
  EXPECT_EQ(ComputeCameraFit(1280, 960).scaled, (PictureSize{640, 480}));
  EXPECT_EQ(ComputeCameraFit(1024, 768).scaled, (PictureSize{640, 480}));
  EXPECT_EQ(ComputeCameraFit(200, 100).scaled, (PictureSize{320, 160}));
  EXPECT_EQ(ComputeCameraFit(400, 400).canvas, (PictureSize{640, 480}));
  EXPECT_FALSE(ComputeCameraFit(320, 240).needed);
  EXPECT_FALSE(ComputeCameraFit(640, 480).needed);
  EXPECT_EQ(ComputeCameraFit(1280, 1).scaled, (PictureSize{640, 1}));

  // 160 x 100: k = min(2, 2.4) = 2, resampled to 320 x 200, 20 white lines above and below.
  Picture p = Numbered(160, 100);
  FitToCamera(p);
  ASSERT_EQ(p.width, 320);
  ASSERT_EQ(p.height, 240);
  EXPECT_EQ(At(p, 0, 19), Grey(255));
  EXPECT_EQ(At(p, 319, 220), Grey(255));
  EXPECT_EQ(At(p, 0, 20), Origin(0, 0));
  EXPECT_EQ(At(p, 319, 219), Origin(159, 99));
  EXPECT_EQ(At(p, 101, 20 + 57), Origin(50, 28));
}

TEST(Geometry, CropKeepsTheRectangle) {
  Picture p = Numbered(130, 90);
  Crop(p, 10, 20, 100, 50);
  ASSERT_EQ(p.width, 100);
  ASSERT_EQ(p.height, 50);
  EXPECT_EQ(At(p, 0, 0), Origin(10, 20));
  EXPECT_EQ(At(p, 99, 49), Origin(109, 69));
  Picture clipped = Numbered(130, 90);
  Crop(clipped, 120, 80, 50, 50);
  EXPECT_EQ(clipped.width, 10);
  EXPECT_EQ(clipped.height, 10);
}

}  // namespace
}  // namespace tessaly
