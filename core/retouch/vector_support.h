// What the operations' vector paths share: unsigned division of 16-bit lanes by a
// constant (the multiply-high method, with its final shift done as one more multiply-high
// so that every lane may have its own divisor) and the check for AVX2.
//
// Every vector path gives exactly the bytes of the plain arithmetic it replaces.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define TESSALY_X86_VECTORS 1
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

#if defined(TESSALY_X86_VECTORS)
__attribute__((target("avx2"))) inline __m256i Divide(__m256i n, __m256i magic, __m256i shift) {
  const __m256i t = _mm256_mulhi_epu16(n, magic);
  return _mm256_mulhi_epu16(_mm256_add_epi16(t, _mm256_srli_epi16(_mm256_sub_epi16(n, t), 1)), shift);
}

inline bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#endif

}  // namespace tessaly::simd
