// A private profile file: "[Section]" headers and "Entry=value" lines.
//
// Sections and entries are matched without regard to case, as the program has always
// done; values are kept as text and integers are written as plain decimal. Lines the
// program does not know (comments, other sections) are kept as they are, so a hand-edited
// file survives a save.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

class IniFile {
 public:
  // Reads the file. A missing file gives an empty profile and true; an unreadable one false.
  bool Load(const std::filesystem::path& path);
  // Parses text (CR LF or LF line ends).
  void Parse(std::string_view text);

  std::optional<std::string> Get(std::string_view section, std::string_view entry) const;
  std::string GetString(std::string_view section, std::string_view entry, std::string_view fallback) const;
  // The value's leading decimal integer (with an optional sign), or fallback when the
  // entry is absent or does not start with a number.
  long GetInt(std::string_view section, std::string_view entry, long fallback) const;

  void Set(std::string_view section, std::string_view entry, std::string_view value);
  void SetInt(std::string_view section, std::string_view entry, long value);

  std::string Text() const;
  // Writes the whole file through a temporary file in the same folder, creating the
  // folder when needed.
  bool Save(const std::filesystem::path& path) const;

 private:
  // Index of the "[section]" line, or npos.
  std::size_t FindSection(std::string_view section) const;
  // Index of the entry's line inside the section starting at sectionLine, or npos.
  std::size_t FindEntry(std::size_t sectionLine, std::string_view entry) const;

  std::vector<std::string> m_lines;
};

// The settings file: $TESSALY_INI, else $XDG_CONFIG_HOME/tessaly/Tessaly.ini, else
// ~/.config/tessaly/Tessaly.ini.
std::filesystem::path SettingsFilePath();

// Reads and writes single settings in the settings file, as the dialogs do when they
// are confirmed. A write reads the file afresh so that settings written by another
// part of the program in the meantime are kept.
long ReadProfileInt(std::string_view section, std::string_view entry, long fallback);
std::string ReadProfileString(std::string_view section, std::string_view entry, std::string_view fallback);
bool WriteProfileInt(std::string_view section, std::string_view entry, long value);
bool WriteProfileString(std::string_view section, std::string_view entry, std::string_view value);

}  // namespace tessaly
