// The pictures' names and the camera's thumbnails turned into pictures.
#include "camera/thumbnail.h"

#include <gtest/gtest.h>

#include "test_support/recorded_prompt.h"
#include "workflows/connection.h"

#include "camera/picture_names.h"
#include "test_support/pictures.h"

namespace tessaly {
namespace {

using test::At;
using test::Bgr;

// Which prefixes the dialog refuses is checked with the dialog's logic.
TEST(PictureNames, NumberPaddedToFourDigitsAfterThePrefix) {
  EXPECT_EQ(MakePictureName(12), "AUT_0012.JPG");
  EXPECT_EQ(MakePictureName(12, "ABCD"), "ABCD0012.JPG");
  EXPECT_EQ(MakePictureName(1000), "AUT_1000.JPG");
  EXPECT_FALSE(IsValidPicturePrefix("A|B"));
}

// The prefix limit counts characters of any script; the names made stay plain UTF-8.
TEST(PictureNames, PrefixLengthCountsCharactersNotBytes) {
  const struct {
    const char* prefix;
    std::size_t length;
    bool valid;
    bool accepted;  // by the dialog's check: valid and at most 4 characters
  } cases[] = {
      {"AUT_", 4, true, true},
      {"\xE5\x86\x99\xE7\x9C\x9F", 2, true, true},                          // two Japanese characters, 6 bytes
      {"\xE5\x86\x99\xE7\x9C\x9F\xE5\x86\x99\xE7\x9C\x9F", 4, true, true},  // four, 12 bytes
      {"\xE5\x86\x99\xE7\x9C\x9F\xE5\x86\x99\xE7\x9C\x9F\xE5\x86\x99", 5, true, false},
      {"ABCDE", 5, true, false},
      {"\xC3\xA9t\xC3\xA9", 3, true, true},
      {"\xF0\x9F\x93\xB7", 1, true, true},  // a character beyond the basic plane
      {"\xE5\x86", 2, false, false},        // cut in the middle: counted as bytes
      {"\xC0\xAF", 2, false, false},        // an overlong "/"
      {"\xED\xA0\x80", 3, false, false},    // a surrogate
      {"A\nB", 3, false, false},            // a control character
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.prefix);
    EXPECT_EQ(Utf8Length(c.prefix), c.length);
    EXPECT_EQ(IsValidPicturePrefix(c.prefix), c.valid);
    test::RecordedPrompt prompt;
    EXPECT_EQ(CheckPicturePrefix(c.prefix), c.accepted);
  }
  EXPECT_EQ(MakePictureName(7, "\xE5\x86\x99\xE7\x9C\x9F"),
            "\xE5\x86\x99\xE7\x9C\x9F"
            "0007.JPG");
}

// 1200 luminance samples, then 300 of Cb and 300 of Cr.
std::vector<std::uint8_t> Uniform(std::uint8_t y, std::uint8_t cb, std::uint8_t cr) {
  std::vector<std::uint8_t> t(kThumbnailBytes, y);
  std::fill(t.begin() + 1200, t.begin() + 1500, cb);
  std::fill(t.begin() + 1500, t.end(), cr);
  return t;
}

TEST(Thumbnail, AllBytes128GiveMidGrey) {
  Picture p = ConvertThumbnail(Uniform(128, 128, 128));
  ASSERT_EQ(p.width, 80);
  ASSERT_EQ(p.height, 60);
  ASSERT_EQ(p.bitsPerPixel, 24);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 80; ++x) ASSERT_EQ(At(p, x, y), test::Grey(128)) << x << "," << y;
}

TEST(Thumbnail, ColoursRoundAndClamp) {
  // Y 100, Cb' = 50, Cr' = -30: R = (25600 - 10770 + 128) >> 8 = 58,
  // G = (25600 - 4400 + 5460 + 128) >> 8 = 104, B = (25600 + 22700 + 128) >> 8 = 189.
  EXPECT_EQ(At(ConvertThumbnail(Uniform(100, 178, 98)), 5, 5), (Bgr{189, 104, 58}));
  EXPECT_EQ(At(ConvertThumbnail(Uniform(255, 255, 255)), 0, 0).r, 255);
  EXPECT_EQ(At(ConvertThumbnail(Uniform(0, 0, 0)), 0, 0).b, 0);
}

TEST(Thumbnail, EachSampleBecomesATwoByTwoBlockInItsPlace) {
  auto t = Uniform(0, 128, 128);
  t[0] = 200;            // top-left luminance sample
  t[29 * 40 + 39] = 90;  // bottom-right one (row 29, column 39)
  t[1200 + 19] = 228;    // Cb of the top-right 4 x 4 block: B = (45400 + 128) >> 8 = 177
  Picture p = ConvertThumbnail(t);
  for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 1}}) EXPECT_EQ(At(p, x, y), test::Grey(200));
  EXPECT_EQ(At(p, 2, 0), test::Grey(0));
  EXPECT_EQ(At(p, 78, 58), test::Grey(90));
  EXPECT_EQ(At(p, 79, 59), test::Grey(90));
  EXPECT_EQ(At(p, 76, 0), (Bgr{177, 0, 0}));
  EXPECT_EQ(At(p, 79, 3), (Bgr{177, 0, 0}));
  EXPECT_EQ(At(p, 75, 0), test::Grey(0));
  EXPECT_TRUE(ConvertThumbnail(std::vector<std::uint8_t>(1799, 128)).Empty());
}

TEST(Thumbnail, PlaceholderIsAn80By60SixteenColourPicture) {
  const Picture& p = PlaceholderPicture();
  EXPECT_EQ(p.width, 80);
  EXPECT_EQ(p.height, 60);
  EXPECT_EQ(p.ColourCount(), 16);
  EXPECT_EQ(p.pixels.size(), p.Stride() * 60u);
}

}  // namespace
}  // namespace tessaly
