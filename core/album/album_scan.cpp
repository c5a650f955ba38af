#include "album/album_scan.h"

#include <iconv.h>

#include <algorithm>
#include <cstdint>
#include <new>

#include "base/file_io.h"
#include "base/prompt.h"
#include "formats/picture_file.h"

namespace tessaly {
namespace {

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

std::string_view LastFour(std::string_view name) { return name.size() < 4 ? name : name.substr(name.size() - 4); }

// A Shift-JIS lead byte: the next byte belongs to the same character.
bool IsShiftJisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// The name as the comparison sees it: ASCII letters folded, the second byte of a
// Shift-JIS character left alone.
std::string SortKey(std::string_view name) {
  std::string key(name);
  bool shiftJis = !IsValidUtf8(name);
  for (std::size_t i = 0; i < key.size(); ++i) {
    if (shiftJis && IsShiftJisLead(static_cast<unsigned char>(key[i]))) {
      ++i;
      continue;
    }
    key[i] = FoldAscii(key[i]);
  }
  return key;
}

bool Matches(std::string_view name, std::string_view pattern) {
  // Iterative glob with one back-tracking point, enough for "*" and "?".
  std::size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || FoldAscii(pattern[p]) == FoldAscii(name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::string ConvertFromShiftJis(std::string_view bytes) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string out(bytes.size() * 3 + 4, '\0');
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  char* to = out.data();
  std::size_t outLeft = out.size();
  std::size_t done = iconv(cd, &in, &inLeft, &to, &outLeft);
  iconv_close(cd);
  if (done == static_cast<std::size_t>(-1) || inLeft != 0) return {};
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace

std::string PatternOfTypeLabel(std::string_view label) {
  std::size_t dot = label.rfind('.');
  if (dot == std::string_view::npos || dot == 0 || label.size() < 2 || dot + 1 >= label.size()) return "*.*";
  return std::string(label.substr(dot - 1, label.size() - 1 - (dot - 1)));
}

bool IsAllPattern(std::string_view pattern) {
  return pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*";
}

bool MatchesPattern(std::string_view name, std::string_view pattern) { return Matches(name, pattern); }

bool AcceptsTargetName(std::string_view name, std::string_view pattern) {
  if (IsAllPattern(pattern)) return IsReadablePictureName(name);
  return name.size() >= 4 && pattern.size() >= 4 && EqualsIgnoringCase(LastFour(name), LastFour(pattern));
}

bool AlbumNameLess(std::string_view a, std::string_view b) { return SortKey(a) < SortKey(b); }

void InsertSorted(std::vector<std::string>& names, std::string name) {
  auto place = std::upper_bound(names.begin(), names.end(), name,
                                [](const std::string& x, const std::string& y) { return AlbumNameLess(x, y); });
  names.insert(place, std::move(name));
}

AlbumScan ScanAlbumFolder(const std::filesystem::path& folder, std::string_view pattern) {
  namespace fs = std::filesystem;
  AlbumScan scan;
  try {
    std::vector<std::string> files, links;
    std::error_code error;
    fs::directory_iterator it(folder, error), end;
    for (; !error && it != end; it.increment(error)) {
      const fs::directory_entry& entry = *it;
      std::string name = entry.path().filename().native();
      if (name == "." || name == "..") continue;
      std::error_code statError;
      if (entry.is_symlink(statError)) {
        links.push_back(std::move(name));
      } else if (entry.is_regular_file(statError) && MatchesPattern(name, pattern) &&
                 (!IsAllPattern(pattern) || IsReadablePictureName(name))) {
        files.push_back(std::move(name));
      }
    }
    for (auto& name : files) InsertSorted(scan.names, std::move(name));
    for (auto& name : links) {
      std::error_code linkError;
      const std::optional<fs::path> target = FollowShortcut(folder / name, linkError);
      if (!target || !fs::is_regular_file(*target, linkError)) continue;
      if (AcceptsTargetName(target->filename().native(), pattern)) InsertSorted(scan.names, std::move(name));
    }
  } catch (const std::bad_alloc&) {
    Prompt().Show(kMsgNotEnoughMemory);
    scan.outOfMemory = true;
  }
  return scan;
}

bool IsValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    auto c = static_cast<unsigned char>(bytes[i]);
    std::size_t extra = 0;
    if (c < 0x80)
      extra = 0;
    else if (c >= 0xC2 && c <= 0xDF)
      extra = 1;
    else if ((c >> 4) == 0xE)
      extra = 2;
    else if (c >= 0xF0 && c <= 0xF4)
      extra = 3;
    else
      return false;
    if (bytes.size() - i <= extra) return false;
    std::uint32_t code = extra == 0 ? c : c & (0x3Fu >> extra);
    for (std::size_t k = 1; k <= extra; ++k) {
      auto d = static_cast<unsigned char>(bytes[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      code = code << 6 | (d & 0x3F);
    }
    // Overlong forms, surrogates and values past the last code point are not UTF-8.
    if ((extra == 2 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
        (extra == 3 && (code < 0x10000 || code > 0x10FFFF)))
      return false;
    i += extra + 1;
  }
  return true;
}

std::string DisplayNameUtf8(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  std::string converted = ConvertFromShiftJis(bytes);
  if (!converted.empty()) return converted;
  std::string out;
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) < 0x80)
      out += c;
    else
      out += "\xEF\xBF\xBD";
  }
  return out;
}

}  // namespace tessaly
