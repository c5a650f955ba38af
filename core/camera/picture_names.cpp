#include "camera/picture_names.h"

#include <algorithm>
#include <cstdint>

#include <cstdio>

namespace tessaly {

std::string MakePictureName(int number, std::string_view prefix) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04d", number);
  return std::string(prefix) + digits + ".JPG";
}

bool IsUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    auto byte = static_cast<unsigned char>(text[i]);
    std::size_t length = byte < 0x80           ? 1
                         : (byte >> 5) == 0x6  ? 2
                         : (byte >> 4) == 0xE  ? 3
                         : (byte >> 3) == 0x1E ? 4
                                               : 0;
    if (length == 0 || i + length > text.size()) return false;
    std::uint32_t code = length == 1 ? byte : byte & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = code << 6 | (next & 0x3F);
    }
    static constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

std::size_t Utf8Length(std::string_view text) {
  if (!IsUtf8(text)) return text.size();
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

bool IsValidPicturePrefix(std::string_view prefix) {
  constexpr std::string_view kRefused = " \"|=+][><)(.?*;,:/";
  if (!IsUtf8(prefix)) return false;
  // Control characters (a newline, a tab) make names that no one can type or read.
  if (std::any_of(prefix.begin(), prefix.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
    return false;
  return prefix.find_first_of(kRefused) == std::string_view::npos;
}

}  // namespace tessaly
