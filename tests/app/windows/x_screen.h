// Reading pixels back from the X server, for tests that check what a window drew, and
// saving them for a person to look at.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <wx/image.h>
#include <wx/utils.h>
#include <wx/window.h>

#include <cstdlib>
#include <string>

namespace tessaly::test {

// The screen rectangle as the X server holds it now.
inline wxImage GrabScreen(const wxRect& rect) {
  auto* display = static_cast<Display*>(wxGetX11Display());
  XSync(display, False);
  XImage* image =
      XGetImage(display, DefaultRootWindow(display), rect.x, rect.y, rect.width, rect.height, AllPlanes, ZPixmap);
  wxImage out(rect.width, rect.height);
  if (!image) return out;
  for (int y = 0; y < rect.height; ++y)
    for (int x = 0; x < rect.width; ++x) {
      unsigned long pixel = XGetPixel(image, x, y);
      out.SetRGB(x, y, (pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    }
  XDestroyImage(image);
  return out;
}

inline wxImage GrabWindow(wxWindow* window) { return GrabScreen(window->GetScreenRect()); }

// The language a screenshot's name ends in: the one the tests run in.
inline const char* ShotLanguage() {
  const char* lang = std::getenv("TESSALY_TEST_LANG");
  return lang != nullptr && std::string(lang) == "ja" ? "ja" : "en";
}

// With TESSALY_SHOT_DIR set, the whole screen is saved there as name.png.
inline void SaveScreenshot(const std::string& name) {
  const char* folder = std::getenv("TESSALY_SHOT_DIR");
  if (!folder) return;
  auto* display = static_cast<Display*>(wxGetX11Display());
  int width = DisplayWidth(display, DefaultScreen(display));
  int height = DisplayHeight(display, DefaultScreen(display));
  GrabScreen(wxRect(0, 0, width, height)).SaveFile(std::string(folder) + "/" + name + ".png", wxBITMAP_TYPE_PNG);
}

}  // namespace tessaly::test
