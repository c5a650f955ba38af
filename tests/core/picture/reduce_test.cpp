// The area-averaging reduction and the eight orientations, by their properties.
#include <gtest/gtest.h>

#include "picture/orientation.h"
#include "picture/reduce.h"
#include "test_support/pictures.h"

namespace tessaly {
namespace {

struct FitCase {
  const char* description;
  int width, height, boxWidth, boxHeight;
  PictureSize expected;
};

TEST(FitInBox, KeepsTheAspectAndNeverEnlarges) {
  const FitCase cases[] = {
      {"a phone photo into the retouch window", 4000, 3000, 1280, 1024, {1280, 960}},
      {"a portrait photo into the retouch window", 3000, 4000, 1280, 1024, {768, 1024}},
      {"into the album's thumbnail", 4000, 3000, 80, 60, {80, 60}},
      {"a panorama into the thumbnail rounds its height", 10000, 1001, 80, 60, {80, 8}},
      {"a hair-thin picture keeps one pixel", 100000, 1, 128, 128, {128, 1}},
      {"a picture that fits keeps its size", 640, 480, 1280, 1024, {640, 480}},
      {"exactly the box", 1280, 1024, 1280, 1024, {1280, 1024}},
      {"1281 wide loses a line's fraction", 1281, 960, 1280, 1024, {1280, 959}},
  };
  for (const FitCase& c : cases)
    EXPECT_EQ(FitInBox(c.width, c.height, c.boxWidth, c.boxHeight), c.expected) << c.description;
}

TEST(AreaAveraged, AnEvenPictureStaysEvenAtAnySize) {
  const Picture even = test::Filled(97, 61, {12, 200, 77});
  for (auto [w, h] : {std::pair{1, 1}, {96, 60}, {50, 13}, {33, 61}, {97, 1}}) {
    const Picture small = AreaAveraged(even, w, h);
    ASSERT_EQ(small.width, w);
    ASSERT_EQ(small.height, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) ASSERT_EQ(test::RgbAt(small, x, y), (std::array<std::uint8_t, 3>{77, 200, 12}));
  }
}

TEST(AreaAveraged, HalvingIsTheMeanOfEachTwoByTwoBlock) {
  const Picture source = test::Noise24(40, 26, 7);
  const Picture half = AreaAveraged(source, 20, 13);
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 20; ++x)
      for (int c = 0; c < 3; ++c) {
        int sum = 0;
        for (int dy = 0; dy < 2; ++dy)
          for (int dx = 0; dx < 2; ++dx) sum += source.Line(2 * y + dy)[3 * (2 * x + dx) + c];
        ASSERT_EQ(half.Line(y)[3 * x + c], (sum + 2) / 4) << x << ", " << y;
      }
}

TEST(AreaAveraged, AnOddRatioKeepsTheMeanOfThePicture) {
  // Every source pixel counts in full, split between the output pixels it straddles, so
  // the picture's mean survives up to the rounding of each output sample.
  const Picture source = test::Noise24(301, 199, 3);
  const Picture small = AreaAveraged(source, 64, 47);
  auto mean = [](const Picture& p) {
    double sum = 0;
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < 3 * p.width; ++x) sum += p.Line(y)[x];
    return sum / (3.0 * p.width * p.height);
  };
  EXPECT_NEAR(mean(small), mean(source), 0.5);
}

TEST(AreaAveraged, IndexedPicturesComeOutInTheirColours) {
  Picture indexed = test::Indexed(16, 8, 4);
  for (auto& entry : indexed.colourTable) entry = {10, 20, 30, 0};
  const Picture small = AreaAveraged(indexed, 4, 2);
  EXPECT_EQ(small.bitsPerPixel, 24);
  EXPECT_EQ(test::RgbAt(small, 3, 1), (std::array<std::uint8_t, 3>{30, 20, 10}));
}

TEST(LineReducer, LinesNeverGivenAreBlack) {
  // A file cut short: what was read is reduced, the rest stays black.
  LineReducer reducer(10, 10, 5, 5);
  std::vector<std::uint8_t> white(30, 255);
  for (int y = 0; y < 4; ++y) reducer.PutLine(white.data());
  const Picture picture = reducer.Take();
  EXPECT_EQ(test::RgbAt(picture, 2, 0), (std::array<std::uint8_t, 3>{255, 255, 255}));
  EXPECT_EQ(test::RgbAt(picture, 2, 1), (std::array<std::uint8_t, 3>{255, 255, 255}));
  EXPECT_EQ(test::RgbAt(picture, 2, 4), (std::array<std::uint8_t, 3>{0, 0, 0}));
}

// The same size and colours (row padding aside).
bool SamePixels(const Picture& a, const Picture& b) {
  if (a.width != b.width || a.height != b.height) return false;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x)
      if (test::RgbAt(a, x, y) != test::RgbAt(b, x, y)) return false;
  return true;
}

TEST(Oriented, EachOrientationUndoneByItsInverse) {
  const Picture stored = test::Noise24(7, 4, 5);
  // Turning a quarter one way and then the other, or mirroring twice, is the identity.
  const std::pair<int, int> inverses[] = {{2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 8}, {8, 6}, {7, 7}};
  for (auto [first, second] : inverses) {
    const Picture turned = Oriented(stored, first);
    EXPECT_EQ(turned.width, first >= 5 ? 4 : 7) << first;
    EXPECT_TRUE(SamePixels(Oriented(turned, second), stored)) << first << " then " << second;
  }
  EXPECT_TRUE(SamePixels(Oriented(stored, 1), stored));
  EXPECT_TRUE(SamePixels(Oriented(stored, 9), stored));  // unknown values mean upright
}

TEST(Oriented, SixTurnsTheTopLeftCornerToTheTopRight) {
  // A camera held on its right side stores the scene's left side at the top.
  const Picture stored = test::Noise24(5, 3, 9);
  const Picture upright = Oriented(stored, 6);
  EXPECT_EQ(test::RgbAt(upright, 2, 0), test::RgbAt(stored, 0, 0));
  EXPECT_EQ(test::RgbAt(upright, 0, 4), test::RgbAt(stored, 4, 2));
}

}  // namespace
}  // namespace tessaly
