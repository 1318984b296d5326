#include "formats/v210.h"

#include <immintrin.h>

#include <cstring>

namespace corvane {

namespace {

uint32_t Word(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);  // little-endian machine
  return v;
}

// One group of 6 pixels, of which `pixels` are stored (the row's last group
// may be partial).
void UnpackGroup(const uint8_t* src, uint16_t* y, uint16_t* u, uint16_t* v, int pixels) {
  uint16_t f[12];
  for (int w = 0; w < 4; ++w) {
    const uint32_t word = Word(src + 4 * w);
    f[3 * w] = uint16_t(word & 0x3FF);
    f[3 * w + 1] = uint16_t((word >> 10) & 0x3FF);
    f[3 * w + 2] = uint16_t((word >> 20) & 0x3FF);
  }
  // Field order: U0 Y0 V0 Y1 U1 Y2 V1 Y3 U2 Y4 V2 Y5.
  for (int i = 0; i < pixels; ++i) y[i] = f[2 * i + 1];
  for (int i = 0; i < (pixels + 1) / 2; ++i) {
    u[i] = f[4 * i];
    v[i] = f[4 * i + 2];
  }
}

__attribute__((target("avx2"))) void UnpackV210RowAvx2(const uint8_t* src, uint16_t* y, uint16_t* u,
                                                        uint16_t* v, int width) {
  // Two groups (12 pixels, 32 bytes) a step: each group's four words are
  // spread over twelve 32-bit lanes with the shift of their field, masked,
  // packed to 16 bits and sorted into Y, U and V by byte shuffles.
  const __m256i idxA = _mm256_setr_epi32(0, 0, 0, 1, 1, 1, 2, 2);  // fields 0..7 of group 0
  const __m256i idxB = _mm256_setr_epi32(2, 3, 3, 3, 4, 4, 4, 5);  // fields 8..11, then 0..3 of group 1
  const __m256i idxC = _mm256_setr_epi32(5, 5, 6, 6, 6, 7, 7, 7);  // fields 4..11 of group 1
  const __m256i shA = _mm256_setr_epi32(0, 10, 20, 0, 10, 20, 0, 10);
  const __m256i shB = _mm256_setr_epi32(20, 0, 10, 20, 0, 10, 20, 0);
  const __m256i shC = _mm256_setr_epi32(10, 20, 0, 10, 20, 0, 10, 20);
  const __m256i mask = _mm256_set1_epi32(0x3FF);
  int x = 0;
  for (; x + 12 <= width; x += 12, src += 32) {
    const __m256i words = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
    const __m256i a = _mm256_and_si256(_mm256_srlv_epi32(_mm256_permutevar8x32_epi32(words, idxA), shA), mask);
    const __m256i b = _mm256_and_si256(_mm256_srlv_epi32(_mm256_permutevar8x32_epi32(words, idxB), shB), mask);
    const __m256i c = _mm256_and_si256(_mm256_srlv_epi32(_mm256_permutevar8x32_epi32(words, idxC), shC), mask);
    // 24 fields in order, as 16-bit values: f0..f7 | f8..f15 in ab, f16..f23
    // in c16. One byte shuffle sorts each run of eight into Y (the odd
    // fields), U (fields 0 and 4) and V (2 and 6): [Y Y Y Y | U U | V V].
    const __m256i ab = _mm256_permute4x64_epi64(_mm256_packus_epi32(a, b), 0xD8);
    const __m128i c16 = _mm_packus_epi32(_mm256_castsi256_si128(c), _mm256_extracti128_si256(c, 1));
    const __m128i sort = _mm_setr_epi8(2, 3, 6, 7, 10, 11, 14, 15, 0, 1, 8, 9, 4, 5, 12, 13);
    const __m256i sorted = _mm256_shuffle_epi8(ab, _mm256_broadcastsi128_si256(sort));
    const __m128i s0 = _mm256_castsi256_si128(sorted), s1 = _mm256_extracti128_si256(sorted, 1);
    const __m128i s2 = _mm_shuffle_epi8(c16, sort);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(y + x), _mm_unpacklo_epi64(s0, s1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(y + x + 8), s2);
    // U: 32-bit element 2 of each run; V: element 3.
    const __m128i u01 = _mm_unpackhi_epi32(s0, s1);  // U0 U1, U2 U3, V0 V1, V2 V3 as 32-bit pairs
    const __m128i uv2 = _mm_unpackhi_epi32(s2, s2);  // U4 U5, U4 U5, V4 V5, V4 V5
    _mm_storel_epi64(reinterpret_cast<__m128i*>(u + x / 2), u01);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(v + x / 2), _mm_unpackhi_epi64(u01, u01));
    const uint32_t u45 = uint32_t(_mm_cvtsi128_si32(uv2)), v45 = uint32_t(_mm_extract_epi32(uv2, 2));
    std::memcpy(u + x / 2 + 4, &u45, 4);
    std::memcpy(v + x / 2 + 4, &v45, 4);
  }
  for (; x < width; x += 6, src += 16) UnpackGroup(src, y + x, u + x / 2, v + x / 2, width - x < 6 ? width - x : 6);
}

}  // namespace

void UnpackV210RowReference(const uint8_t* src, uint16_t* y, uint16_t* u, uint16_t* v, int width) {
  for (int x = 0; x < width; x += 6, src += 16)
    UnpackGroup(src, y + x, u + x / 2, v + x / 2, width - x < 6 ? width - x : 6);
}

V210RowFn Avx2V210Row() { return __builtin_cpu_supports("avx2") ? UnpackV210RowAvx2 : nullptr; }

V210RowFn BestV210Row() {
  static const V210RowFn best = Avx2V210Row() ? Avx2V210Row() : UnpackV210RowReference;
  return best;
}

}  // namespace corvane
