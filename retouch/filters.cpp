#include "retouch/filters.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tessaly {
namespace {

bool IsFilterTarget(const Picture& picture) {
  return picture.bitsPerPixel == 24 && picture.width > 0 && picture.height > 0 &&
         picture.pixels.size() >= picture.Stride() * static_cast<std::size_t>(picture.height);
}

// Largest |4 * centre - left - right - above - below| for byte components.
constexpr int kMaxSharpenDelta = 4 * 255;

// trunc(0.4 * d) for every possible d, computed with the double-precision gain, so that
// the inner loop is integer-only and still gives exactly what the multiplication gives.
const std::array<std::int16_t, 2 * kMaxSharpenDelta + 1>& SharpenTable() {
  static const auto table = [] {
    std::array<std::int16_t, 2 * kMaxSharpenDelta + 1> t{};
    for (int d = -kMaxSharpenDelta; d <= kMaxSharpenDelta; ++d)
      t[static_cast<std::size_t>(d + kMaxSharpenDelta)] = static_cast<std::int16_t>(kSharpenGain * d);
    return t;
  }();
  return table;
}

// floor(n / d) as (n * m) >> 32 with m = floor(2^32 / d) + 1; exact while n * d < 2^32,
// which the window sums (at most 255 * window^2) keep far from.
std::uint64_t Reciprocal(std::uint32_t d) { return (std::uint64_t{1} << 32) / d + 1; }
std::uint32_t DivideBy(std::uint32_t n, std::uint64_t reciprocal) {
  return static_cast<std::uint32_t>((n * reciprocal) >> 32);
}

}  // namespace

void Sharpen(Picture& picture) {
  if (!IsFilterTarget(picture)) return;
  const int w = picture.width;
  const int h = picture.height;
  const std::size_t stride = picture.Stride();
  // The copy carries the outermost rows and columns and the row padding over unchanged.
  std::vector<std::uint8_t> out(picture.pixels.begin(), picture.pixels.begin() + static_cast<std::ptrdiff_t>(stride * h));
  if (w >= 3 && h >= 3) {
    const std::int16_t* gain = SharpenTable().data() + kMaxSharpenDelta;
    const std::size_t first = 3;
    const std::size_t last = 3 * static_cast<std::size_t>(w - 1);  // exclusive
    for (int r = 1; r < h - 1; ++r) {
      const std::uint8_t* centre = picture.pixels.data() + static_cast<std::size_t>(r) * stride;
      const std::uint8_t* below = centre - stride;
      const std::uint8_t* above = centre + stride;
      std::uint8_t* dst = out.data() + static_cast<std::size_t>(r) * stride;
      for (std::size_t k = first; k < last; ++k) {
        const int c = centre[k];
        const int d = 4 * c - centre[k - 3] - centre[k + 3] - above[k] - below[k];
        dst[k] = static_cast<std::uint8_t>(std::clamp(c + gain[d], 0, 255));
      }
    }
  }
  std::memcpy(picture.pixels.data(), out.data(), out.size());
}

void Soften(Picture& picture, int window) {
  if (!IsFilterTarget(picture) || window < 1) return;
  const int w = picture.width;
  const int h = picture.height;
  const int half = window / 2;
  const std::size_t stride = picture.Stride();
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(w);
  std::vector<std::uint8_t> out(picture.pixels.begin(), picture.pixels.begin() + static_cast<std::ptrdiff_t>(stride * h));

  // Columns each pixel's window covers, clipped at the left and right edges.
  std::vector<std::uint32_t> columns(static_cast<std::size_t>(w));
  for (int x = 0; x < w; ++x) columns[static_cast<std::size_t>(x)] = static_cast<std::uint32_t>(std::min(w - 1, x + half) - std::max(0, x - half) + 1);
  // Reciprocals of every count a window can have.
  std::vector<std::uint64_t> reciprocal(static_cast<std::size_t>(window * window + 1), 0);
  for (std::size_t d = 1; d < reciprocal.size(); ++d) reciprocal[d] = Reciprocal(static_cast<std::uint32_t>(d));

  // Horizontal window sums of each row, kept for the window's rows in a ring, and their
  // running vertical total.
  std::vector<std::uint32_t> ring(static_cast<std::size_t>(window) * rowBytes);
  std::vector<std::uint32_t> total(rowBytes, 0);
  auto rowSums = [&](int r) { return ring.data() + static_cast<std::size_t>(r % window) * rowBytes; };
  auto computeRowSums = [&](int r) {
    const std::uint8_t* src = picture.pixels.data() + static_cast<std::size_t>(r) * stride;
    std::uint32_t* sums = rowSums(r);
    std::uint32_t running[3] = {0, 0, 0};
    // Slide the window along the row: add the pixel entering on the right, drop the one
    // leaving on the left.
    for (int x = 0; x < std::min(half, w); ++x)
      for (int c = 0; c < 3; ++c) running[c] += src[3 * x + c];
    for (int x = 0; x < w; ++x) {
      const int enter = x + half;
      const int leave = x - half - 1;
      for (int c = 0; c < 3; ++c) {
        if (enter < w) running[c] += src[3 * enter + c];
        if (leave >= 0) running[c] -= src[3 * leave + c];
        sums[3 * x + c] = running[c];
      }
    }
  };
  auto addRow = [&](int r, bool add) {
    const std::uint32_t* sums = rowSums(r);
    if (add)
      for (std::size_t k = 0; k < rowBytes; ++k) total[k] += sums[k];
    else
      for (std::size_t k = 0; k < rowBytes; ++k) total[k] -= sums[k];
  };

  for (int r = 0; r < std::min(half, h); ++r) {
    computeRowSums(r);
    addRow(r, true);
  }
  for (int r = 0; r < h; ++r) {
    // Drop the row leaving the window before its ring slot is reused.
    if (r - half - 1 >= 0) addRow(r - half - 1, false);
    if (r + half < h) {
      computeRowSums(r + half);
      addRow(r + half, true);
    }
    const std::uint32_t rows = static_cast<std::uint32_t>(std::min(h - 1, r + half) - std::max(0, r - half) + 1);
    std::uint8_t* dst = out.data() + static_cast<std::size_t>(r) * stride;
    for (int x = 0; x < w; ++x) {
      const std::uint64_t inverse = reciprocal[columns[static_cast<std::size_t>(x)] * rows];
      for (int c = 0; c < 3; ++c) {
        const std::size_t k = 3 * static_cast<std::size_t>(x) + static_cast<std::size_t>(c);
        dst[k] = static_cast<std::uint8_t>(DivideBy(total[k], inverse));
      }
    }
  }
  std::memcpy(picture.pixels.data(), out.data(), out.size());
}

void Mosaic(Picture& picture, const PictureRect& region, int block) {
  if (!IsFilterTarget(picture) || block < 1) return;
  const PictureRect area =
      region.Empty() ? PictureRect{0, 0, picture.width, picture.height} : region.ClippedTo(picture.width, picture.height);
  if (area.Empty()) return;
  const std::size_t areaBytes = 3 * static_cast<std::size_t>(area.Width());
  const std::size_t blocksPerRow = static_cast<std::size_t>((area.Width() + block - 1) / block);
  std::vector<std::uint32_t> columnSums(areaBytes);
  std::vector<std::uint8_t> means(3 * blocksPerRow);

  for (int top = area.top; top < area.bottom; top += block) {
    const int bottom = std::min(top + block, area.bottom);
    std::fill(columnSums.begin(), columnSums.end(), 0);
    for (int y = top; y < bottom; ++y) {
      const std::uint8_t* src = picture.Line(y) + 3 * static_cast<std::size_t>(area.left);
      for (std::size_t k = 0; k < areaBytes; ++k) columnSums[k] += src[k];
    }
    for (std::size_t b = 0; b < blocksPerRow; ++b) {
      const int x0 = static_cast<int>(b) * block;
      const int x1 = std::min(x0 + block, area.Width());
      const std::uint32_t count = static_cast<std::uint32_t>((x1 - x0) * (bottom - top));
      for (int c = 0; c < 3; ++c) {
        std::uint32_t sum = 0;
        for (int x = x0; x < x1; ++x) sum += columnSums[3 * static_cast<std::size_t>(x) + static_cast<std::size_t>(c)];
        means[3 * b + static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(sum / count);
      }
    }
    for (int y = top; y < bottom; ++y) {
      std::uint8_t* dst = picture.Line(y) + 3 * static_cast<std::size_t>(area.left);
      for (int x = 0; x < area.Width(); ++x) {
        const std::uint8_t* mean = means.data() + 3 * static_cast<std::size_t>(x / block);
        dst[3 * x] = mean[0];
        dst[3 * x + 1] = mean[1];
        dst[3 * x + 2] = mean[2];
      }
    }
  }
}

}  // namespace tessaly
