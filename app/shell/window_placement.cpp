#include "shell/window_placement.h"

#include <algorithm>

#include "base/ini_file.h"

namespace tessaly::shell {
namespace {
constexpr char kSection[] = "Last Window";
}

std::optional<ScreenRect> UsableSavedRect(const ScreenRect& saved, const std::vector<ScreenRect>& screens) {
  if (saved == ScreenRect{} || saved.width <= 0 || saved.height <= 0) return std::nullopt;
  bool fits = std::any_of(screens.begin(), screens.end(), [&](const ScreenRect& s) { return s.Contains(saved); });
  return fits ? std::optional(saved) : std::nullopt;
}

ScreenRect DefaultMainRect(const ScreenRect& workArea) {
  constexpr int kWidth = 1000, kHeight = 720, kMargin = 24;
  const int width = std::max(1, std::min(kWidth, workArea.width - 2 * kMargin));
  const int height = std::max(1, std::min(kHeight, workArea.height - 2 * kMargin));
  return {workArea.x + (workArea.width - width) / 2, workArea.y + (workArea.height - height) / 2, width, height};
}

ScreenRect ReadLastWindow() {
  IniFile ini;
  ini.Load(SettingsFilePath());
  return {static_cast<int>(ini.GetInt(kSection, "Xpos", 0)), static_cast<int>(ini.GetInt(kSection, "Ypos", 0)),
          static_cast<int>(ini.GetInt(kSection, "Width", 0)), static_cast<int>(ini.GetInt(kSection, "Height", 0))};
}

void WriteLastWindow(const ScreenRect& rect) {
  IniFile ini;
  auto path = SettingsFilePath();
  ini.Load(path);
  ini.SetInt(kSection, "Width", rect.width);
  ini.SetInt(kSection, "Height", rect.height);
  ini.SetInt(kSection, "Xpos", rect.x);
  ini.SetInt(kSection, "Ypos", rect.y);
  ini.Save(path);
}

}  // namespace tessaly::shell
