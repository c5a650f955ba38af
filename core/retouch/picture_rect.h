// A rectangle in picture pixels: top-left origin, right and bottom exclusive.
#pragma once

#include <algorithm>

namespace tessaly {

struct PictureRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  // A selection counts as present when it has extent in both directions.
  bool Empty() const { return left == right || top == bottom; }

  // The same rectangle with left <= right and top <= bottom, whichever way it was dragged.
  PictureRect Normalized() const {
    return {std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
  }
  // The portion of the (normalised) rectangle that lies inside a width x height picture;
  // empty when they do not overlap.
  PictureRect ClippedTo(int width, int height) const {
    PictureRect n = Normalized();
    PictureRect c{std::clamp(n.left, 0, width), std::clamp(n.top, 0, height), std::clamp(n.right, 0, width),
                  std::clamp(n.bottom, 0, height)};
    if (c.Empty()) return {};
    return c;
  }

  friend bool operator==(const PictureRect&, const PictureRect&) = default;
};

}  // namespace tessaly
