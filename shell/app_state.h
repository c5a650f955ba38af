// What the application keeps for all its windows while it runs.
#pragma once

#include <string>

#include "shell/window_placement.h"

namespace tessaly::shell {

struct AppState {
  // True when the camera and album windows list names instead of thumbnails.
  bool namesOnlyPreference = false;
  // The main window's rectangle on the screen and its client area, kept current by
  // the main frame.
  ScreenRect mainWindowRect;
  ScreenRect mainClientRect;
  // Set by any part that runs out of memory while building lists, loading or drawing;
  // while it is set no document is opened.
  bool outOfMemory = false;
  // Prefix of the file names given to pictures saved from the camera.
  std::string savePrefix = "AUT_";
};

AppState& TheAppState();

}  // namespace tessaly::shell
