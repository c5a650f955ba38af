#include "picture/colour_cube.h"

#include <utility>

namespace tessaly {
namespace {

// A diffused value t = v + (s >> 4) stays within -42 ... 297: every error lies within
// -42 ... 42 (a plain quantisation error lies within -40 ... 42, and a clamped value
// keeps its whole excess as error, which is no larger than the correction that caused
// it), so s >> 4 does too. The tables cover a wider range with this offset so that the
// inner loop needs neither a division nor a branch.
constexpr int kTableOffset = 128;
constexpr int kTableSize = 256 + 2 * kTableOffset;

struct Quantised {
  std::array<std::uint8_t, kTableSize> level;  // 0...5; values below 0 give 0, above 255 give 5
  std::array<std::int16_t, kTableSize> value;  // the cube value the level stands for
};

constexpr Quantised MakeQuantisedTable() {
  Quantised table{};
  for (int i = 0; i < kTableSize; ++i) {
    int t = i - kTableOffset;
    int out = t < 0 ? 0 : t > 255 ? 255 : QuantiseToCube(t);
    table.level[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(out / 51);
    table.value[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(out);
  }
  return table;
}

constexpr Quantised kQuantised = MakeQuantisedTable();

// Quantises the pixel at x plainly, keeps each component's error and returns the index.
inline std::uint8_t QuantisePlainly(const std::uint8_t* source, int* errors, int x) {
  const std::size_t j = 3 * static_cast<std::size_t>(x);
  int levels[3];
  for (int c = 0; c < 3; ++c) {
    int v = source[j + static_cast<std::size_t>(c)];
    auto at = static_cast<std::size_t>(v + kTableOffset);
    levels[c] = kQuantised.level[at];
    errors[j + static_cast<std::size_t>(c)] = v - kQuantised.value[at];
  }
  // Components are stored blue, green, red; the index is r + 6 g + 36 b.
  return static_cast<std::uint8_t>(levels[2] + 6 * levels[1] + 36 * levels[0]);
}

}  // namespace

std::array<RgbQuad, kCubeColours> CubeColourTable() {
  std::array<RgbQuad, kCubeColours> table{};
  std::size_t k = 0;
  for (std::uint8_t outer : kCubeLevels)
    for (std::uint8_t middle : kCubeLevels)
      for (std::uint8_t inner : kCubeLevels) table[k++] = RgbQuad{outer, middle, inner, 0};
  return table;
}

LogicalPalette CubePalette() {
  LogicalPalette palette;
  palette.entries.reserve(kCubeColours);
  for (std::uint8_t outer : kCubeLevels)
    for (std::uint8_t middle : kCubeLevels)
      for (std::uint8_t inner : kCubeLevels) palette.entries.push_back(PaletteEntry{outer, middle, inner, 0});
  return palette;
}

std::vector<std::uint8_t> ReduceToColourCube(int pictureWidth, int pictureHeight, const std::uint8_t* pixels, int x0,
                                             int y0, int w, int h, StatusProgress* progress) {
  const std::size_t sourceStride = RowStride(pictureWidth, 24);
  const std::size_t resultStride = RowStride(w, 8);
  std::vector<std::uint8_t> result(resultStride * static_cast<std::size_t>(h));
  if (w <= 0 || h <= 0) return result;

  // Two error rows of one integer per component: the row below (already done) and the
  // row being done.
  const std::size_t rowValues = 3 * static_cast<std::size_t>(w);
  std::vector<int> previousErrors(rowValues), currentErrors(rowValues);
  const std::size_t firstRow = static_cast<std::size_t>(pictureHeight - y0 - h);
  const std::size_t xOffset = 3 * static_cast<std::size_t>(x0);
  auto sourceRow = [&](int k) { return pixels + (firstRow + static_cast<std::size_t>(k)) * sourceStride + xOffset; };
  auto step = [&] {
    if (progress != nullptr) progress->StepIt();
  };

  // The first row has nothing below it to take errors from.
  {
    const std::uint8_t* source = sourceRow(0);
    std::uint8_t* out = result.data();
    for (int x = 0; x < w; ++x) out[x] = QuantisePlainly(source, previousErrors.data(), x);
    step();
  }

  for (int k = 1; k < h; ++k) {
    const std::uint8_t* source = sourceRow(k);
    std::uint8_t* out = result.data() + static_cast<std::size_t>(k) * resultStride;
    int* current = currentErrors.data();
    const int* previous = previousErrors.data();

    // The first and the last pixel of a row lack a neighbour on one side and are
    // quantised plainly; so is every pixel of a picture one or two pixels wide.
    out[0] = QuantisePlainly(source, current, 0);
    for (int x = 1; x < w - 1; ++x) {
      const std::size_t j = 3 * static_cast<std::size_t>(x);
      int levels[3];
      for (std::size_t c = 0; c < 3; ++c) {
        const std::size_t i = j + c;
        int s = 4 * current[i - 3] + 2 * previous[i - 3] + 8 * previous[i] + 2 * previous[i + 3];
        int t = source[i] + (s >> 4);
        auto at = static_cast<std::size_t>(t + kTableOffset);
        levels[c] = kQuantised.level[at];
        // The error is taken from the unclamped value, so a clamped pixel passes its
        // whole excess on.
        current[i] = t - kQuantised.value[at];
      }
      out[x] = static_cast<std::uint8_t>(levels[2] + 6 * levels[1] + 36 * levels[0]);
    }
    if (w > 1) out[w - 1] = QuantisePlainly(source, current, w - 1);

    std::swap(previousErrors, currentErrors);
    step();
  }
  return result;
}

}  // namespace tessaly
