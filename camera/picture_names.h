// The names the camera's pictures are given on the computer.
#pragma once

#include <string>
#include <string_view>

namespace tessaly {

// The prefix a picture name gets when no other is chosen.
inline constexpr std::string_view kDefaultPicturePrefix = "AUT_";

// prefix + the number padded with zeros to 4 digits + ".JPG": AUT_0007.JPG for picture 7,
// ABCD0012.JPG for picture 12 with the prefix ABCD. Numbers of 1000 and more are not padded.
std::string MakePictureName(int number, std::string_view prefix = kDefaultPicturePrefix);

// True when the prefix may start a file name: none of its characters is a space, a double
// quote or one of |=+][><)(.?*;,:/ . (A backslash is allowed.)
bool IsValidPicturePrefix(std::string_view prefix);

// The longest prefix the user may enter.
inline constexpr std::size_t kMaxPicturePrefixLength = 4;

}  // namespace tessaly
