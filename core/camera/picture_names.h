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

// True when the prefix may start a file name: it is UTF-8 text, and none of its
// characters is a space, a double quote, one of |=+][><)(.?*;,:/ or a control character.
// (A backslash is allowed.)
bool IsValidPicturePrefix(std::string_view prefix);

// The longest prefix the user may enter, in characters of any script (not bytes).
inline constexpr std::size_t kMaxPicturePrefixLength = 4;

// The number of characters of UTF-8 text; the byte count for text that is not UTF-8,
// so that a damaged prefix is never counted shorter than it looks.
std::size_t Utf8Length(std::string_view text);
// True for well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool IsUtf8(std::string_view text);

}  // namespace tessaly
