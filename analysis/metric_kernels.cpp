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

uint64_t SseRow_C(const uint8_t* a, const uint8_t* b, int n) {
  uint64_t sum = 0;
  for (int i = 0; i < n; ++i) {
    const int d = int(a[i]) - int(b[i]);
    sum += uint64_t(d * d);
  }
  return sum;
}

void Ssim4x4Blocks_C(const uint8_t* a, ptrdiff_t strideA, const uint8_t* b, ptrdiff_t strideB, BlockSums* sums,
                     int from, int to) {
  for (int z = from; z < to; ++z) {
    int s1 = 0, s2 = 0, ss = 0, s12 = 0;
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) {
        const int p = a[4 * z + x + y * strideA], q = b[4 * z + x + y * strideB];
        s1 += p;
        s2 += q;
        ss += p * p + q * q;
        s12 += p * q;
      }
    }
    sums[z][0] = s1, sums[z][1] = s2, sums[z][2] = ss, sums[z][3] = s12;
  }
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

constexpr MetricKernels kReference{"C", SseRow_C, Ssim4x4Row_C, SsimEndRow_C};

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

// Eight blocks (32 samples) a step: per half of 16 samples, the four rows'
// samples as words; s1 and s2 summed as words, squares and products as
// dword pairs; then pairs folded into blocks and interleaved to s1, s2, ss, s12.
AVX2 void Ssim4x4Row_AVX2(const uint8_t* a, ptrdiff_t strideA, const uint8_t* b, ptrdiff_t strideB, BlockSums* sums,
                          int blocks) {
  const __m256i ones = _mm256_set1_epi16(1);
  int z = 0;
  for (; z + 8 <= blocks; z += 8) {
    __m256i s1[2], s2[2], ss[2], s12[2];
    for (int h = 0; h < 2; ++h) s1[h] = s2[h] = ss[h] = s12[h] = _mm256_setzero_si256();
    for (int y = 0; y < 4; ++y) {
      const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + y * strideA + 4 * z));
      const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + y * strideB + 4 * z));
      const __m256i A[2] = {_mm256_cvtepu8_epi16(_mm256_castsi256_si128(va)),
                            _mm256_cvtepu8_epi16(_mm256_extracti128_si256(va, 1))};
      const __m256i B[2] = {_mm256_cvtepu8_epi16(_mm256_castsi256_si128(vb)),
                            _mm256_cvtepu8_epi16(_mm256_extracti128_si256(vb, 1))};
      for (int h = 0; h < 2; ++h) {
        s1[h] = _mm256_add_epi16(s1[h], A[h]);
        s2[h] = _mm256_add_epi16(s2[h], B[h]);
        ss[h] = _mm256_add_epi32(ss[h], _mm256_add_epi32(_mm256_madd_epi16(A[h], A[h]), _mm256_madd_epi16(B[h], B[h])));
        s12[h] = _mm256_add_epi32(s12[h], _mm256_madd_epi16(A[h], B[h]));
      }
    }
    for (int h = 0; h < 2; ++h) {
      // Per 128-bit lane (two blocks): X = s1 b0, s1 b1, s2 b0, s2 b1; Y = ss .., s12 ..
      const __m256i X = _mm256_hadd_epi32(_mm256_madd_epi16(s1[h], ones), _mm256_madd_epi16(s2[h], ones));
      const __m256i Y = _mm256_hadd_epi32(ss[h], s12[h]);
      const __m256i P = _mm256_unpacklo_epi32(X, Y);
      const __m256i Q = _mm256_unpackhi_epi32(X, Y);
      const __m256i first = _mm256_unpacklo_epi32(P, Q);   // blocks 0 | 2 of this half
      const __m256i second = _mm256_unpackhi_epi32(P, Q);  // blocks 1 | 3
      __m256i* out = reinterpret_cast<__m256i*>(sums + z + 4 * h);
      _mm256_storeu_si256(out, _mm256_permute2x128_si256(first, second, 0x20));
      _mm256_storeu_si256(out + 1, _mm256_permute2x128_si256(first, second, 0x31));
    }
  }
  Ssim4x4Blocks_C(a, strideA, b, strideB, sums, z, blocks);
}

AVX2 inline __m256i Load8(const int* s) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s)); }

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
    __m256i v[4];
    for (int k = 0; k < 4; ++k) {
      const int* p = above[i + 2 * k].data();
      const int* q = below[i + 2 * k].data();
      v[k] = _mm256_add_epi32(_mm256_add_epi32(Load8(p), Load8(p + 4)), _mm256_add_epi32(Load8(q), Load8(q + 4)));
    }
    const __m256i t0 = _mm256_unpacklo_epi32(v[0], v[1]), t1 = _mm256_unpackhi_epi32(v[0], v[1]);
    const __m256i t2 = _mm256_unpacklo_epi32(v[2], v[3]), t3 = _mm256_unpackhi_epi32(v[2], v[3]);
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

constexpr MetricKernels kAvx2{"AVX2", SseRow_AVX2, Ssim4x4Row_AVX2, SsimEndRow_AVX2};

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
