#include "retouch/tone.h"

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

void AdjustColor(Picture& picture, int redOffset, int greenOffset, int blueOffset) {
  if (!IsToneTarget(picture)) return;
  const ToneTable blue = ColorCurveTable(blueOffset);
  const ToneTable green = ColorCurveTable(greenOffset);
  const ToneTable red = ColorCurveTable(redOffset);
  const std::size_t stride = picture.Stride();
  for (int r = 0; r < picture.height; ++r) {
    std::uint8_t* p = picture.pixels.data() + static_cast<std::size_t>(r) * stride;
    for (int x = 0; x < picture.width; ++x, p += 3) {
      p[0] = blue[p[0]];
      p[1] = green[p[1]];
      p[2] = red[p[2]];
    }
  }
}

}  // namespace tessaly
