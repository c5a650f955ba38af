#include "retouch/convert.h"

#include <gtest/gtest.h>

#include "picture_helpers.h"

namespace tessaly {
namespace {

using test::At;
using test::Bgr;

Picture Palette(int w, int h, int depth) {
  Picture p = Picture::Make(w, h, depth, 0);
  for (std::size_t i = 0; i < p.colourTable.size(); ++i)
    p.colourTable[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i + 1), static_cast<std::uint8_t>(255 - i), 0};
  return p;
}
Bgr Entry(int i) { return {i, i + 1, 255 - i}; }

TEST(ConvertTo24, OneBitRowsReadTheMostSignificantBitFirst) {
  Picture p = Palette(9, 1, 1);
  ASSERT_EQ(p.Stride(), 4u);
  p.Row(0)[0] = 0b0100'0000;  // pixel 1
  p.Row(0)[1] = 0b1000'0000;  // pixel 8 is the top bit of the second byte
  ASSERT_TRUE(ConvertTo24(p));
  EXPECT_EQ(p.bitsPerPixel, 24);
  EXPECT_TRUE(p.colourTable.empty());
  EXPECT_EQ(p.imageSize, 28u);  // one row of ((3 * 9 + 3) div 4) * 4 bytes
  EXPECT_EQ(p.Row(0)[27], 0);   // padding
  for (int x = 0; x < 9; ++x) EXPECT_EQ(At(p, x, 0), Entry(x == 1 || x == 8 ? 1 : 0)) << x;
}

TEST(ConvertTo24, FourBitRowsReadTheHighNibbleFirst) {
  Picture p = Palette(3, 1, 4);
  p.Row(0)[0] = 0x5A;
  p.Row(0)[1] = 0xC0;
  ASSERT_TRUE(ConvertTo24(p));
  EXPECT_EQ(At(p, 0, 0), Entry(5));
  EXPECT_EQ(At(p, 1, 0), Entry(10));
  EXPECT_EQ(At(p, 2, 0), Entry(12));
}

TEST(ConvertTo24, EightBitRowsAndRowOrder) {
  Picture p = Palette(5, 3, 8);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) p.Line(y)[x] = static_cast<std::uint8_t>(10 * y + x);
  ASSERT_TRUE(ConvertTo24(p));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(At(p, x, y), Entry(10 * y + x));
}

TEST(ConvertTo24, AnIndexPastAShortTableIsBlack) {
  Picture p = Palette(2, 1, 8);
  p.colourTable.resize(12);
  p.Row(0)[0] = 11;
  p.Row(0)[1] = 252;
  ASSERT_TRUE(ConvertTo24(p));
  EXPECT_EQ(At(p, 0, 0), Entry(11));
  EXPECT_EQ(At(p, 1, 0), (Bgr{0, 0, 0}));
}

TEST(ConvertTo24, OtherPicturesStayAsTheyAre) {
  const Picture trueColour = test::Noise24(4, 4);
  Picture p = trueColour;
  EXPECT_FALSE(ConvertTo24(p));
  EXPECT_TRUE(test::SamePicture(p, trueColour));
  Picture truncated = Palette(8, 8, 8);
  truncated.pixels.resize(10);
  EXPECT_FALSE(ConvertTo24(truncated));
  EXPECT_EQ(truncated.bitsPerPixel, 8);
}

}  // namespace
}  // namespace tessaly
