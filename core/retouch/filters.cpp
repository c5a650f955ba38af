#include "retouch/filters.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "retouch/vector_support.h"

namespace tessaly {
namespace {

bool IsFilterTarget(const Picture& picture) {
  return picture.bitsPerPixel == 24 && picture.width > 0 && picture.height > 0 &&
         picture.pixels.size() >= picture.Stride() * static_cast<std::size_t>(picture.height);
}

// The widest soften window whose sums still fit 16 bits (255 * 15 * 15).
constexpr int kMaxSoftenWindow = 15;

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
  std::vector<std::uint8_t> out(picture.pixels.begin(),
                                picture.pixels.begin() + static_cast<std::ptrdiff_t>(stride * h));
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
  if (!IsFilterTarget(picture) || window < 1 || window > kMaxSoftenWindow || window % 2 == 0) return;
  const int w = picture.width;
  const int h = picture.height;
  const int half = window / 2;
  const std::size_t stride = picture.Stride();
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(w);
  std::vector<std::uint8_t> out(picture.pixels.begin(),
                                picture.pixels.begin() + static_cast<std::ptrdiff_t>(stride * h));

  // Columns each pixel's window covers, clipped at the left and right edges.
  std::vector<std::uint32_t> columns(static_cast<std::size_t>(w));
  for (int x = 0; x < w; ++x)
    columns[static_cast<std::size_t>(x)] =
        static_cast<std::uint32_t>(std::min(w - 1, x + half) - std::max(0, x - half) + 1);
  // Reciprocals of every count a window can have.
  std::vector<std::uint64_t> reciprocal(static_cast<std::size_t>(window * window + 1), 0);
  for (std::size_t d = 1; d < reciprocal.size(); ++d) reciprocal[d] = Reciprocal(static_cast<std::uint32_t>(d));

  // Horizontal window sums of each row, kept for the window's rows in a ring, and their
  // running vertical total. A full window sums at most 255 * 15 * 15, within 16 bits.
  std::vector<std::uint16_t> ring(static_cast<std::size_t>(window) * rowBytes);
  std::vector<std::uint16_t> total(rowBytes, 0);
  auto rowSums = [&](int r) { return ring.data() + static_cast<std::size_t>(r % window) * rowBytes; };
  // Byte positions whose window lies wholly inside the row.
  const std::size_t innerBegin = 3 * static_cast<std::size_t>(std::min(half, w));
  const std::size_t innerEnd = w > 2 * half ? 3 * static_cast<std::size_t>(w - half) : innerBegin;

  auto computeRowSums = [&](int r) {
    const std::uint8_t* src = picture.pixels.data() + static_cast<std::size_t>(r) * stride;
    std::uint16_t* sums = rowSums(r);
    auto edgeSum = [&](std::size_t k) {
      const int x = static_cast<int>(k / 3);
      const std::size_t c = k % 3;
      std::uint16_t sum = 0;
      for (int xx = std::max(0, x - half); xx <= std::min(w - 1, x + half); ++xx)
        sum = static_cast<std::uint16_t>(sum + src[3 * static_cast<std::size_t>(xx) + c]);
      return sum;
    };
    for (std::size_t k = 0; k < innerBegin; ++k) sums[k] = edgeSum(k);
    std::size_t k = innerBegin;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const std::size_t reach = 3 * static_cast<std::size_t>(half);
    for (; k + 8 <= innerEnd; k += 8) {
      __m128i sum = zero;
      for (std::size_t d = 0; d <= 2 * reach; d += 3) {
        const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + k - reach + d));
        sum = _mm_add_epi16(sum, _mm_unpacklo_epi8(bytes, zero));
      }
      _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + k), sum);
    }
#endif
    for (; k < innerEnd; ++k) {
      std::uint16_t sum = 0;
      for (int d = -half; d <= half; ++d) sum = static_cast<std::uint16_t>(sum + src[k + 3 * d]);
      sums[k] = sum;
    }
    for (k = std::max(innerEnd, innerBegin); k < rowBytes; ++k) sums[k] = edgeSum(k);
  };
  auto addRow = [&](int r, bool add) {
    const std::uint16_t* sums = rowSums(r);
    std::size_t k = 0;
#if defined(__SSE2__)
    for (; k + 8 <= rowBytes; k += 8) {
      const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(total.data() + k));
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + k));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(total.data() + k), add ? _mm_add_epi16(t, v) : _mm_sub_epi16(t, v));
    }
#endif
    for (; k < rowBytes; ++k) total[k] = static_cast<std::uint16_t>(add ? total[k] + sums[k] : total[k] - sums[k]);
  };

#if defined(__SSE2__)
  const simd::U16Divisor fullWindow = simd::DivisorOf(window * window);
  const __m128i magic = _mm_set1_epi16(static_cast<short>(fullWindow.magic));
  const __m128i shift = _mm_set1_epi16(static_cast<short>(fullWindow.shift));
#endif
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
    std::size_t k = 0;
    auto divideOne = [&](std::size_t at) {
      const std::uint64_t inverse = reciprocal[columns[at / 3] * rows];
      dst[at] = static_cast<std::uint8_t>(DivideBy(total[at], inverse));
    };
#if defined(__SSE2__)
    // Where the whole window lies inside the picture every pixel divides by the same
    // count; the picture's edges take the scalar way.
    if (window >= 3 && rows == static_cast<std::uint32_t>(window)) {
      for (; k < innerBegin; ++k) divideOne(k);
      for (; k + 16 <= innerEnd; k += 16) {
        const __m128i lo =
            simd::Divide(_mm_loadu_si128(reinterpret_cast<const __m128i*>(total.data() + k)), magic, shift);
        const __m128i hi =
            simd::Divide(_mm_loadu_si128(reinterpret_cast<const __m128i*>(total.data() + k + 8)), magic, shift);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + k), _mm_packus_epi16(lo, hi));
      }
    }
#endif
    for (; k < rowBytes; ++k) divideOne(k);
  }
  std::memcpy(picture.pixels.data(), out.data(), out.size());
}

void Mosaic(Picture& picture, const PictureRect& region, int block) {
  if (!IsFilterTarget(picture) || block < 1) return;
  const PictureRect area = region.Empty() ? PictureRect{0, 0, picture.width, picture.height}
                                          : region.ClippedTo(picture.width, picture.height);
  if (area.Empty()) return;
  const std::size_t areaBytes = 3 * static_cast<std::size_t>(area.Width());
  std::vector<std::uint32_t> columnSums(areaBytes);
  // One line of the block row's mean colours, copied onto each of its lines.
  std::vector<std::uint8_t> line(areaBytes);

  for (int top = area.top; top < area.bottom; top += block) {
    const int bottom = std::min(top + block, area.bottom);
    std::fill(columnSums.begin(), columnSums.end(), 0);
    for (int y = top; y < bottom; ++y) {
      const std::uint8_t* src = picture.Line(y) + 3 * static_cast<std::size_t>(area.left);
      std::size_t k = 0;
#if defined(__SSE2__)
      const __m128i zero = _mm_setzero_si128();
      for (; k + 16 <= areaBytes; k += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k));
        const __m128i lo = _mm_unpacklo_epi8(bytes, zero);
        const __m128i hi = _mm_unpackhi_epi8(bytes, zero);
        __m128i* sums = reinterpret_cast<__m128i*>(columnSums.data() + k);
        _mm_storeu_si128(sums, _mm_add_epi32(_mm_loadu_si128(sums), _mm_unpacklo_epi16(lo, zero)));
        _mm_storeu_si128(sums + 1, _mm_add_epi32(_mm_loadu_si128(sums + 1), _mm_unpackhi_epi16(lo, zero)));
        _mm_storeu_si128(sums + 2, _mm_add_epi32(_mm_loadu_si128(sums + 2), _mm_unpacklo_epi16(hi, zero)));
        _mm_storeu_si128(sums + 3, _mm_add_epi32(_mm_loadu_si128(sums + 3), _mm_unpackhi_epi16(hi, zero)));
      }
#endif
      for (; k < areaBytes; ++k) columnSums[k] += src[k];
    }
    for (int x0 = 0; x0 < area.Width(); x0 += block) {
      const int x1 = std::min(x0 + block, area.Width());
      const std::uint32_t count = static_cast<std::uint32_t>((x1 - x0) * (bottom - top));
      std::uint8_t mean[3];
      for (int c = 0; c < 3; ++c) {
        std::uint32_t sum = 0;
        for (int x = x0; x < x1; ++x) sum += columnSums[3 * static_cast<std::size_t>(x) + static_cast<std::size_t>(c)];
        mean[c] = static_cast<std::uint8_t>(sum / count);
      }
      for (int x = x0; x < x1; ++x) std::memcpy(line.data() + 3 * static_cast<std::size_t>(x), mean, 3);
    }
    for (int y = top; y < bottom; ++y)
      std::memcpy(picture.Line(y) + 3 * static_cast<std::size_t>(area.left), line.data(), areaBytes);
  }
}

}  // namespace tessaly
