#include "base/ini_file.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "base/file_io.h"

namespace tessaly {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

bool IsComment(std::string_view line) { return !line.empty() && (line[0] == ';' || line[0] == '#'); }

// The name inside "[name]", or nullopt when the line is no section header.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return std::nullopt;
  auto close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

}  // namespace

bool IniFile::Load(const std::filesystem::path& path) {
  m_lines.clear();
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return true;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  Parse(text.str());
  return true;
}

void IniFile::Parse(std::string_view text) {
  m_lines.clear();
  while (!text.empty()) {
    auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    m_lines.emplace_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

std::size_t IniFile::FindSection(std::string_view section) const {
  for (std::size_t i = 0; i < m_lines.size(); ++i) {
    auto name = SectionName(m_lines[i]);
    if (name && SameText(*name, section)) return i;
  }
  return kNone;
}

std::size_t IniFile::FindEntry(std::size_t sectionLine, std::string_view entry) const {
  for (std::size_t i = sectionLine + 1; i < m_lines.size(); ++i) {
    std::string_view line = Trim(m_lines[i]);
    if (SectionName(line)) break;
    if (line.empty() || IsComment(line)) continue;
    auto eq = line.find('=');
    if (eq != std::string_view::npos && SameText(Trim(line.substr(0, eq)), entry)) return i;
  }
  return kNone;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view entry) const {
  std::size_t s = FindSection(section);
  if (s == kNone) return std::nullopt;
  std::size_t e = FindEntry(s, entry);
  if (e == kNone) return std::nullopt;
  std::string_view line = m_lines[e];
  return std::string(Trim(line.substr(line.find('=') + 1)));
}

std::string IniFile::GetString(std::string_view section, std::string_view entry, std::string_view fallback) const {
  auto value = Get(section, entry);
  return value ? *value : std::string(fallback);
}

long IniFile::GetInt(std::string_view section, std::string_view entry, long fallback) const {
  auto value = Get(section, entry);
  if (!value || value->empty()) return fallback;
  char* end = nullptr;
  long number = std::strtol(value->c_str(), &end, 10);
  return end == value->c_str() ? fallback : number;
}

void IniFile::Set(std::string_view section, std::string_view entry, std::string_view value) {
  std::string line = std::string(entry) + "=" + std::string(value);
  std::size_t s = FindSection(section);
  if (s == kNone) {
    if (!m_lines.empty() && !Trim(m_lines.back()).empty()) m_lines.emplace_back();
    m_lines.push_back("[" + std::string(section) + "]");
    m_lines.push_back(std::move(line));
    return;
  }
  std::size_t e = FindEntry(s, entry);
  if (e != kNone) {
    m_lines[e] = std::move(line);
    return;
  }
  // After the section's last entry, before any blank lines that separate it from the next.
  std::size_t insert = s + 1;
  for (std::size_t i = s + 1; i < m_lines.size() && !SectionName(m_lines[i]); ++i) {
    if (!Trim(m_lines[i]).empty()) insert = i + 1;
  }
  m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insert), std::move(line));
}

void IniFile::SetInt(std::string_view section, std::string_view entry, long value) {
  Set(section, entry, std::to_string(value));
}

std::string IniFile::Text() const {
  std::string text;
  for (const auto& line : m_lines) text += line + "\n";
  return text;
}

bool IniFile::Save(const std::filesystem::path& path) const {
  std::error_code ec;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
  std::string text = Text();
  return !WriteFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::filesystem::path SettingsFilePath() {
  if (const char* explicitPath = std::getenv("TESSALY_INI"); explicitPath && *explicitPath) return explicitPath;
  std::filesystem::path base;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) {
    base = config;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::filesystem::path(home) / ".config";
  } else {
    base = ".";
  }
  return base / "tessaly" / "Tessaly.ini";
}

long ReadProfileInt(std::string_view section, std::string_view entry, long fallback) {
  IniFile ini;
  ini.Load(SettingsFilePath());
  return ini.GetInt(section, entry, fallback);
}

std::string ReadProfileString(std::string_view section, std::string_view entry, std::string_view fallback) {
  IniFile ini;
  ini.Load(SettingsFilePath());
  return ini.GetString(section, entry, fallback);
}

bool WriteProfileInt(std::string_view section, std::string_view entry, long value) {
  return WriteProfileString(section, entry, std::to_string(value));
}

bool WriteProfileString(std::string_view section, std::string_view entry, std::string_view value) {
  IniFile ini;
  auto path = SettingsFilePath();
  if (!ini.Load(path)) return false;
  ini.Set(section, entry, value);
  return ini.Save(path);
}

}  // namespace tessaly
