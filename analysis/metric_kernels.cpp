#include "analysis/metric_kernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define CORVANE_METRICS_X86 1
#endif

namespace corvane::analysis {

float SsimWindow(int s1, int s2, int ss, int s12) {
  // For 8-bit samples every term stays below 2^31: 64 * ss <= 64 * 64 * 2 * 255^2 / 2.
  const int vars = ss * 64 - s1 * s1 - s2 * s2;
  const int covar = s12 * 64 - s1 * s2;
  return float(2 * s1 * s2 + kSsimC1) * float(2 * covar + kSsimC2) /
         (float(s1 * s1 + s2 * s2 + kSsimC1) * float(vars + kSsimC2));
}

DeepSsimConstants DeepSsimConstantsFor(unsigned peak) {
  // ffmpeg's expressions, evaluated in double in this order, then truncated.
  return {int64_t(.01 * .01 * peak * peak * 64 + .5), int64_t(.03 * .03 * peak * peak * 64 * 63 + .5)};
}

float DeepSsimWindow(int64_t s1, int64_t s2, int64_t ss, int64_t s12, DeepSsimConstants c) {
  // 16-bit samples keep every term below 2^63: 64 * ss <= 64 * 64 * 2 * 65535^2.
  const int64_t vars = ss * 64 - s1 * s1 - s2 * s2;
  const int64_t covar = s12 * 64 - s1 * s2;
  return float(2 * s1 * s2 + c.c1) * float(2 * covar + c.c2) /
         (float(s1 * s1 + s2 * s2 + c.c1) * float(vars + c.c2));
}

namespace {

// Window i goes into accumulator i % 4, as in ffmpeg's x86 routine.
constexpr int kSsimLanes = 4;

double CombineLanes(const double acc[kSsimLanes]) { return (acc[0] + acc[2]) + (acc[1] + acc[3]); }

void AddWindows(const BlockSums* above, const BlockSums* below, int from, int to, double acc[kSsimLanes]) {
  for (int i = from; i < to; ++i) {
    int v[4];
    for (int k = 0; k < 4; ++k) v[k] = above[i][k] + above[i + 1][k] + below[i][k] + below[i + 1][k];
    acc[i % kSsimLanes] += double(SsimWindow(v[0], v[1], v[2], v[3]));
  }
}

// ---- Reference ------------------------------------------------------------

// Both sample widths: `Wide` holds a squared difference (int for bytes,
// int64_t for 16-bit words, whose squares pass 2^31).
template <typename Sample, typename Wide>
uint64_t SseRowOf(const Sample* a, const Sample* b, int n) {
  uint64_t sum = 0;
  for (int i = 0; i < n; ++i) {
    const Wide d = Wide(a[i]) - Wide(b[i]);
    sum += uint64_t(d * d);
  }
  return sum;
}

// Blocks from..to - 1 of a block row. `Sum` accumulates (int for bytes,
// uint64_t for 16-bit words as in ffmpeg); the products of two samples fit
// in 32 unsigned bits either way.
template <typename Sample, typename Sum, typename Sums>
void BlockSumsOf(const Sample* a, ptrdiff_t strideA, const Sample* b, ptrdiff_t strideB, Sums* sums, int from,
                 int to) {
  for (int z = from; z < to; ++z) {
    Sum s1 = 0, s2 = 0, ss = 0, s12 = 0;
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) {
        const uint32_t p = a[4 * z + x + y * strideA], q = b[4 * z + x + y * strideB];
        s1 += Sum(p);
        s2 += Sum(q);
        ss += Sum(p * p) + Sum(q * q);
        s12 += Sum(p * q);
      }
    }
    using Out = typename Sums::value_type;
    sums[z] = {Out(s1), Out(s2), Out(ss), Out(s12)};
  }
}

uint64_t SseRow_C(const uint8_t* a, const uint8_t* b, int n) { return SseRowOf<uint8_t, int>(a, b, n); }

void Ssim4x4Blocks_C(const uint8_t* a, ptrdiff_t strideA, const uint8_t* b, ptrdiff_t strideB, BlockSums* sums,
                     int from, int to) {
  BlockSumsOf<uint8_t, int>(a, strideA, b, strideB, sums, from, to);
}

void Ssim4x4Row_C(const uint8_t* a, ptrdiff_t strideA, const uint8_t* b, ptrdiff_t strideB, BlockSums* sums,
                  int blocks) {
  Ssim4x4Blocks_C(a, strideA, b, strideB, sums, 0, blocks);
}

double SsimEndRow_C(const BlockSums* above, const BlockSums* below, int windows) {
  double acc[kSsimLanes] = {};
  AddWindows(above, below, 0, windows, acc);
  return CombineLanes(acc);
}

// ---- 16-bit samples (plain C++ in every set) -------------------------------

uint64_t SseRow16_C(const uint16_t* a, const uint16_t* b, int n) { return SseRowOf<uint16_t, int64_t>(a, b, n); }

void Ssim4x4Row16_C(const uint16_t* a, ptrdiff_t strideA, const uint16_t* b, ptrdiff_t strideB,
                    DeepBlockSums* sums, int blocks) {
  BlockSumsOf<uint16_t, uint64_t>(a, strideA, b, strideB, sums, 0, blocks);
}

// The windows of a row added in float, in window order.
float SsimEndRow16_C(const DeepBlockSums* above, const DeepBlockSums* below, int windows, DeepSsimConstants c) {
  float sum = 0;
  for (int i = 0; i < windows; ++i) {
    int64_t v[4];
    for (int k = 0; k < 4; ++k) v[k] = above[i][k] + above[i + 1][k] + below[i][k] + below[i + 1][k];
    sum += DeepSsimWindow(v[0], v[1], v[2], v[3], c);
  }
  return sum;
}

constexpr MetricKernels kReference{"C",          SseRow_C,       Ssim4x4Row_C,  SsimEndRow_C,
                                   SseRow16_C,   Ssim4x4Row16_C, SsimEndRow16_C};

#ifdef CORVANE_METRICS_X86

#define AVX2 __attribute__((target("avx2")))

// 32-bit lanes take at most 2 * 2 * 255^2 per step; this many steps stay
// below 2^31 before they are widened to 64 bits.
constexpr int kSseStepsPerWiden = 2048;

AVX2 uint64_t SseRow_AVX2(const uint8_t* a, const uint8_t* b, int n) {
  __m256i acc64 = _mm256_setzero_si256();
  int i = 0;
  while (i + 32 <= n) {
    __m256i acc32 = _mm256_setzero_si256();
    for (int step = 0; step < kSseStepsPerWiden && i + 32 <= n; ++step, i += 32) {
      const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i));
      const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
      const __m256i dLo = _mm256_sub_epi16(_mm256_cvtepu8_epi16(_mm256_castsi256_si128(va)),
                                           _mm256_cvtepu8_epi16(_mm256_castsi256_si128(vb)));
      const __m256i dHi = _mm256_sub_epi16(_mm256_cvtepu8_epi16(_mm256_extracti128_si256(va, 1)),
                                           _mm256_cvtepu8_epi16(_mm256_extracti128_si256(vb, 1)));
      acc32 = _mm256_add_epi32(acc32, _mm256_madd_epi16(dLo, dLo));
      acc32 = _mm256_add_epi32(acc32, _mm256_madd_epi16(dHi, dHi));
    }
    acc64 = _mm256_add_epi64(acc64, _mm256_cvtepu32_epi64(_mm256_castsi256_si128(acc32)));
    acc64 = _mm256_add_epi64(acc64, _mm256_cvtepu32_epi64(_mm256_extracti128_si256(acc32, 1)));
  }
  alignas(32) uint64_t lanes[4];
  _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), acc64);
  return lanes[0] + lanes[1] + lanes[2] + lanes[3] + SseRow_C(a + i, b + i, n - i);
}

// Eight blocks (32 samples of each of the four rows) a step, every sum in a
// register. s1 and s2: byte pairs summed to words (pmaddubsw by 1), the four
// rows added, then word pairs to one dword per block. Squares and products
// from t = a + b and d = a - b as words: pmaddwd gives per sample pair the
// sums of t^2 and d^2; since t^2 + d^2 = 2(a^2 + b^2) and t^2 - d^2 = 4ab,
// ss = (T + D) / 2 and s12 = (T - D) / 4 exactly. The unpacked halves hold
// samples 0-7 | 16-23 and 8-15 | 24-31, so phaddd of the two puts the dword
// pairs back in block order; a 4x4 transpose per lane then gives each
// block's s1, s2, ss, s12.
AVX2 void Ssim4x4Row_AVX2(const uint8_t* a, ptrdiff_t strideA, const uint8_t* b, ptrdiff_t strideB, BlockSums* sums,
                          int blocks) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i byteOnes = _mm256_set1_epi8(1), wordOnes = _mm256_set1_epi16(1);
  int z = 0;
  for (; z + 8 <= blocks; z += 8) {
    __m256i s1 = zero, s2 = zero, tLo = zero, tHi = zero, dLo = zero, dHi = zero;
    for (int y = 0; y < 4; ++y) {
      const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + y * strideA + 4 * z));
      const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + y * strideB + 4 * z));
      s1 = _mm256_add_epi16(s1, _mm256_maddubs_epi16(va, byteOnes));
      s2 = _mm256_add_epi16(s2, _mm256_maddubs_epi16(vb, byteOnes));
      const __m256i aLo = _mm256_unpacklo_epi8(va, zero), aHi = _mm256_unpackhi_epi8(va, zero);
      const __m256i bLo = _mm256_unpacklo_epi8(vb, zero), bHi = _mm256_unpackhi_epi8(vb, zero);
      const __m256i sumLo = _mm256_add_epi16(aLo, bLo), sumHi = _mm256_add_epi16(aHi, bHi);
      const __m256i difLo = _mm256_sub_epi16(aLo, bLo), difHi = _mm256_sub_epi16(aHi, bHi);
      tLo = _mm256_add_epi32(tLo, _mm256_madd_epi16(sumLo, sumLo));
      tHi = _mm256_add_epi32(tHi, _mm256_madd_epi16(sumHi, sumHi));
      dLo = _mm256_add_epi32(dLo, _mm256_madd_epi16(difLo, difLo));
      dHi = _mm256_add_epi32(dHi, _mm256_madd_epi16(difHi, difHi));
    }
    const __m256i t = _mm256_hadd_epi32(tLo, tHi), d = _mm256_hadd_epi32(dLo, dHi);  // blocks 0-3 | 4-7
    const __m256i S1 = _mm256_madd_epi16(s1, wordOnes), S2 = _mm256_madd_epi16(s2, wordOnes);
    const __m256i SS = _mm256_srai_epi32(_mm256_add_epi32(t, d), 1);
    const __m256i S12 = _mm256_srai_epi32(_mm256_sub_epi32(t, d), 2);
    const __m256i p0 = _mm256_unpacklo_epi32(S1, S2), p1 = _mm256_unpackhi_epi32(S1, S2);
    const __m256i q0 = _mm256_unpacklo_epi32(SS, S12), q1 = _mm256_unpackhi_epi32(SS, S12);
    const __m256i b04 = _mm256_unpacklo_epi64(p0, q0), b15 = _mm256_unpackhi_epi64(p0, q0);
    const __m256i b26 = _mm256_unpacklo_epi64(p1, q1), b37 = _mm256_unpackhi_epi64(p1, q1);
    __m256i* out = reinterpret_cast<__m256i*>(sums + z);
    _mm256_storeu_si256(out, _mm256_permute2x128_si256(b04, b15, 0x20));
    _mm256_storeu_si256(out + 1, _mm256_permute2x128_si256(b26, b37, 0x20));
    _mm256_storeu_si256(out + 2, _mm256_permute2x128_si256(b04, b15, 0x31));
    _mm256_storeu_si256(out + 3, _mm256_permute2x128_si256(b26, b37, 0x31));
  }
  Ssim4x4Blocks_C(a, strideA, b, strideB, sums, z, blocks);
}

AVX2 inline __m256i Load8(const int* s) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s)); }

// The summed s1, s2, ss, s12 of windows 0 and 1 (one per lane) of the block rows at `above` and `below`.
AVX2 inline __m256i WindowPair(const BlockSums* above, const BlockSums* below) {
  const int* p = above->data();
  const int* q = below->data();
  return _mm256_add_epi32(_mm256_add_epi32(Load8(p), Load8(p + 4)), _mm256_add_epi32(Load8(q), Load8(q + 4)));
}

// Eight windows a step: the four sums of windows 2k and 2k+1 in one vector,
// transposed to one vector per sum (window order 0 2 4 6 | 1 3 5 7), the
// float SSIM of each, put back in window order and added in double into the
// accumulators of their window number modulo 4.
AVX2 double SsimEndRow_AVX2(const BlockSums* above, const BlockSums* below, int windows) {
  const __m256i c1 = _mm256_set1_epi32(kSsimC1), c2 = _mm256_set1_epi32(kSsimC2);
  const __m256i windowOrder = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
  __m256d acc = _mm256_setzero_pd();
  int i = 0;
  for (; i + 8 <= windows; i += 8) {
    // Written out, not looped: a loop over an array of vectors goes through the stack.
    const __m256i v0 = WindowPair(above + i, below + i), v1 = WindowPair(above + i + 2, below + i + 2);
    const __m256i v2 = WindowPair(above + i + 4, below + i + 4), v3 = WindowPair(above + i + 6, below + i + 6);
    const __m256i t0 = _mm256_unpacklo_epi32(v0, v1), t1 = _mm256_unpackhi_epi32(v0, v1);
    const __m256i t2 = _mm256_unpacklo_epi32(v2, v3), t3 = _mm256_unpackhi_epi32(v2, v3);
    const __m256i s1 = _mm256_unpacklo_epi64(t0, t2), s2 = _mm256_unpackhi_epi64(t0, t2);
    const __m256i ss = _mm256_unpacklo_epi64(t1, t3), s12 = _mm256_unpackhi_epi64(t1, t3);
    const __m256i s1s2 = _mm256_mullo_epi32(s1, s2);
    const __m256i sq = _mm256_add_epi32(_mm256_mullo_epi32(s1, s1), _mm256_mullo_epi32(s2, s2));
    const __m256i vars = _mm256_sub_epi32(_mm256_slli_epi32(ss, 6), sq);
    const __m256i covar = _mm256_sub_epi32(_mm256_slli_epi32(s12, 6), s1s2);
    const __m256 num1 = _mm256_cvtepi32_ps(_mm256_add_epi32(_mm256_add_epi32(s1s2, s1s2), c1));
    const __m256 num2 = _mm256_cvtepi32_ps(_mm256_add_epi32(_mm256_add_epi32(covar, covar), c2));
    const __m256 den1 = _mm256_cvtepi32_ps(_mm256_add_epi32(sq, c1));
    const __m256 den2 = _mm256_cvtepi32_ps(_mm256_add_epi32(vars, c2));
    const __m256 ssim = _mm256_div_ps(_mm256_mul_ps(num1, num2), _mm256_mul_ps(den1, den2));
    const __m256 ordered = _mm256_permutevar8x32_ps(ssim, windowOrder);
    acc = _mm256_add_pd(acc, _mm256_cvtps_pd(_mm256_castps256_ps128(ordered)));
    acc = _mm256_add_pd(acc, _mm256_cvtps_pd(_mm256_extractf128_ps(ordered, 1)));
  }
  alignas(32) double lanes[kSsimLanes];
  _mm256_store_pd(lanes, acc);
  AddWindows(above, below, i, windows, lanes);
  return CombineLanes(lanes);
}

constexpr MetricKernels kAvx2{"AVX2",     SseRow_AVX2,    Ssim4x4Row_AVX2, SsimEndRow_AVX2,
                              SseRow16_C, Ssim4x4Row16_C, SsimEndRow16_C};

#endif  // CORVANE_METRICS_X86

}  // namespace

const MetricKernels& ReferenceMetricKernels() { return kReference; }

const MetricKernels* Avx2MetricKernels() {
#ifdef CORVANE_METRICS_X86
  if (__builtin_cpu_supports("avx2")) return &kAvx2;
#endif
  return nullptr;
}

const MetricKernels& BestMetricKernels() {
  static const MetricKernels* const best = [] {
    if (const MetricKernels* k = Avx2MetricKernels()) return k;
    return &kReference;
  }();
  return *best;
}

}  // namespace corvane::analysis
