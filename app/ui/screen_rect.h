// A rectangle on the screen, in pixels from the top left corner of the whole desktop.
#pragma once

namespace tessaly::ui {

struct ScreenRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool Contains(const ScreenRect& other) const {
    return other.x >= x && other.y >= y && other.x + other.width <= x + width && other.y + other.height <= y + height;
  }
  friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

}  // namespace tessaly::ui
