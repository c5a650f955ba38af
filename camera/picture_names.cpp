#include "camera/picture_names.h"

#include <cstdio>

namespace tessaly {

std::string MakePictureName(int number, std::string_view prefix) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04d", number);
  return std::string(prefix) + digits + ".JPG";
}

bool IsValidPicturePrefix(std::string_view prefix) {
  constexpr std::string_view kRefused = " \"|=+][><)(.?*;,:/";
  return prefix.find_first_of(kRefused) == std::string_view::npos;
}

}  // namespace tessaly
