#include "retouch/rotation.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tessaly {
namespace {

// cos and sin of 0...45 degrees rounded to four decimals. The rotation works from these
// rounded values, not from the exact functions, so that turns are reproducible.
constexpr std::array<double, 46> kCos = {1.0000, 0.9998, 0.9994, 0.9986, 0.9976, 0.9962, 0.9945, 0.9925, 0.9903, 0.9877,
                                         0.9848, 0.9816, 0.9781, 0.9744, 0.9703, 0.9659, 0.9613, 0.9563, 0.9511, 0.9455,
                                         0.9397, 0.9336, 0.9272, 0.9205, 0.9135, 0.9063, 0.8988, 0.8910, 0.8829, 0.8746,
                                         0.8660, 0.8572, 0.8480, 0.8387, 0.8290, 0.8192, 0.8090, 0.7986, 0.7880, 0.7771,
                                         0.7660, 0.7547, 0.7431, 0.7314, 0.7193, 0.7071};
constexpr std::array<double, 46> kSin = {0.0000, 0.0175, 0.0349, 0.0523, 0.0698, 0.0872, 0.1045, 0.1219, 0.1392, 0.1564,
                                         0.1736, 0.1908, 0.2079, 0.2250, 0.2419, 0.2588, 0.2756, 0.2924, 0.3090, 0.3256,
                                         0.3420, 0.3584, 0.3746, 0.3907, 0.4067, 0.4226, 0.4384, 0.4540, 0.4695, 0.4848,
                                         0.5000, 0.5150, 0.5299, 0.5446, 0.5592, 0.5736, 0.5878, 0.6018, 0.6157, 0.6293,
                                         0.6428, 0.6561, 0.6691, 0.6820, 0.6947, 0.7071};

struct CosSin {
  double c;
  double s;
};

CosSin TableCosSin(int degrees) {
  int a = degrees % 360;
  if (a < 0) a += 360;
  const int quadrant = a / 90;
  const int r = a % 90;
  // Within a quadrant, angles past 45 degrees mirror the first octant.
  const CosSin first = r <= 45 ? CosSin{kCos[r], kSin[r]} : CosSin{kSin[90 - r], kCos[90 - r]};
  switch (quadrant) {
    case 0: return first;
    case 1: return {-first.s, first.c};
    case 2: return {-first.c, -first.s};
    default: return {first.s, -first.c};
  }
}

constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;

}  // namespace

double CosDegrees(int degrees) { return TableCosSin(degrees).c; }
double SinDegrees(int degrees) { return TableCosSin(degrees).s; }

int DirectionAngle(double x, double y) {
  const double length = std::hypot(x, y);
  if (length == 0) return 0;
  const double ux = std::clamp(x / length, -1.0, 1.0);
  const double uy = std::clamp(y / length, -1.0, 1.0);
  double angle;
  if (uy >= 0)
    angle = std::acos(ux) * kDegreesPerRadian;
  else if (ux >= 0)
    angle = 360.0 - std::acos(ux) * kDegreesPerRadian;
  else
    angle = 180.0 - std::asin(uy) * kDegreesPerRadian;
  return static_cast<int>(std::round(angle));
}

int MouseRotationAngle(ScreenPoint centre, ScreenPoint press, ScreenPoint current) {
  // Window y grows downward; the angles are taken with y pointing up.
  const int pressAngle = DirectionAngle(press.x - centre.x, centre.y - press.y);
  const int currentAngle = DirectionAngle(current.x - centre.x, centre.y - current.y);
  int angle = pressAngle - currentAngle;
  if (angle < 0) angle += 360;
  return angle;
}

std::array<ScreenPoint, 4> TurnedOutline(ScreenPoint centre, double width, double height, int degrees) {
  const double c = CosDegrees(degrees);
  const double s = SinDegrees(degrees);
  const double hw = width / 2;
  const double hh = height / 2;
  const std::array<ScreenPoint, 4> corners = {ScreenPoint{-hw, -hh}, {hw, -hh}, {hw, hh}, {-hw, hh}};
  std::array<ScreenPoint, 4> turned;
  // With y growing downward this turn is clockwise on screen for positive angles.
  for (std::size_t i = 0; i < corners.size(); ++i)
    turned[i] = {centre.x + corners[i].x * c - corners[i].y * s, centre.y + corners[i].x * s + corners[i].y * c};
  return turned;
}

}  // namespace tessaly
