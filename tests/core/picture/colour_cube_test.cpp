#include "picture/colour_cube.h"

#include <gtest/gtest.h>

#include <set>

#include "test_support/case_name.h"
#include "test_support/pictures.h"

namespace tessaly {
namespace {

// The diffusion written out step by step, with a separate quantised work block and the
// index formula on component values, to hold the fast version to.
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
        // The first row and the first and last pixel of every row get no diffusion.
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

TEST(ColourCube, QuantisationAndTheColourOfEachIndex) {
  EXPECT_EQ(QuantiseToCube(42), 0);
  EXPECT_EQ(QuantiseToCube(43), 51);
  EXPECT_EQ(QuantiseToCube(214), 204);
  EXPECT_EQ(QuantiseToCube(255), 255);
  // Entry r + 6g + 36b of the pixels' table is the colour (r, g, b); the palette holds
  // the same 216 colours.
  const auto table = CubeColourTable();
  const LogicalPalette palette = CubePalette();
  std::set<std::tuple<int, int, int>> fromTable, fromPalette;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) {
        const int index = CubeIndex(kCubeLevels[r], kCubeLevels[g], kCubeLevels[b]);
        EXPECT_EQ(index, r + 6 * g + 36 * b);
        EXPECT_EQ(table[index], (RgbQuad{kCubeLevels[b], kCubeLevels[g], kCubeLevels[r], 0}));
      }
  for (const auto& e : table) fromTable.insert({e.red, e.green, e.blue});
  for (const auto& e : palette.entries) fromPalette.insert({e.red, e.green, e.blue});
  EXPECT_EQ(fromTable.size(), 216u);
  EXPECT_EQ(fromTable, fromPalette);
}

TEST(ColourCube, GreyOf128BecomesAMixtureOf102And153) {
  Picture grey = test::Filled(64, 48, test::Grey(128));
  auto indices = ReduceToColourCube(grey.width, grey.height, grey.pixels.data(), 0, 0, 64, 48);
  const auto table = CubeColourTable();
  std::set<int> seen;
  long sum = 0;
  for (std::uint8_t index : indices) {
    const RgbQuad colour = table[index];
    EXPECT_TRUE(colour.red == colour.green && colour.green == colour.blue);
    seen.insert(colour.red);
    sum += colour.red;
  }
  EXPECT_EQ(seen, (std::set<int>{102, 153}));
  // Plain quantisation alone would give 102 everywhere; the diffusion raises the mean.
  EXPECT_NEAR(static_cast<double>(sum) / (64 * 48), 128.0, 6.0);
}

struct ReductionCase {
  const char* description;
  int width, height, x0, y0, w, h;
};

void PrintTo(const ReductionCase& c, std::ostream* out) { *out << c.description; }

class ColourCubeReduction : public testing::TestWithParam<ReductionCase> {};

TEST_P(ColourCubeReduction, MatchesTheRuleWrittenOut) {
  const ReductionCase& c = GetParam();
  Picture picture = test::Noise24(c.width, c.height, 12345);
  // Saturated corners push the diffused values past 0 and 255.
  for (int x = 0; x < c.width / 3; ++x) picture.Row(0)[x] = 255;
  auto fast = ReduceToColourCube(c.width, c.height, picture.pixels.data(), c.x0, c.y0, c.w, c.h);
  EXPECT_EQ(fast, ReferenceReduction(picture, c.x0, c.y0, c.w, c.h));
}

INSTANTIATE_TEST_SUITE_P(Rectangles, ColourCubeReduction,
                         testing::Values(ReductionCase{"whole picture", 37, 29, 0, 0, 37, 29},
                                         ReductionCase{"inner rectangle", 50, 40, 7, 5, 21, 13},
                                         ReductionCase{"one pixel wide", 1, 40, 0, 0, 1, 40},
                                         ReductionCase{"two pixels wide", 9, 9, 3, 0, 2, 9},
                                         ReductionCase{"one row", 30, 10, 0, 9, 30, 1},
                                         ReductionCase{"bottom right corner", 20, 20, 11, 12, 9, 8}),
                         [](const auto& row) { return test::CaseName(row.param.description); });

}  // namespace
}  // namespace tessaly
