#include "retouch/rotation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace tessaly {
namespace {

TEST(Rotation, TableHoldsFourDecimals) {
  EXPECT_EQ(CosDegrees(1), 0.9998);
  EXPECT_EQ(SinDegrees(1), 0.0175);
  EXPECT_EQ(CosDegrees(45), 0.7071);
  EXPECT_EQ(SinDegrees(45), 0.7071);
  EXPECT_EQ(SinDegrees(30), 0.5);
  EXPECT_EQ(CosDegrees(90), 0.0);
  EXPECT_EQ(SinDegrees(90), 1.0);
  for (int a = 0; a <= 360; ++a) {
    const double radians = a * std::numbers::pi / 180;
    EXPECT_EQ(CosDegrees(a), std::round(std::cos(radians) * 10000) / 10000) << a;
    EXPECT_EQ(SinDegrees(a), std::round(std::sin(radians) * 10000) / 10000) << a;
    EXPECT_EQ(CosDegrees(a), CosDegrees(a + 360));
  }
}

TEST(Rotation, DirectionAngles) {
  EXPECT_EQ(DirectionAngle(1, 0), 0);
  EXPECT_EQ(DirectionAngle(0, 1), 90);
  EXPECT_EQ(DirectionAngle(-1, 0), 180);
  EXPECT_EQ(DirectionAngle(-1, -1), 225);
  EXPECT_EQ(DirectionAngle(0, -1), 270);
  EXPECT_EQ(DirectionAngle(1, -1), 315);
  EXPECT_EQ(DirectionAngle(100, -1), 359);  // 359.43 rounds to the nearest degree
  EXPECT_EQ(DirectionAngle(0, 0), 0);
}

TEST(Rotation, DraggingClockwiseGivesAPositiveAngle) {
  const ScreenPoint centre{100, 100};
  // From three o'clock to six o'clock on screen (window y grows downward).
  EXPECT_EQ(MouseRotationAngle(centre, {150, 100}, {100, 150}), 90);
  EXPECT_EQ(MouseRotationAngle(centre, {100, 150}, {150, 100}), 270);
  EXPECT_EQ(MouseRotationAngle(centre, {150, 100}, {150, 100}), 0);
  EXPECT_EQ(MouseRotationAngle(centre, {150, 101}, {150, 99}), 358);
}

TEST(Rotation, OutlineTurnsClockwiseOnScreen) {
  const auto corners = TurnedOutline({50, 50}, 40, 20, 90);
  // The top-left corner of a 40 x 20 outline ends up at the top right of a 20 x 40 one.
  EXPECT_DOUBLE_EQ(corners[0].x, 60);
  EXPECT_DOUBLE_EQ(corners[0].y, 30);
  EXPECT_DOUBLE_EQ(corners[2].x, 40);
  EXPECT_DOUBLE_EQ(corners[2].y, 70);
}

}  // namespace
}  // namespace tessaly
