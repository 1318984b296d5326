#include "engine/scale_kernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define CORVANE_SCALE_X86 1
#endif

namespace corvane::scale {

std::optional<Ratio> RatioFor(int src, int dst) {
  if (src <= 0 || dst <= 0) return std::nullopt;
  if (src == dst) return Ratio::k1to1;
  if (int64_t(src) * 2 == int64_t(dst) * 3) return Ratio::k3to2;
  if (src == 2 * int64_t(dst)) return Ratio::k2to1;
  if (src == 3 * int64_t(dst)) return Ratio::k3to1;
  return std::nullopt;
}

int SourceSpan(Ratio r, int n) {
  switch (r) {
    case Ratio::k1to1: return n;
    // An odd count ends on the first of a pair, which reads two of its triple.
    case Ratio::k3to2: return (3 * n + 1) / 2;
    case Ratio::k2to1: return 2 * n;
    case Ratio::k3to1: return 3 * n;
  }
  return n;
}

VTaps VerticalTaps(Ratio r, int y) {
  switch (r) {
    case Ratio::k1to1: return {y, 1};
    case Ratio::k3to2: return {3 * (y / 2) + (y & 1), 2};
    case Ratio::k2to1: return {2 * y, 2};
    case Ratio::k3to1: return {3 * y, 3};
  }
  return {y, 1};
}

namespace {

// ---- Reference ------------------------------------------------------------

void H3to2_C(const uint8_t* s, uint8_t* d, int dw) {
  for (int x = 0; x < dw; ++x) {
    const uint8_t* p = s + 3 * (x >> 1);
    d[x] = (x & 1) ? uint8_t((p[1] + 3 * p[2] + 2) >> 2) : uint8_t((3 * p[0] + p[1] + 2) >> 2);
  }
}

void H2to1_C(const uint8_t* s, uint8_t* d, int dw) {
  for (int x = 0; x < dw; ++x) d[x] = uint8_t((s[2 * x] + s[2 * x + 1] + 1) >> 1);
}

// (sum + 1) / 3 is sum / 3 rounded: a third is never exactly half way.
void H3to1_C(const uint8_t* s, uint8_t* d, int dw) {
  for (int x = 0; x < dw; ++x) d[x] = uint8_t((s[3 * x] + s[3 * x + 1] + s[3 * x + 2] + 1) / 3);
}

void V3and1_C(const uint8_t* a, const uint8_t* b, uint8_t* d, int n) {
  for (int i = 0; i < n; ++i) d[i] = uint8_t((3 * a[i] + b[i] + 2) >> 2);
}

void VAvg2_C(const uint8_t* a, const uint8_t* b, uint8_t* d, int n) {
  for (int i = 0; i < n; ++i) d[i] = uint8_t((a[i] + b[i] + 1) >> 1);
}

void VAvg3_C(const uint8_t* a, const uint8_t* b, const uint8_t* c, uint8_t* d, int n) {
  for (int i = 0; i < n; ++i) d[i] = uint8_t((a[i] + b[i] + c[i] + 1) / 3);
}

constexpr Kernels kReference{"C", H3to2_C, H2to1_C, H3to1_C, V3and1_C, VAvg2_C, VAvg3_C};

#ifdef CORVANE_SCALE_X86

// Division by 3 of sums up to 766 as a high multiply: 21846 / 65536 exceeds
// 1/3 by under 1.1e-5, so for s <= 766 the product is off by under 0.01,
// less than the 1/3 between s/3 and the next integer: floor(s * 21846 / 65536)
// equals floor(s / 3) exactly.
constexpr short kThirdQ16 = 21846;

// ---- SSSE3 ----------------------------------------------------------------

#define SSSE3 __attribute__((target("ssse3")))

// The 3:2 pairs of a triple group inside one 16-byte load starting at o:
// (o,o+1) (o+1,o+2) for each triple, weighted 3,1 and 1,3.
SSSE3 inline __m128i Pairs3to2(__m128i v, __m128i shuf, __m128i w) {
  const __m128i s = _mm_maddubs_epi16(_mm_shuffle_epi8(v, shuf), w);
  return _mm_srli_epi16(_mm_add_epi16(s, _mm_set1_epi16(2)), 2);
}

SSSE3 void H3to2_SSSE3(const uint8_t* s, uint8_t* d, int dw) {
  const __m128i shufA = _mm_setr_epi8(0, 1, 1, 2, 3, 4, 4, 5, 6, 7, 7, 8, 9, 10, 10, 11);
  const __m128i shufB = _mm_setr_epi8(4, 5, 5, 6, 7, 8, 8, 9, 10, 11, 11, 12, 13, 14, 14, 15);
  const __m128i w = _mm_setr_epi8(3, 1, 1, 3, 3, 1, 1, 3, 3, 1, 1, 3, 3, 1, 1, 3);
  int x = 0;
  // 16 outputs from 24 inputs: the second load starts at 8 so that it ends
  // inside the 24 (its triples are its bytes 4..15).
  for (; x + 16 <= dw; x += 16, s += 24) {
    const __m128i a = Pairs3to2(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)), shufA, w);
    const __m128i b = Pairs3to2(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 8)), shufB, w);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x), _mm_packus_epi16(a, b));
  }
  H3to2_C(s, d + x, dw - x);
}

SSSE3 void H2to1_SSSE3(const uint8_t* s, uint8_t* d, int dw) {
  const __m128i ones = _mm_set1_epi8(1), one = _mm_set1_epi16(1);
  int x = 0;
  for (; x + 16 <= dw; x += 16, s += 32) {
    __m128i a = _mm_maddubs_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)), ones);
    __m128i b = _mm_maddubs_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16)), ones);
    a = _mm_srli_epi16(_mm_add_epi16(a, one), 1);
    b = _mm_srli_epi16(_mm_add_epi16(b, one), 1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x), _mm_packus_epi16(a, b));
  }
  H2to1_C(s, d + x, dw - x);
}

// Eight 3:1 sums (16-bit) from 24 inputs at s: the loads at 0 and 8 each
// hold four triples (bytes 0..11 and 4..15); the shuffle lays every triple
// out as a pair and a single so that maddubs and one horizontal add sum it.
SSSE3 inline __m128i Sums3to1(const uint8_t* s, __m128i shufA, __m128i shufB, __m128i ones) {
  const __m128i a = _mm_maddubs_epi16(_mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)), shufA), ones);
  const __m128i b =
      _mm_maddubs_epi16(_mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 8)), shufB), ones);
  return _mm_hadd_epi16(a, b);
}

SSSE3 void H3to1_SSSE3(const uint8_t* s, uint8_t* d, int dw) {
  const __m128i shufA = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i shufB = _mm_setr_epi8(4, 5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1);
  const __m128i ones = _mm_set1_epi8(1), one = _mm_set1_epi16(1), third = _mm_set1_epi16(kThirdQ16);
  int x = 0;
  for (; x + 16 <= dw; x += 16, s += 48) {
    const __m128i lo = _mm_mulhi_epu16(_mm_add_epi16(Sums3to1(s, shufA, shufB, ones), one), third);
    const __m128i hi = _mm_mulhi_epu16(_mm_add_epi16(Sums3to1(s + 24, shufA, shufB, ones), one), third);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x), _mm_packus_epi16(lo, hi));
  }
  H3to1_C(s, d + x, dw - x);
}

SSSE3 void V3and1_SSSE3(const uint8_t* a, const uint8_t* b, uint8_t* d, int n) {
  const __m128i w = _mm_setr_epi8(3, 1, 3, 1, 3, 1, 3, 1, 3, 1, 3, 1, 3, 1, 3, 1), two = _mm_set1_epi16(2);
  int i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    const __m128i lo = _mm_srli_epi16(_mm_add_epi16(_mm_maddubs_epi16(_mm_unpacklo_epi8(va, vb), w), two), 2);
    const __m128i hi = _mm_srli_epi16(_mm_add_epi16(_mm_maddubs_epi16(_mm_unpackhi_epi8(va, vb), w), two), 2);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(lo, hi));
  }
  V3and1_C(a + i, b + i, d + i, n - i);
}

SSSE3 void VAvg2_SSSE3(const uint8_t* a, const uint8_t* b, uint8_t* d, int n) {
  int i = 0;
  for (; i + 16 <= n; i += 16)  // pavgb is exactly (a+b+1)>>1
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                     _mm_avg_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i)),
                                  _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i))));
  VAvg2_C(a + i, b + i, d + i, n - i);
}

SSSE3 void VAvg3_SSSE3(const uint8_t* a, const uint8_t* b, const uint8_t* c, uint8_t* d, int n) {
  const __m128i z = _mm_setzero_si128(), one = _mm_set1_epi16(1), third = _mm_set1_epi16(kThirdQ16);
  int i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    const __m128i vc = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c + i));
    __m128i lo = _mm_add_epi16(_mm_add_epi16(_mm_unpacklo_epi8(va, z), _mm_unpacklo_epi8(vb, z)),
                               _mm_add_epi16(_mm_unpacklo_epi8(vc, z), one));
    __m128i hi = _mm_add_epi16(_mm_add_epi16(_mm_unpackhi_epi8(va, z), _mm_unpackhi_epi8(vb, z)),
                               _mm_add_epi16(_mm_unpackhi_epi8(vc, z), one));
    lo = _mm_mulhi_epu16(lo, third);
    hi = _mm_mulhi_epu16(hi, third);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(lo, hi));
  }
  VAvg3_C(a + i, b + i, c + i, d + i, n - i);
}

constexpr Kernels kSsse3{"SSSE3", H3to2_SSSE3, H2to1_SSSE3, H3to1_SSSE3, V3and1_SSSE3, VAvg2_SSSE3, VAvg3_SSSE3};

// ---- AVX2 -----------------------------------------------------------------
// pshufb, maddubs, hadd and pack work within each 128-bit lane, so each lane
// is fed its own 16-byte load and the lanes hold consecutive output blocks.

#define AVX2 __attribute__((target("avx2")))

AVX2 inline __m256i Load2x128(const uint8_t* lo, const uint8_t* hi) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(lo))),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(hi)), 1);
}

AVX2 inline __m256i Pairs3to2x2(__m256i v, __m256i shuf, __m256i w) {
  const __m256i s = _mm256_maddubs_epi16(_mm256_shuffle_epi8(v, shuf), w);
  return _mm256_srli_epi16(_mm256_add_epi16(s, _mm256_set1_epi16(2)), 2);
}

AVX2 void H3to2_AVX2(const uint8_t* s, uint8_t* d, int dw) {
  const __m256i shufA = _mm256_setr_epi8(0, 1, 1, 2, 3, 4, 4, 5, 6, 7, 7, 8, 9, 10, 10, 11,  //
                                         0, 1, 1, 2, 3, 4, 4, 5, 6, 7, 7, 8, 9, 10, 10, 11);
  const __m256i shufB = _mm256_setr_epi8(4, 5, 5, 6, 7, 8, 8, 9, 10, 11, 11, 12, 13, 14, 14, 15,  //
                                         4, 5, 5, 6, 7, 8, 8, 9, 10, 11, 11, 12, 13, 14, 14, 15);
  const __m256i w = _mm256_setr_epi8(3, 1, 1, 3, 3, 1, 1, 3, 3, 1, 1, 3, 3, 1, 1, 3,  //
                                     3, 1, 1, 3, 3, 1, 1, 3, 3, 1, 1, 3, 3, 1, 1, 3);
  int x = 0;
  // 32 outputs from 48 inputs; lane 0 makes outputs 0..15 from inputs 0..23,
  // lane 1 outputs 16..31 from inputs 24..47.
  for (; x + 32 <= dw; x += 32, s += 48) {
    const __m256i a = Pairs3to2x2(Load2x128(s, s + 24), shufA, w);
    const __m256i b = Pairs3to2x2(Load2x128(s + 8, s + 32), shufB, w);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + x), _mm256_packus_epi16(a, b));
  }
  H3to2_SSSE3(s, d + x, dw - x);
}

AVX2 void H2to1_AVX2(const uint8_t* s, uint8_t* d, int dw) {
  const __m256i ones = _mm256_set1_epi8(1), one = _mm256_set1_epi16(1);
  int x = 0;
  for (; x + 32 <= dw; x += 32, s += 64) {
    __m256i a = _mm256_maddubs_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s)), ones);
    __m256i b = _mm256_maddubs_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 32)), ones);
    a = _mm256_srli_epi16(_mm256_add_epi16(a, one), 1);
    b = _mm256_srli_epi16(_mm256_add_epi16(b, one), 1);
    // The pack interleaves the lanes' quarters: put them back in order.
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + x),
                        _mm256_permute4x64_epi64(_mm256_packus_epi16(a, b), 0xD8));
  }
  H2to1_SSSE3(s, d + x, dw - x);
}

AVX2 inline __m256i Sums3to1x2(const uint8_t* s, __m256i shufA, __m256i shufB, __m256i ones) {
  // Lane 0: outputs 0..7 of s; lane 1: outputs 8..15 (inputs from s + 24).
  const __m256i a = _mm256_maddubs_epi16(_mm256_shuffle_epi8(Load2x128(s, s + 24), shufA), ones);
  const __m256i b = _mm256_maddubs_epi16(_mm256_shuffle_epi8(Load2x128(s + 8, s + 32), shufB), ones);
  return _mm256_hadd_epi16(a, b);
}

AVX2 void H3to1_AVX2(const uint8_t* s, uint8_t* d, int dw) {
  const __m256i shufA = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                                         0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m256i shufB = _mm256_setr_epi8(4, 5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1,  //
                                         4, 5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1);
  const __m256i ones = _mm256_set1_epi8(1), one = _mm256_set1_epi16(1), third = _mm256_set1_epi16(kThirdQ16);
  int x = 0;
  for (; x + 32 <= dw; x += 32, s += 96) {
    const __m256i lo = _mm256_mulhi_epu16(_mm256_add_epi16(Sums3to1x2(s, shufA, shufB, ones), one), third);
    const __m256i hi = _mm256_mulhi_epu16(_mm256_add_epi16(Sums3to1x2(s + 48, shufA, shufB, ones), one), third);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + x),
                        _mm256_permute4x64_epi64(_mm256_packus_epi16(lo, hi), 0xD8));
  }
  H3to1_SSSE3(s, d + x, dw - x);
}

AVX2 void V3and1_AVX2(const uint8_t* a, const uint8_t* b, uint8_t* d, int n) {
  const __m256i w = _mm256_set1_epi16(0x0103), two = _mm256_set1_epi16(2);  // bytes 3, 1
  int i = 0;
  for (; i + 32 <= n; i += 32) {
    const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i));
    const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
    // unpack and pack both stay within lanes, so the order comes back as it was.
    const __m256i lo =
        _mm256_srli_epi16(_mm256_add_epi16(_mm256_maddubs_epi16(_mm256_unpacklo_epi8(va, vb), w), two), 2);
    const __m256i hi =
        _mm256_srli_epi16(_mm256_add_epi16(_mm256_maddubs_epi16(_mm256_unpackhi_epi8(va, vb), w), two), 2);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_packus_epi16(lo, hi));
  }
  V3and1_SSSE3(a + i, b + i, d + i, n - i);
}

AVX2 void VAvg2_AVX2(const uint8_t* a, const uint8_t* b, uint8_t* d, int n) {
  int i = 0;
  for (; i + 32 <= n; i += 32)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i),
                        _mm256_avg_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i)),
                                        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i))));
  VAvg2_SSSE3(a + i, b + i, d + i, n - i);
}

AVX2 void VAvg3_AVX2(const uint8_t* a, const uint8_t* b, const uint8_t* c, uint8_t* d, int n) {
  const __m256i z = _mm256_setzero_si256(), one = _mm256_set1_epi16(1), third = _mm256_set1_epi16(kThirdQ16);
  int i = 0;
  for (; i + 32 <= n; i += 32) {
    const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i));
    const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
    const __m256i vc = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(c + i));
    __m256i lo = _mm256_add_epi16(_mm256_add_epi16(_mm256_unpacklo_epi8(va, z), _mm256_unpacklo_epi8(vb, z)),
                                  _mm256_add_epi16(_mm256_unpacklo_epi8(vc, z), one));
    __m256i hi = _mm256_add_epi16(_mm256_add_epi16(_mm256_unpackhi_epi8(va, z), _mm256_unpackhi_epi8(vb, z)),
                                  _mm256_add_epi16(_mm256_unpackhi_epi8(vc, z), one));
    lo = _mm256_mulhi_epu16(lo, third);
    hi = _mm256_mulhi_epu16(hi, third);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_packus_epi16(lo, hi));
  }
  VAvg3_SSSE3(a + i, b + i, c + i, d + i, n - i);
}

constexpr Kernels kAvx2{"AVX2", H3to2_AVX2, H2to1_AVX2, H3to1_AVX2, V3and1_AVX2, VAvg2_AVX2, VAvg3_AVX2};

#endif  // CORVANE_SCALE_X86

}  // namespace

const Kernels& ReferenceKernels() { return kReference; }

const Kernels* Ssse3Kernels() {
#ifdef CORVANE_SCALE_X86
  if (__builtin_cpu_supports("ssse3")) return &kSsse3;
#endif
  return nullptr;
}

const Kernels* Avx2Kernels() {
#ifdef CORVANE_SCALE_X86
  // The AVX2 routines finish their rows with the SSSE3 ones.
  if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("ssse3")) return &kAvx2;
#endif
  return nullptr;
}

const Kernels& BestKernels() {
  static const Kernels* const best = [] {
    if (const Kernels* k = Avx2Kernels()) return k;
    if (const Kernels* k = Ssse3Kernels()) return k;
    return &kReference;
  }();
  return *best;
}

const uint8_t* VerticalRow(const Kernels& k, Ratio r, int y, const uint8_t* const rows[3], uint8_t* tmp, int n) {
  switch (r) {
    case Ratio::k1to1: return rows[0];
    case Ratio::k3to2:
      // Even rows lean on the first of their two inputs, odd rows on the second.
      if (y & 1)
        k.v3and1(rows[1], rows[0], tmp, n);
      else
        k.v3and1(rows[0], rows[1], tmp, n);
      return tmp;
    case Ratio::k2to1: k.vAvg2(rows[0], rows[1], tmp, n); return tmp;
    case Ratio::k3to1: k.vAvg3(rows[0], rows[1], rows[2], tmp, n); return tmp;
  }
  return rows[0];
}

const uint8_t* HorizontalRow(const Kernels& k, Ratio r, const uint8_t* src, uint8_t* dst, int dw) {
  switch (r) {
    case Ratio::k1to1: return src;
    case Ratio::k3to2: k.h3to2(src, dst, dw); return dst;
    case Ratio::k2to1: k.h2to1(src, dst, dw); return dst;
    case Ratio::k3to1: k.h3to1(src, dst, dw); return dst;
  }
  return src;
}

}  // namespace corvane::scale
