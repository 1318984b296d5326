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

// Rounds a 10-bit sample for an 8-bit picture.
uint8_t To8(uint16_t v) { return uint8_t(v >= 1022 ? 255 : (v + 2) >> 2); }

void UnpackGroupTo8(const uint8_t* src, uint8_t* y, uint8_t* u, uint8_t* v, int pixels) {
  uint16_t y16[6], u16[3], v16[3];
  UnpackGroup(src, y16, u16, v16, pixels);
  for (int i = 0; i < pixels; ++i) y[i] = To8(y16[i]);
  for (int i = 0; i < (pixels + 1) / 2; ++i) {
    u[i] = To8(u16[i]);
    v[i] = To8(v16[i]);
  }
}

// Each 16-bit lane's field lifted to bits 6..15, rounded into the low byte.
__attribute__((target("avx2"))) inline __m256i LiftAndRound(__m256i pairs, __m256i lift) {
  return _mm256_srli_epi16(_mm256_adds_epu16(_mm256_mullo_epi16(pairs, lift), _mm256_set1_epi16(128)), 8);
}

__attribute__((target("avx2"))) void UnpackV210RowTo8Avx2(const uint8_t* src, uint8_t* y, uint8_t* u, uint8_t* v,
                                                          int width) {
  // Four groups (24 pixels, 64 bytes) a step, groups 0 and 2 in one register
  // (a group a 128-bit lane), 1 and 3 in the other. Field k of a group
  // starts at bit p = 32 (k / 3) + 10 (k % 3): the byte pair at p / 8 holds
  // it whole, at bit s = p % 8 (0, 2 or 4). A byte shuffle puts each field's
  // pair in a 16-bit lane; multiplying by 2^(6 - s) lifts the field to bits
  // 6..15, the bits under it stay below bit 6. Adding 128 with saturation
  // and keeping the high byte is then (v + 2) >> 2, 255 at most: the bits
  // under the field add less than one to v + 2 before the division by four,
  // which cannot reach the next multiple of four.
  //
  // Fields: U0 Y0 V0 Y1 U1 Y2 V1 Y3 U2 Y4 V2 Y5. Eight lanes take Y0..Y5,
  // U0, U1 of a group; the remaining U2 V0 V1 V2 of two groups share one
  // register.
  const __m256i pairsYU = _mm256_broadcastsi128_si256(_mm_setr_epi8(1, 2, 4, 5, 6, 7, 9, 10, 12, 13, 14, 15, 0, 1, 5, 6));
  const __m256i liftYU = _mm256_broadcastsi128_si256(_mm_setr_epi16(16, 64, 4, 16, 64, 4, 64, 16));
  const __m256i pairsRestLo =
      _mm256_broadcastsi128_si256(_mm_setr_epi8(10, 11, 2, 3, 8, 9, 13, 14, -1, -1, -1, -1, -1, -1, -1, -1));
  const __m256i pairsRestHi =
      _mm256_broadcastsi128_si256(_mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, 10, 11, 2, 3, 8, 9, 13, 14));
  const __m256i liftRest = _mm256_broadcastsi128_si256(_mm_setr_epi16(4, 4, 64, 16, 4, 4, 64, 16));
  // After the packs a lane holds [Y0..Y5 U0 U1 of group a, the same of group
  // b] and [U2 V0 V1 V2 of a, of b, repeated]; these sort them into 12 Y and
  // [6 U, 2 spare, 6 V, 2 spare].
  const __m256i sortY =
      _mm256_broadcastsi128_si256(_mm_setr_epi8(0, 1, 2, 3, 4, 5, 8, 9, 10, 11, 12, 13, -1, -1, -1, -1));
  const __m256i sortU01 =
      _mm256_broadcastsi128_si256(_mm_setr_epi8(6, 7, -1, 14, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1));
  const __m256i sortRest =
      _mm256_broadcastsi128_si256(_mm_setr_epi8(-1, -1, 0, -1, -1, 4, -1, -1, 1, 2, 3, 5, 6, 7, -1, -1));
  int x = 0;
  // The stores of a step reach 4 bytes past its 24 Y and 2 past its 12 U
  // and V; the next step writes over them, the last one stays in the row.
  for (; x + 28 <= width; x += 24, src += 64) {
    const __m256i g02 = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 32)), 1);
    const __m256i g13 = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 16))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 48)), 1);
    const __m256i yu = _mm256_packus_epi16(LiftAndRound(_mm256_shuffle_epi8(g02, pairsYU), liftYU),
                                           LiftAndRound(_mm256_shuffle_epi8(g13, pairsYU), liftYU));
    const __m256i restPairs =
        _mm256_or_si256(_mm256_shuffle_epi8(g02, pairsRestLo), _mm256_shuffle_epi8(g13, pairsRestHi));
    const __m256i rest16 = LiftAndRound(restPairs, liftRest);
    const __m256i rest = _mm256_packus_epi16(rest16, rest16);
    const __m256i ys = _mm256_shuffle_epi8(yu, sortY);
    const __m256i uv = _mm256_or_si256(_mm256_shuffle_epi8(yu, sortU01), _mm256_shuffle_epi8(rest, sortRest));
    const __m128i uv0 = _mm256_castsi256_si128(uv), uv1 = _mm256_extracti128_si256(uv, 1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(y + x), _mm256_castsi256_si128(ys));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(y + x + 12), _mm256_extracti128_si256(ys, 1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(u + x / 2), uv0);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(u + x / 2 + 6), uv1);
    _mm_storeh_pd(reinterpret_cast<double*>(v + x / 2), _mm_castsi128_pd(uv0));
    _mm_storeh_pd(reinterpret_cast<double*>(v + x / 2 + 6), _mm_castsi128_pd(uv1));
  }
  for (; x < width; x += 6, src += 16)
    UnpackGroupTo8(src, y + x, u + x / 2, v + x / 2, width - x < 6 ? width - x : 6);
}

// ---- AVX-512 with VBMI: 48 pixels (eight groups, 128 bytes) a step ------
//
// vpmultishiftqb takes any 8 bits of a 64-bit word: a word of v210 holds six
// fields (bits 0, 10, 20, 32, 42, 52), and bits p + 2 .. p + 9 of the field
// at bit p are v >> 2, bit p + 1 is the one rounding adds: (v + 2) >> 2 is
// v >> 2 plus that bit, saturated at 255. One byte permute of the two
// registers then sorts the 96 results into Y, and one into U and V.

#define AVX512VBMI __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi")))

// Bytes 0..5 of each 64-bit word: where the six fields' bits start, plus 2
// (the top 8 bits) and plus 1 (the bit below them).
constexpr long long kTop8 = 0x0000362C22160C02LL;
constexpr long long kBelowTop8 = 0x0000352B21150B01LL;

// Where field f of group g sits among the multishift's results (a register
// holds four groups, 64 bytes; the second register's bytes count from 64).
constexpr uint8_t FieldByte(int g, int f) { return uint8_t(64 * (g / 4) + 16 * (g % 4) + 8 * (f / 6) + f % 6); }

struct Sorts {
  alignas(64) uint8_t y[64];
  alignas(64) uint8_t uv[64];  // U at 0..23, V at 32..55
};
constexpr Sorts MakeSorts() {
  Sorts t{};
  for (int i = 0; i < 48; ++i) t.y[i] = FieldByte(i / 6, 2 * (i % 6) + 1);  // Y: the odd fields
  for (int c = 0; c < 24; ++c) {
    t.uv[c] = FieldByte(c / 3, 4 * (c % 3));           // U: fields 0, 4, 8
    t.uv[32 + c] = FieldByte(c / 3, 4 * (c % 3) + 2);  // V: fields 2, 6, 10
  }
  return t;
}
constexpr Sorts kSorts = MakeSorts();

// Bit mask of the first n of 64 bytes.
inline uint64_t FirstBytes(int n) { return n >= 64 ? ~uint64_t(0) : n <= 0 ? 0 : (uint64_t(1) << n) - 1; }

// (The zero-masking forms of the intrinsics, all lanes kept: GCC 12 warns
// of the undefined pass-through of the plain ones.)
AVX512VBMI inline __m512i Rounded8(__m512i words) {
  constexpr __mmask64 kAll = ~__mmask64(0);
  const __m512i top = _mm512_maskz_multishift_epi64_epi8(kAll, _mm512_set1_epi64(kTop8), words);
  const __m512i bit = _mm512_and_si512(
      _mm512_maskz_multishift_epi64_epi8(kAll, _mm512_set1_epi64(kBelowTop8), words), _mm512_set1_epi8(1));
  return _mm512_adds_epu8(top, bit);
}

// n (1..48) pixels from src: only the groups they lie in are read and only
// their samples written (masked loads and stores).
AVX512VBMI inline void Step48(const uint8_t* src, uint8_t* y, uint8_t* u, uint8_t* v, int n) {
  const int bytes = 16 * ((n + 5) / 6), chroma = (n + 1) / 2;
  const __m512i a = Rounded8(_mm512_maskz_loadu_epi8(FirstBytes(bytes), src));
  const __m512i b = Rounded8(_mm512_maskz_loadu_epi8(FirstBytes(bytes - 64), src + 64));
  const __m512i ys = _mm512_permutex2var_epi8(a, _mm512_load_si512(kSorts.y), b);
  const __m512i uv = _mm512_permutex2var_epi8(a, _mm512_load_si512(kSorts.uv), b);
  _mm512_mask_storeu_epi8(y, FirstBytes(n), ys);
  _mm512_mask_storeu_epi8(u, FirstBytes(chroma), uv);
  _mm256_mask_storeu_epi8(v, uint32_t(FirstBytes(chroma)), _mm512_maskz_extracti64x4_epi64(0xF, uv, 1));
}

AVX512VBMI void UnpackV210RowTo8Avx512(const uint8_t* src, uint8_t* y, uint8_t* u, uint8_t* v, int width) {
  int x = 0;
  for (; x + 48 <= width; x += 48, src += 128) Step48(src, y + x, u + x / 2, v + x / 2, 48);
  if (x < width) Step48(src, y + x, u + x / 2, v + x / 2, width - x);
}

}  // namespace

void UnpackV210RowTo8Reference(const uint8_t* src, uint8_t* y, uint8_t* u, uint8_t* v, int width) {
  for (int x = 0; x < width; x += 6, src += 16)
    UnpackGroupTo8(src, y + x, u + x / 2, v + x / 2, width - x < 6 ? width - x : 6);
}

V210Row8Fn Avx2V210RowTo8() { return __builtin_cpu_supports("avx2") ? UnpackV210RowTo8Avx2 : nullptr; }

V210Row8Fn Avx512V210RowTo8() {
  const bool have = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                    __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi");
  return have ? UnpackV210RowTo8Avx512 : nullptr;
}

V210Row8Fn BestV210RowTo8() {
  static const V210Row8Fn best = [] {
    if (V210Row8Fn f = Avx512V210RowTo8()) return f;
    if (V210Row8Fn f = Avx2V210RowTo8()) return f;
    return UnpackV210RowTo8Reference;
  }();
  return best;
}

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
