// Where the main window opens: the rectangle saved at the last close, when it still fits.
#pragma once

#include <optional>
#include <vector>

#include "ui/screen_rect.h"

namespace tessaly::shell {

using ui::ScreenRect;

// The saved rectangle when it is not all zeros, has a size, and lies wholly on one of
// the screens; otherwise nothing, and the window opens at its default place.
std::optional<ScreenRect> UsableSavedRect(const ScreenRect& saved, const std::vector<ScreenRect>& screens);

// Where the main window opens without a usable saved rectangle: 1000 x 720 pixels, its
// frame included, or less on a small work area so that a margin stays around it, centred
// in the work area.
ScreenRect DefaultMainRect(const ScreenRect& workArea);

// "Last Window" in the settings file.
ScreenRect ReadLastWindow();
void WriteLastWindow(const ScreenRect& rect);

}  // namespace tessaly::shell
