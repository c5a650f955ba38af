// Unsigned division of 16-bit vector lanes by a constant, for the operations' vector
// paths: the multiply-high method with its final shift done as one more multiply-high,
// so that every lane may have its own divisor.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tessaly::simd {

struct U16Divisor {
  std::uint16_t magic = 0;
  std::uint16_t shift = 0;  // 2^(16 - s): a multiply-high by it shifts right by s
};

// For 3 <= d <= 32768 and every 16-bit n: with l = ceil(log2 d),
// m = floor(2^16 (2^l - d) / d) + 1, t = (m n) >> 16, n / d = (t + ((n - t) >> 1)) >> (l - 1).
constexpr U16Divisor DivisorOf(int d) {
  int l = 0;
  while ((1 << l) < d) ++l;
  return {static_cast<std::uint16_t>((65536L * ((1L << l) - d)) / d + 1), static_cast<std::uint16_t>(1 << (17 - l))};
}

#if defined(__SSE2__)
inline __m128i Divide(__m128i n, __m128i magic, __m128i shift) {
  const __m128i t = _mm_mulhi_epu16(n, magic);
  return _mm_mulhi_epu16(_mm_add_epi16(t, _mm_srli_epi16(_mm_sub_epi16(n, t), 1)), shift);
}
#endif

}  // namespace tessaly::simd
