// The angle arithmetic of rotation: the four-decimal trigonometry table, the angle a
// mouse drag describes around the picture centre, and the turned outline the view draws.
#pragma once

#include <array>

namespace tessaly {

// Cosine and sine of a whole-degree angle, rounded to four decimal places the way the
// table of 0...45 degrees holds them; other angles come from it by symmetry and sign.
// Any integer angle is accepted and taken modulo 360.
double CosDegrees(int degrees);
double SinDegrees(int degrees);

struct ScreenPoint {
  double x = 0;
  double y = 0;
  friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

// Direction of the vector (x, y), y pointing up, in whole degrees 0...360 (halves rounded
// away from zero). A zero vector has direction 0.
int DirectionAngle(double x, double y);

// Clockwise rotation angle, 0...360, described by dragging the mouse from press to current
// around centre. All three are window points (y grows downward); 0 and 360 mean no turn.
int MouseRotationAngle(ScreenPoint centre, ScreenPoint press, ScreenPoint current);

// Corners of a width x height outline centred on centre (window points), turned clockwise
// on screen by degrees with the table values: top-left, top-right, bottom-right,
// bottom-left.
std::array<ScreenPoint, 4> TurnedOutline(ScreenPoint centre, double width, double height, int degrees);

}  // namespace tessaly
