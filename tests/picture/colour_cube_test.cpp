#include "picture/colour_cube.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "test_support/recording_progress.h"

namespace tessaly {
namespace {

Picture Filled(int width, int height, std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
  Picture picture = Picture::Make(width, height, 24);
  for (int r = 0; r < height; ++r)
    for (int x = 0; x < width; ++x) {
      picture.Row(r)[3 * x] = blue;
      picture.Row(r)[3 * x + 1] = green;
      picture.Row(r)[3 * x + 2] = red;
    }
  return picture;
}

Picture Noise(int width, int height, unsigned seed) {
  Picture picture = Picture::Make(width, height, 24);
  std::mt19937 random(seed);
  for (auto& byte : picture.pixels) byte = static_cast<std::uint8_t>(random());
  return picture;
}

// The diffusion written out step by step, with a separate quantised work block and the
// index formula on component values, to check the fast version against.
std::vector<std::uint8_t> ReferenceReduction(const Picture& picture, int x0, int y0, int w, int h) {
  auto q = [](int v) { return v / 43 * 51; };
  const std::size_t workStride = RowStride(w, 24);
  std::vector<int> work(workStride * static_cast<std::size_t>(h));
  std::vector<int> previous(3 * static_cast<std::size_t>(w)), current(previous.size());
  const int firstRow = picture.height - y0 - h;
  for (int k = 0; k < h; ++k) {
    const std::uint8_t* source = picture.Row(firstRow + k) + 3 * x0;
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) {
        const int i = 3 * x + c;
        const int v = source[i];
        int output, error;
        if (k == 0 || x == 0 || x == w - 1) {
          output = q(v);
          error = v - output;
        } else {
          int s = 4 * current[i - 3] + 2 * previous[i - 3] + 8 * previous[i] + 2 * previous[i + 3];
          int t = v + (s >> 4);
          output = t < 0 ? 0 : t > 255 ? 255 : q(t);
          error = t - output;
        }
        (k == 0 ? previous : current)[i] = error;
        work[static_cast<std::size_t>(k) * workStride + i] = output;
      }
    if (k > 0) std::swap(previous, current);
  }
  const std::size_t stride = RowStride(w, 8);
  std::vector<std::uint8_t> result(stride * static_cast<std::size_t>(h));
  for (int k = 0; k < h; ++k)
    for (int x = 0; x < w; ++x) {
      const int* pixel = &work[static_cast<std::size_t>(k) * workStride + 3 * x];
      result[static_cast<std::size_t>(k) * stride + x] =
          static_cast<std::uint8_t>(pixel[2] * 5 / 255 + pixel[1] * 30 / 255 + pixel[0] * 180 / 255);
    }
  return result;
}

TEST(ColourCube, QuantisationBoundaries) {
  EXPECT_EQ(QuantiseToCube(0), 0);
  EXPECT_EQ(QuantiseToCube(42), 0);
  EXPECT_EQ(QuantiseToCube(43), 51);
  EXPECT_EQ(QuantiseToCube(85), 51);
  EXPECT_EQ(QuantiseToCube(86), 102);
  EXPECT_EQ(QuantiseToCube(214), 204);
  EXPECT_EQ(QuantiseToCube(215), 255);
  EXPECT_EQ(QuantiseToCube(255), 255);
}

TEST(ColourCube, TableAndPaletteHoldTheSameColoursInTheirOwnOrders) {
  const auto table = CubeColourTable();
  const LogicalPalette palette = CubePalette();
  ASSERT_EQ(palette.entries.size(), 216u);
  EXPECT_EQ(palette.version, 0x300);
  std::set<std::tuple<int, int, int>> fromTable, fromPalette;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) {
        const int index = CubeIndex(kCubeLevels[r], kCubeLevels[g], kCubeLevels[b]);
        EXPECT_EQ(index, r + 6 * g + 36 * b);
        // The pixels index the table: entry r + 6g + 36b is the colour (r, g, b).
        EXPECT_EQ(table[index], (RgbQuad{kCubeLevels[b], kCubeLevels[g], kCubeLevels[r], 0}));
        // The palette lists red slowest.
        EXPECT_EQ(palette.entries[36 * r + 6 * g + b],
                  (PaletteEntry{kCubeLevels[r], kCubeLevels[g], kCubeLevels[b], 0}));
      }
  for (const auto& e : table) fromTable.insert({e.red, e.green, e.blue});
  for (const auto& e : palette.entries) fromPalette.insert({e.red, e.green, e.blue});
  EXPECT_EQ(fromTable.size(), 216u);
  EXPECT_EQ(fromTable, fromPalette);
}

TEST(ColourCube, GreyOf128BecomesAMixtureOf102And153) {
  Picture grey = Filled(64, 48, 128, 128, 128);
  auto indices = ReduceToColourCube(grey.width, grey.height, grey.pixels.data(), 0, 0, 64, 48);
  const auto table = CubeColourTable();
  std::set<int> seen;
  long sum = 0;
  for (int k = 0; k < 48; ++k)
    for (int x = 0; x < 64; ++x) {
      const RgbQuad colour = table[indices[static_cast<std::size_t>(k) * 64 + x]];
      EXPECT_TRUE(colour.red == colour.green && colour.green == colour.blue);
      seen.insert(colour.red);
      sum += colour.red;
    }
  EXPECT_EQ(seen, (std::set<int>{102, 153}));
  // Plain quantisation alone would give 102 everywhere; the diffusion raises the mean.
  EXPECT_NEAR(static_cast<double>(sum) / (64 * 48), 128.0, 6.0);
}

TEST(ColourCube, OnePixelWidePictureIsQuantisedPlainly) {
  Picture column = Noise(1, 40, 7);
  auto indices = ReduceToColourCube(1, 40, column.pixels.data(), 0, 0, 1, 40);
  for (int k = 0; k < 40; ++k) {
    const std::uint8_t* p = column.Row(k);
    EXPECT_EQ(indices[static_cast<std::size_t>(k) * 4], CubeIndex(QuantiseToCube(p[2]), QuantiseToCube(p[1]), QuantiseToCube(p[0])))
        << "row " << k;
  }
}

struct ReductionCase {
  const char* description;
  int width, height, x0, y0, w, h;
};

void PrintTo(const ReductionCase& c, std::ostream* out) { *out << c.description; }

class ColourCubeReduction : public testing::TestWithParam<ReductionCase> {};

TEST_P(ColourCubeReduction, MatchesTheRuleWrittenOut) {
  const ReductionCase& c = GetParam();
  Picture picture = Noise(c.width, c.height, 12345);
  // Saturated corners push the diffused values past 0 and 255.
  for (int x = 0; x < c.width / 3; ++x) picture.Row(0)[x] = 255;
  auto fast = ReduceToColourCube(c.width, c.height, picture.pixels.data(), c.x0, c.y0, c.w, c.h);
  EXPECT_EQ(fast, ReferenceReduction(picture, c.x0, c.y0, c.w, c.h));
}

INSTANTIATE_TEST_SUITE_P(Rectangles, ColourCubeReduction,
                         testing::Values(ReductionCase{"whole picture", 37, 29, 0, 0, 37, 29},
                                         ReductionCase{"inner rectangle", 50, 40, 7, 5, 21, 13},
                                         ReductionCase{"two pixels wide", 9, 9, 3, 0, 2, 9},
                                         ReductionCase{"one row", 30, 10, 0, 9, 30, 1},
                                         ReductionCase{"bottom right corner", 20, 20, 11, 12, 9, 8}),
                         [](const auto& info) {
                           std::string name = info.param.description;
                           for (char& ch : name)
                             if (ch == ' ') ch = '_';
                           return name;
                         });

TEST(ColourCube, ExtremesStayInsideTheCube) {
  // Alternating black and white rows carry large errors from row to row.
  Picture stripes = Picture::Make(16, 16, 24);
  for (int r = 0; r < 16; r += 2) std::fill_n(stripes.Row(r), 48, 255);
  auto indices = ReduceToColourCube(16, 16, stripes.pixels.data(), 0, 0, 16, 16);
  for (std::uint8_t index : indices) EXPECT_LT(index, 216);
}

TEST(ColourCube, ProgressStepsOncePerRow) {
  test::ScopedRecordingProgress recording;
  StatusProgress progress;
  progress.Begin(kMsgReducingColour);
  Picture picture = Noise(10, 17, 3);
  ReduceToColourCube(10, 17, picture.pixels.data(), 0, 0, 10, 17, &progress);
  EXPECT_EQ(recording.Log().steps, 17);
}

}  // namespace
}  // namespace tessaly
