#include "retouch/tone.h"

#include "retouch/vector_support.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tessaly {
namespace {

std::uint8_t ClampByte(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

bool IsToneTarget(const Picture& picture) {
  return picture.bitsPerPixel == 24 && picture.width > 0 && picture.height > 0 &&
         picture.pixels.size() >= picture.Stride() * static_cast<std::size_t>(picture.height);
}

// Bytes the point operations cover: every row with its padding.
std::size_t BlockBytes(const Picture& picture) { return picture.Stride() * static_cast<std::size_t>(picture.height); }

void ApplyTable(std::uint8_t* bytes, std::size_t count, const ToneTable& table) {
  for (std::size_t i = 0; i < count; ++i) bytes[i] = table[bytes[i]];
}

}  // namespace

ToneTable BrightnessTable(int offset) {
  ToneTable table;
  for (int in = 0; in < 256; ++in) table[static_cast<std::size_t>(in)] = ClampByte(in + offset);
  return table;
}

void AdjustBrightness(Picture& picture, int offset) {
  if (!IsToneTarget(picture) || offset == 0) return;
  std::uint8_t* bytes = picture.pixels.data();
  const std::size_t count = BlockBytes(picture);
  std::size_t i = 0;
#if defined(__SSE2__)
  // A saturating byte add or subtract is exactly in + offset clamped to 0...255.
  const int magnitude = std::min(std::abs(offset), 255);
  const __m128i step = _mm_set1_epi8(static_cast<char>(magnitude));
  for (; i + 16 <= count; i += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    v = offset > 0 ? _mm_adds_epu8(v, step) : _mm_subs_epu8(v, step);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes + i), v);
  }
#endif
  const ToneTable table = BrightnessTable(offset);
  ApplyTable(bytes + i, count - i, table);
}

float ContrastFactor(int value) {
  // The percentage 50...150 is scaled by a single-precision 0.01 and kept in single
  // precision; for every slider value this is exactly 0.5 + value / 256.
  return static_cast<float>((value * 0.390625 + 50) * static_cast<double>(0.01f));
}

ToneTable ContrastTable(int value) {
  const float f = ContrastFactor(value);
  ToneTable table;
  for (int in = 0; in < 256; ++in) {
    const float t = f * static_cast<float>(in - 128) + 128.0f;
    table[static_cast<std::size_t>(in)] = ClampByte(static_cast<int>(t));
  }
  return table;
}

void AdjustContrast(Picture& picture, int value) {
  if (!IsToneTarget(picture)) return;
  std::uint8_t* bytes = picture.pixels.data();
  const std::size_t count = BlockBytes(picture);
  std::size_t i = 0;
#if defined(__SSE2__)
  // f is a whole number of 256ths, so f * (in - 128) is exact and
  // trunc(f * (in - 128) + 128) equals 128 + floor((in - 128) * 256f / 256) wherever the
  // result is not negative; negative results clamp to 0 either way. The 16-bit products
  // are assembled from their low and high halves, and the unsigned-saturating pack does
  // the clamp.
  const int scaled = static_cast<int>(ContrastFactor(value) * 256.0f);
  if (static_cast<float>(scaled) == ContrastFactor(value) * 256.0f && scaled >= 0 && scaled < 32768) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i bias = _mm_set1_epi16(128);
    const __m128i factor = _mm_set1_epi16(static_cast<short>(scaled));
    auto half = [&](__m128i in16) {
      const __m128i centred = _mm_sub_epi16(in16, bias);
      const __m128i lo = _mm_mullo_epi16(centred, factor);
      const __m128i hi = _mm_mulhi_epi16(centred, factor);
      const __m128i shifted = _mm_or_si128(_mm_slli_epi16(hi, 8), _mm_srli_epi16(lo, 8));
      return _mm_add_epi16(shifted, bias);
    };
    for (; i + 16 <= count; i += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
      const __m128i low = half(_mm_unpacklo_epi8(v, zero));
      const __m128i high = half(_mm_unpackhi_epi8(v, zero));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes + i), _mm_packus_epi16(low, high));
    }
  }
#endif
  const ToneTable table = ContrastTable(value);
  ApplyTable(bytes + i, count - i, table);
}

int ColorCurveKnee(int offset) {
  const int half = std::clamp(offset, -128, 127) / 2;
  return 127 - half;
}

ToneTable ColorCurveTable(int offset) {
  const int k = ColorCurveKnee(offset);
  ToneTable table;
  for (int x = 0; x < 256; ++x) {
    int out;
    if (k == 127) {
      // The neutral knee would put the line through (127, 128), one step off the
      // diagonal; the sliders' middle positions are meant to change nothing.
      out = x;
    } else if (x < k) {
      // trunc(x * (255 - K) / K), evaluated exactly.
      out = x * (255 - k) / k;
    } else {
      // trunc(x * H + B) with H = K / (255 - K) and B = 255 - 255 * H, that is
      // 255 - (255 - x) * K / (255 - K) rounded down, evaluated exactly. In floating
      // point the sum falls just short of the whole numbers the line passes through (the
      // knee itself among them) and truncation would give one less.
      out = 255 - ((255 - x) * k + (255 - k) - 1) / (255 - k);
    }
    table[static_cast<std::size_t>(x)] = ClampByte(out);
  }
  return table;
}

void AdjustColorChannel(Picture& picture, int offset, int channel) {
  if (!IsToneTarget(picture) || channel < 0 || channel > 2) return;
  const ToneTable table = ColorCurveTable(offset);
  const std::size_t stride = picture.Stride();
  for (int r = 0; r < picture.height; ++r) {
    std::uint8_t* p = picture.pixels.data() + static_cast<std::size_t>(r) * stride + channel;
    for (int x = 0; x < picture.width; ++x, p += 3) *p = table[*p];
  }
}

#if defined(__SSE2__)
namespace {

// The colour curve as arithmetic on 16-bit lanes, for pixels whose blue, green and red
// bytes are interleaved. Both segments are floor(a * b / c) with a * b below 2^16; each
// lane divides by its own channel's K or 255 - K. The constants are laid out for the 48
// bytes of 16 pixels, the period after which the channels line up with the vectors again.
class ColorCurveKernel {
 public:
  ColorCurveKernel(int redOffset, int greenOffset, int blueOffset) {
    const int knees[3] = {ColorCurveKnee(blueOffset), ColorCurveKnee(greenOffset), ColorCurveKnee(redOffset)};
    for (int at = 0; at < kBlock; ++at) Set(at, knees[at % 3]);
  }

  // Applies the curves to count bytes that start with a blue byte; count is a multiple
  // of 48.
  void Apply(std::uint8_t* bytes, std::size_t count) const {
#if defined(TESSALY_X86_VECTORS)
    if (simd::HasAvx2()) return ApplyAvx2(bytes, count);
#endif
    const __m128i zero = _mm_setzero_si128();
    for (std::size_t i = 0; i + kBlock <= count; i += kBlock) {
      for (int v = 0; v < 3; ++v) {
        __m128i* at = reinterpret_cast<__m128i*>(bytes + i + 16 * static_cast<std::size_t>(v));
        const __m128i in = _mm_loadu_si128(at);
        const __m128i low = Curve(_mm_unpacklo_epi8(in, zero), 16 * v);
        const __m128i high = Curve(_mm_unpackhi_epi8(in, zero), 16 * v + 8);
        _mm_storeu_si128(at, _mm_packus_epi16(low, high));
      }
    }
  }

  // True when the kernel gives the tables' value for every byte of every channel; the
  // caller falls back to the tables otherwise, so the result never depends on it.
  bool Agrees(const ToneTable& blue, const ToneTable& green, const ToneTable& red) const {
    std::uint8_t probe[256 * 3];
    for (int x = 0; x < 256; ++x) probe[3 * x] = probe[3 * x + 1] = probe[3 * x + 2] = static_cast<std::uint8_t>(x);
    Apply(probe, sizeof probe);
    for (std::size_t x = 0; x < 256; ++x)
      if (probe[3 * x] != blue[x] || probe[3 * x + 1] != green[x] || probe[3 * x + 2] != red[x]) return false;
    return true;
  }

 private:
  static constexpr int kBlock = 48;

  void Set(int at, int k) {
    if (k == 127) {
      // The identity: x < 256 always takes floor(x * 256 / 256).
      m_knee[at] = 256;
      m_lowFactor[at] = 256;
      k = 128;
    } else {
      m_knee[at] = static_cast<std::uint16_t>(k);
      m_lowFactor[at] = static_cast<std::uint16_t>(255 - k);
    }
    const simd::U16Divisor byKnee = simd::DivisorOf(m_knee[at]);
    const simd::U16Divisor byRest = simd::DivisorOf(255 - k);
    m_lowMagic[at] = byKnee.magic;
    m_lowShift[at] = byKnee.shift;
    m_highFactor[at] = static_cast<std::uint16_t>(k);
    m_highBias[at] = static_cast<std::uint16_t>(255 - k - 1);
    m_highMagic[at] = byRest.magic;
    m_highShift[at] = byRest.shift;
  }

  // Eight lanes whose constants start at position at of the block.
  __m128i Curve(__m128i x, int at) const {
    auto load = [at](const std::uint16_t* v) { return _mm_load_si128(reinterpret_cast<const __m128i*>(v + at)); };
    // Below the knee: floor(x (255 - K) / K).
    const __m128i low = simd::Divide(_mm_mullo_epi16(x, load(m_lowFactor)), load(m_lowMagic), load(m_lowShift));
    // From the knee on: 255 - ceil((255 - x) K / (255 - K)).
    const __m128i rest = _mm_sub_epi16(_mm_set1_epi16(255), x);
    const __m128i up = simd::Divide(_mm_add_epi16(_mm_mullo_epi16(rest, load(m_highFactor)), load(m_highBias)),
                                    load(m_highMagic), load(m_highShift));
    const __m128i high = _mm_sub_epi16(_mm_set1_epi16(255), up);
    const __m128i below = _mm_cmplt_epi16(x, load(m_knee));
    return _mm_or_si128(_mm_and_si128(below, low), _mm_andnot_si128(below, high));
  }

#if defined(TESSALY_X86_VECTORS)
  // The same on sixteen lanes.
  __attribute__((target("avx2"))) __m256i Curve(__m256i x, int at) const {
    const __m256i low =
        simd::Divide(_mm256_mullo_epi16(x, Load(m_lowFactor, at)), Load(m_lowMagic, at), Load(m_lowShift, at));
    const __m256i rest = _mm256_sub_epi16(_mm256_set1_epi16(255), x);
    const __m256i up =
        simd::Divide(_mm256_add_epi16(_mm256_mullo_epi16(rest, Load(m_highFactor, at)), Load(m_highBias, at)),
                     Load(m_highMagic, at), Load(m_highShift, at));
    const __m256i high = _mm256_sub_epi16(_mm256_set1_epi16(255), up);
    const __m256i below = _mm256_cmpgt_epi16(Load(m_knee, at), x);
    return _mm256_blendv_epi8(high, low, below);
  }
  __attribute__((target("avx2"))) static __m256i Load(const std::uint16_t* v, int at) {
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(v + at));
  }
  __attribute__((target("avx2"))) void ApplyAvx2(std::uint8_t* bytes, std::size_t count) const {
    for (std::size_t i = 0; i + kBlock <= count; i += kBlock) {
      for (int v = 0; v < 3; ++v) {
        __m128i* at = reinterpret_cast<__m128i*>(bytes + i + 16 * static_cast<std::size_t>(v));
        const __m256i out = Curve(_mm256_cvtepu8_epi16(_mm_loadu_si128(at)), 16 * v);
        _mm_storeu_si128(at, _mm_packus_epi16(_mm256_castsi256_si128(out), _mm256_extracti128_si256(out, 1)));
      }
    }
  }
#endif

  alignas(32) std::uint16_t m_knee[kBlock], m_lowFactor[kBlock], m_lowMagic[kBlock], m_lowShift[kBlock],
      m_highFactor[kBlock], m_highBias[kBlock], m_highMagic[kBlock], m_highShift[kBlock];
};

}  // namespace
#endif

void AdjustColor(Picture& picture, int redOffset, int greenOffset, int blueOffset) {
  if (!IsToneTarget(picture)) return;
  const ToneTable blue = ColorCurveTable(blueOffset);
  const ToneTable green = ColorCurveTable(greenOffset);
  const ToneTable red = ColorCurveTable(redOffset);
  const std::size_t stride = picture.Stride();
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(picture.width);
  std::size_t vectorBytes = 0;
#if defined(__SSE2__)
  const ColorCurveKernel kernel(redOffset, greenOffset, blueOffset);
  if (kernel.Agrees(blue, green, red)) vectorBytes = rowBytes / 48 * 48;
#endif
  for (int r = 0; r < picture.height; ++r) {
    std::uint8_t* row = picture.pixels.data() + static_cast<std::size_t>(r) * stride;
#if defined(__SSE2__)
    kernel.Apply(row, vectorBytes);
#endif
    // The rest of the row; the row padding is left alone.
    for (std::size_t k = vectorBytes; k < rowBytes; k += 3) {
      row[k] = blue[row[k]];
      row[k + 1] = green[row[k + 1]];
      row[k + 2] = red[row[k + 2]];
    }
  }
}

}  // namespace tessaly
