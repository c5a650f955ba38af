#include "camera/thumbnail.h"

#include <gtest/gtest.h>

#include <vector>

namespace tessaly {
namespace {

struct Rgb {
  int r, g, b;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

Rgb At(const Picture& p, int x, int y) {
  const std::uint8_t* px = p.Line(y) + 3 * x;
  return {px[2], px[1], px[0]};
}

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
    for (int x = 0; x < 80; ++x) ASSERT_EQ(At(p, x, y), (Rgb{128, 128, 128})) << x << "," << y;
}

TEST(Thumbnail, ColourArithmeticRoundsAndClamps) {
  // Y 100, Cb' = 50, Cr' = -30:
  // R = (25600 - 10770 + 128) >> 8 = 58; G = (25600 - 4400 + 5460 + 128) >> 8 = 104;
  // B = (25600 + 22700 + 128) >> 8 = 189.
  EXPECT_EQ(At(ConvertThumbnail(Uniform(100, 178, 98)), 5, 5), (Rgb{58, 104, 189}));
  // Extremes clamp instead of wrapping.
  EXPECT_EQ(At(ConvertThumbnail(Uniform(255, 255, 255)), 0, 0).r, 255);
  EXPECT_EQ(At(ConvertThumbnail(Uniform(0, 0, 0)), 0, 0).b, 0);
}

TEST(Thumbnail, EachSampleBecomesATwoByTwoBlockInItsPlace) {
  auto t = Uniform(0, 128, 128);
  t[0] = 200;            // top-left luminance sample
  t[39 * 1 + 40 * 29] = 90;  // bottom-right one (row 29, column 39)
  t[1200 + 19] = 228;    // Cb of the top-right 2 x 2 block
  Picture p = ConvertThumbnail(t);
  for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 1}}) EXPECT_EQ(At(p, x, y), (Rgb{200, 200, 200}));
  EXPECT_EQ(At(p, 2, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(At(p, 79, 59), (Rgb{90, 90, 90}));
  EXPECT_EQ(At(p, 78, 58), (Rgb{90, 90, 90}));
  // Cb' = 100 on the top-right block only: B = (45400 + 128) >> 8 = 177.
  EXPECT_EQ(At(p, 76, 0), (Rgb{0, 0, 177}));
  EXPECT_EQ(At(p, 79, 3), (Rgb{0, 0, 177}));
  EXPECT_EQ(At(p, 75, 0), (Rgb{0, 0, 0}));
}

TEST(Thumbnail, ShortDataGivesNothing) {
  EXPECT_TRUE(ConvertThumbnail(std::vector<std::uint8_t>(1799, 128)).Empty());
}

TEST(Thumbnail, PlaceholderIsAn80By60SixteenColourPicture) {
  const Picture& p = PlaceholderPicture();
  EXPECT_EQ(p.width, 80);
  EXPECT_EQ(p.height, 60);
  EXPECT_EQ(p.bitsPerPixel, 4);
  EXPECT_EQ(p.ColourCount(), 16);
  EXPECT_EQ(p.pixels.size(), p.Stride() * 60u);
}

}  // namespace
}  // namespace tessaly
