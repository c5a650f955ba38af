#include "ui/file_dialog_rules.h"

#include <algorithm>
#include <cctype>

namespace tessaly::ui {
namespace {

std::vector<std::string> SplitBars(std::string_view filter) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start < filter.size()) {
    std::size_t bar = filter.find('|', start);
    if (bar == std::string_view::npos) bar = filter.size();
    parts.emplace_back(filter.substr(start, bar - start));
    start = bar + 1;
  }
  return parts;
}

// The pixel index at column x of a stored row of an indexed picture.
int IndexAt(const Picture& picture, const std::uint8_t* row, int x) {
  switch (picture.bitsPerPixel) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4: return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F;
    default: return row[x];
  }
}

}  // namespace

std::vector<std::pair<std::string, std::string>> FilterEntries(std::string_view filter) {
  std::vector<std::string> parts = SplitBars(filter);
  std::vector<std::pair<std::string, std::string>> entries;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) entries.emplace_back(parts[i], parts[i + 1]);
  return entries;
}

std::string ToolkitFilter(std::string_view filter) {
  std::string text(filter);
  if (!text.empty() && text.back() == '|') text.pop_back();
  return text;
}

std::string CaseBlindPatterns(std::string_view filter) {
  std::vector<std::string> parts = SplitBars(filter);
  std::string out;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += '|';
    if (i % 2 == 0) {
      out += parts[i];
      continue;
    }
    for (char c : parts[i]) {
      const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (lower == upper) {
        out += c;
      } else {
        out += '[';
        out += lower;
        out += upper;
        out += ']';
      }
    }
  }
  if (!filter.empty() && filter.back() == '|') out += '|';
  return out;
}

std::string FilterPattern(std::string_view filter, int index) {
  auto entries = FilterEntries(filter);
  if (index < 0 || static_cast<std::size_t>(index) >= entries.size()) return {};
  return entries[static_cast<std::size_t>(index)].second;
}

std::string PatternOfTypeLabel(std::string_view label) {
  std::size_t dot = label.rfind('.');
  if (dot == std::string_view::npos || dot == 0 || dot + 1 >= label.size()) return {};
  return std::string(label.substr(dot - 1, label.size() - 1 - (dot - 1)));
}

std::string PatternExtension(std::string_view pattern) {
  std::size_t dot = pattern.rfind('.');
  if (dot == std::string_view::npos) return {};
  std::string_view extension = pattern.substr(dot);
  if (extension.find_first_of("*?") != std::string_view::npos) return {};
  return std::string(extension);
}

std::optional<std::string> CorrectedFileName(std::string_view name, std::string_view extension) {
  if (extension.empty()) return std::nullopt;
  const std::size_t slash = name.rfind('/');
  const std::size_t baseStart = slash == std::string_view::npos ? 0 : slash + 1;
  std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot < baseStart) dot = name.size();
  if (name.substr(dot) == extension) return std::nullopt;
  return std::string(name.substr(0, dot)) + std::string(extension);
}

Picture PreviewPicture(const Picture& picture, int maxWidth, int maxHeight) {
  if (picture.Empty() || picture.width <= 0 || picture.height <= 0 || maxWidth <= 0 || maxHeight <= 0) return {};
  const int step = std::max((picture.width - 1) / maxWidth + 1, (picture.height - 1) / maxHeight + 1);
  const int width = std::max(1, picture.width / step);
  const int height = std::max(1, picture.height / step);
  const bool indexed = picture.bitsPerPixel <= 8;
  Picture reduced = Picture::Make(width, height, indexed ? 8 : 24);
  if (indexed) {
    // A table of fewer than 256 entries is copied into the first entries of a full one.
    std::copy_n(picture.colourTable.begin(), std::min<std::size_t>(picture.colourTable.size(), 256),
                reduced.colourTable.begin());
  }
  for (int j = 0; j < height; ++j) {
    const std::uint8_t* from = picture.Row(j * step);
    std::uint8_t* to = reduced.Row(j);
    for (int i = 0; i < width; ++i) {
      const int x = i * step;
      if (indexed) {
        to[i] = static_cast<std::uint8_t>(IndexAt(picture, from, x));
      } else {
        std::copy_n(from + static_cast<std::size_t>(x) * 3, 3, to + static_cast<std::size_t>(i) * 3);
      }
    }
  }
  return reduced;
}

}  // namespace tessaly::ui
