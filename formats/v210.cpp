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
    // 24 fields in order, as 16-bit values: f0..f7 | f8..f15 | f16..f23.
    alignas(32) uint16_t f[24];
    const __m256i ab = _mm256_permute4x64_epi64(_mm256_packus_epi32(a, b), 0xD8);
    _mm256_store_si256(reinterpret_cast<__m256i*>(f), ab);
    const __m128i c16 = _mm_packus_epi32(_mm256_castsi256_si128(c), _mm256_extracti128_si256(c, 1));
    _mm_store_si128(reinterpret_cast<__m128i*>(f + 16), c16);
    // Field k of the 24: Y at the odd places, U at 0, 4, 8, ..., V at 2, 6, 10, ...
    const __m128i lo = _mm_load_si128(reinterpret_cast<const __m128i*>(f));
    const __m128i mid = _mm_load_si128(reinterpret_cast<const __m128i*>(f + 8));
    const __m128i hi = _mm_load_si128(reinterpret_cast<const __m128i*>(f + 16));
    const __m128i oddLo = _mm_setr_epi8(2, 3, 6, 7, 10, 11, 14, 15, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i oddHi = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, 2, 3, 6, 7, 10, 11, 14, 15);
    const __m128i y0 = _mm_or_si128(_mm_shuffle_epi8(lo, oddLo), _mm_shuffle_epi8(mid, oddHi));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(y + x), y0);
    const __m128i y1 = _mm_shuffle_epi8(hi, oddLo);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(y + x + 8), y1);
    // U: fields 0, 4, 8, 12, 16, 20; V: 2, 6, 10, 14, 18, 22.
    const __m128i evenQ = _mm_setr_epi8(0, 1, 8, 9, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i evenQ2 = _mm_setr_epi8(4, 5, 12, 13, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i uLo = _mm_shuffle_epi8(lo, evenQ), uMid = _mm_shuffle_epi8(mid, evenQ), uHi = _mm_shuffle_epi8(hi, evenQ);
    const __m128i vLo = _mm_shuffle_epi8(lo, evenQ2), vMid = _mm_shuffle_epi8(mid, evenQ2), vHi = _mm_shuffle_epi8(hi, evenQ2);
    const __m128i uu = _mm_unpacklo_epi64(_mm_unpacklo_epi32(uLo, uMid), uHi);
    const __m128i vv = _mm_unpacklo_epi64(_mm_unpacklo_epi32(vLo, vMid), vHi);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(u + x / 2), uu);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(v + x / 2), vv);
    // The fifth and sixth chroma samples of the pair of groups.
    u[x / 2 + 4] = f[16], u[x / 2 + 5] = f[20];
    v[x / 2 + 4] = f[18], v[x / 2 + 5] = f[22];
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
