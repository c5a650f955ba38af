// Where the main window opens: the rectangle saved at the last close, when it still fits.
#pragma once

#include <optional>
#include <vector>

namespace tessaly::shell {

struct ScreenRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool Contains(const ScreenRect& other) const {
    return other.x >= x && other.y >= y && other.x + other.width <= x + width &&
           other.y + other.height <= y + height;
  }
  friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// The saved rectangle when it is not all zeros, has a size, and lies wholly on one of
// the screens; otherwise nothing, and the window opens at its default place.
std::optional<ScreenRect> UsableSavedRect(const ScreenRect& saved, const std::vector<ScreenRect>& screens);

// "Last Window" in the settings file.
ScreenRect ReadLastWindow();
void WriteLastWindow(const ScreenRect& rect);

}  // namespace tessaly::shell
