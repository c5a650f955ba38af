#include "shell/recovery.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "album/album_scan.h"
#include "base/file_io.h"
#include "base/ini_file.h"
#include "formats/bmp.h"

namespace tessaly::shell {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kPrefix = "picture-";
constexpr char kSection[] = "Recovered Picture";

// The N of "picture-N.<extension>", or -1.
long NumberOf(const fs::path& file, std::string_view extension) {
  const std::string name = file.filename().string();
  if (!name.starts_with(kPrefix) || !name.ends_with(extension)) return -1;
  const std::string digits = name.substr(kPrefix.size(), name.size() - kPrefix.size() - extension.size());
  if (digits.empty() || digits.size() > 9 ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return -1;
  return std::stol(digits);
}

fs::path FileOf(const fs::path& folder, long number, std::string_view extension) {
  return folder / (std::string(kPrefix) + std::to_string(number) + std::string(extension));
}

}  // namespace

fs::path RecoveryFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state != nullptr && state[0] == '/') return fs::path(state) / "tessaly" / "recovery";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return fs::path(home) / ".local" / "state" / "tessaly" / "recovery";
  return {};
}

std::error_code WriteRecoveryCopy(const fs::path& folder, const Picture& picture, const std::string& originalPath,
                                  const std::string& title) {
  if (folder.empty()) return std::make_error_code(std::errc::no_such_file_or_directory);
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) return error;
  // The pictures are the user's: nobody else reads them.
  ::chmod(folder.c_str(), 0700);

  long next = 1;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    next = std::max({next, NumberOf(entry.path(), ".bmp") + 1, NumberOf(entry.path(), ".ini") + 1});
  }
  if (error) return error;

  const fs::path pictureFile = FileOf(folder, next, ".bmp");
  const Bytes bytes = CBMP::SetupBmpWrite(picture, BmpHeaderStyle::kWindows);
  if ((error = WriteNewFileAtomically(pictureFile, {ByteSpan(bytes)}))) return error;

  IniFile description;
  description.Set(kSection, "Path", originalPath);
  description.Set(kSection, "Title", title);
  const std::string text = description.Text();
  const ByteSpan textBytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  if ((error = WriteNewFileAtomically(FileOf(folder, next, ".ini"), {textBytes}))) {
    fs::remove(pictureFile, error);
    return std::make_error_code(std::errc::io_error);
  }
  return {};
}

std::vector<RecoveryCopy> ListRecoveryCopies(const fs::path& folder) {
  std::vector<std::pair<long, RecoveryCopy>> found;
  std::vector<fs::path> orphans;
  std::error_code error;
  if (folder.empty()) return {};
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    const long number = NumberOf(entry.path(), ".bmp");
    if (number < 0) continue;
    RecoveryCopy copy;
    copy.picture = entry.path();
    copy.description = FileOf(folder, number, ".ini");
    IniFile description;
    if (!fs::is_regular_file(copy.description, error) || !description.Load(copy.description)) {
      orphans.push_back(copy.picture);
      continue;
    }
    copy.originalPath = description.GetString(kSection, "Path", "");
    copy.title = description.GetString(kSection, "Title", "");
    found.emplace_back(number, std::move(copy));
  }
  for (const fs::path& orphan : orphans) fs::remove(orphan, error);
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<RecoveryCopy> copies;
  for (auto& [number, copy] : found) copies.push_back(std::move(copy));
  return copies;
}

bool LoadRecoveryPicture(const RecoveryCopy& copy, Picture& picture) {
  Bytes bytes;
  if (ReadWholeFile(copy.picture, bytes)) return false;
  BmpHeaderStyle style = BmpHeaderStyle::kWindows;
  Picture loaded;
  if (!CBMP::ReadBmpFile(bytes, loaded, style).Ok()) return false;
  picture = std::move(loaded);
  return true;
}

void DiscardRecoveryCopy(const RecoveryCopy& copy) {
  std::error_code error;
  fs::remove(copy.description, error);
  fs::remove(copy.picture, error);
}

std::string DescribeRecoveryCopy(const RecoveryCopy& copy, const std::string& home, std::size_t maxFolder) {
  if (copy.originalPath.empty()) return copy.title;
  const std::filesystem::path path(copy.originalPath);
  std::string folder = DisplayNameUtf8(path.parent_path().native());
  if (!home.empty() && home != "/" &&
      (folder == home ||
       (folder.size() > home.size() && folder.compare(0, home.size(), home) == 0 && folder[home.size()] == '/')))
    folder = "~" + folder.substr(home.size());
  // Shortened by whole characters, never inside one of UTF-8's multibyte sequences.
  std::vector<std::string> characters;
  for (std::size_t i = 0; i < folder.size();) {
    std::size_t end = i + 1;
    while (end < folder.size() && (static_cast<unsigned char>(folder[end]) & 0xC0) == 0x80) ++end;
    characters.push_back(folder.substr(i, end - i));
    i = end;
  }
  if (maxFolder >= 3 && characters.size() > maxFolder) {
    const std::size_t keep = maxFolder - 1, head = keep / 2, tail = keep - head;
    std::string shortened;
    for (std::size_t i = 0; i < head; ++i) shortened += characters[i];
    shortened += "\u2026";
    for (std::size_t i = characters.size() - tail; i < characters.size(); ++i) shortened += characters[i];
    folder = shortened;
  }
  return DisplayNameUtf8(path.filename().native()) + (folder.empty() ? std::string() : " (" + folder + ")");
}

}  // namespace tessaly::shell
