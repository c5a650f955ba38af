#include "camera/picture_names.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

TEST(PictureNames, NumberPaddedToFourDigits) {
  EXPECT_EQ(MakePictureName(7), "AUT_0007.JPG");
  EXPECT_EQ(MakePictureName(12), "AUT_0012.JPG");
  EXPECT_EQ(MakePictureName(12, "ABCD"), "ABCD0012.JPG");
  EXPECT_EQ(MakePictureName(999), "AUT_0999.JPG");
  EXPECT_EQ(MakePictureName(1000), "AUT_1000.JPG");
  EXPECT_EQ(MakePictureName(1, ""), "0001.JPG");
}

TEST(PictureNames, PrefixCharacters) {
  EXPECT_TRUE(IsValidPicturePrefix("AUT_"));
  EXPECT_TRUE(IsValidPicturePrefix("A\\B"));
  EXPECT_TRUE(IsValidPicturePrefix(""));
  for (const char* bad : {"A B", "A/B", "A\"", "x|", "=", "+", "]", "[", ">", "<", ")", "(", ".", "?", "*", ";",
                          ",", ":"}) {
    EXPECT_FALSE(IsValidPicturePrefix(bad)) << bad;
  }
}

}  // namespace
}  // namespace tessaly
