// The settings the application reads when it starts and the rules by which it opens a
// path. Plain functions without wx, so that the rules are tested on their own.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "ui/app_state.h"

namespace tessaly {
class IniFile;
}

namespace tessaly::shell {

// The section and entry that an installation may fill with the folder every directory
// setting starts from.
inline constexpr char kInstallSection[] = "Velmora DigitalCamera";
inline constexpr char kInstallEntry[] = "Directory";

// Reads the seven directory settings (an absent or empty one takes the installation's
// "Directory"), the five filter indexes and the album's name mode from the settings
// file into state. Port and speed are applied by ApplyStartupPortAndSpeed.
void ReadStartupSettings(const IniFile& ini, ui::AppState& state);

// Reads "Last Used Port" and "Last Used Bps" and applies them to the link: a stored port
// of 0 or one that cannot be opened gives the first usable port (-1 when there is none).
void ApplyStartupPortAndSpeed(ui::AppState& state);

// How a path given to the application is opened.
enum class OpenTarget {
  kAlbum,    // a folder: an album of every picture type
  kPicture,  // a picture file for the retouch window
  kInvalid,  // anything else: "This is not a valid file type."
};
struct OpenDecision {
  OpenTarget target = OpenTarget::kInvalid;
  std::filesystem::path path;  // the path to open, a symbolic link replaced by its target
};
OpenDecision DecideOpen(const std::filesystem::path& path);

// The recently used files: section "Recent File List", entries "File1" to "File4",
// the most recent first.
inline constexpr std::size_t kRecentFileCount = 4;
std::vector<std::string> ReadRecentFiles(const IniFile& ini);
void StoreRecentFiles(IniFile& ini, const std::vector<std::string>& files);

}  // namespace tessaly::shell
