#include "shell/app_settings.h"

#include <system_error>

#include "base/file_io.h"
#include "base/ini_file.h"
#include "formats/picture_file.h"
#include "workflows/connection.h"

namespace tessaly::shell {
namespace {

constexpr char kRecentSection[] = "Recent File List";

std::string EntryName(std::size_t index) { return "File" + std::to_string(index + 1); }

}  // namespace

void ReadStartupSettings(const IniFile& ini, ui::AppState& state) {
  const std::string install = ini.GetString(kInstallSection, kInstallEntry, "");
  auto directory = [&](const char* section, const char* entry) {
    std::string value = ini.GetString(section, entry, "");
    return value.empty() ? install : value;
  };
  for (const ui::DialogChoiceSetting& setting : ui::kDialogChoices) {
    state.*setting.folder = directory(setting.dirSection, setting.entry);
    if (setting.filterIndex != nullptr)
      state.*setting.filterIndex = static_cast<int>(ini.GetInt(setting.extSection, setting.entry, 0));
  }
}

void ApplyStartupPortAndSpeed(ui::AppState& state) {
  CommSetupDialogData dialog;
  CommSettings settings = ApplyStoredCommSettings(dialog);
  state.lastPort = settings.port;
  state.lastBps = settings.speed;
}

OpenDecision DecideOpen(const std::filesystem::path& path) {
  // A dangling link is taken as it is, and then found to be no file to open.
  std::error_code error;
  OpenDecision decision{OpenTarget::kInvalid, FollowShortcut(path, error).value_or(path)};
  if (std::filesystem::is_directory(decision.path, error)) {
    decision.target = OpenTarget::kAlbum;
  } else if (CanOpenPicture(decision.path)) {
    decision.target = OpenTarget::kPicture;
  }
  return decision;
}

std::vector<std::string> ReadRecentFiles(const IniFile& ini) {
  std::vector<std::string> files;
  for (std::size_t i = 0; i < kRecentFileCount; ++i) {
    std::string file = ini.GetString(kRecentSection, EntryName(i), "");
    if (!file.empty()) files.push_back(file);
  }
  return files;
}

void StoreRecentFiles(IniFile& ini, const std::vector<std::string>& files) {
  for (std::size_t i = 0; i < kRecentFileCount; ++i)
    ini.Set(kRecentSection, EntryName(i), i < files.size() ? files[i] : std::string());
}

}  // namespace tessaly::shell
