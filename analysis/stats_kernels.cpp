#include "analysis/stats_kernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define CORVANE_STATS_X86 1
#endif

namespace corvane::analysis {
namespace {

// ---- Reference ------------------------------------------------------------

uint64_t SadOrRow_C(const uint8_t* a, const uint8_t* b, int n, uint8_t* mask) {
  uint64_t sum = 0;
  uint8_t bits = 0;
  for (int i = 0; i < n; ++i) {
    sum += uint64_t(a[i] > b[i] ? a[i] - b[i] : b[i] - a[i]);
    bits |= a[i];
  }
  *mask |= bits;
  return sum;
}

// Pixels from..to - 1 of a TOUT line.
int ToutPixels(const uint8_t* p, ptrdiff_t stride, int from, int to, bool twoLines) {
  const auto three = [&](int x, ptrdiff_t j) {
    for (int i = -1; i <= 1; ++i)
      if (!ToutOutlier(p[x + i - j], p[x + i], p[x + i + j])) return false;
    return true;
  };
  int count = 0;
  for (int x = from; x < to; ++x) count += (!twoLines || three(x, 2 * stride)) && three(x, stride);
  return count;
}

int ToutRow_C(const uint8_t* row, ptrdiff_t stride, int w, bool twoLines) {
  return ToutPixels(row, stride, 1, w - 1, twoLines);
}

constexpr bool OutOfRange(int y, int u, int v) { return y < 16 || y > 235 || u < 16 || u > 240 || v < 16 || v > 240; }

int BrngPixels(const uint8_t* y, const uint8_t* u, const uint8_t* v, int from, int to, int shift) {
  int count = 0;
  for (int x = from; x < to; ++x) count += OutOfRange(y[x], u[x >> shift], v[x >> shift]);
  return count;
}

int BrngRow_C(const uint8_t* y, const uint8_t* u, const uint8_t* v, int w, int shift) {
  return BrngPixels(y, u, v, 0, w, shift);
}

constexpr StatsKernels kReference{"C", SadOrRow_C, ToutRow_C, BrngRow_C};

// ---- AVX2 -----------------------------------------------------------------

#ifdef CORVANE_STATS_X86
#define AVX2 __attribute__((target("avx2,popcnt")))

AVX2 inline __m256i Load(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
AVX2 inline __m256i AbsDiff(__m256i a, __m256i b) { return _mm256_or_si256(_mm256_subs_epu8(a, b), _mm256_subs_epu8(b, a)); }
AVX2 inline int CountSet(__m256i lanes) { return __builtin_popcount(unsigned(_mm256_movemask_epi8(lanes))); }

AVX2 uint64_t SadOrRow_AVX2(const uint8_t* a, const uint8_t* b, int n, uint8_t* mask) {
  __m256i sums = _mm256_setzero_si256(), bits = _mm256_setzero_si256();
  int i = 0;
  for (; i + 32 <= n; i += 32) {
    const __m256i va = Load(a + i);
    sums = _mm256_add_epi64(sums, _mm256_sad_epu8(va, Load(b + i)));
    bits = _mm256_or_si256(bits, va);
  }
  alignas(32) uint64_t lanes[4];
  _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), sums);
  alignas(32) uint8_t bytes[32];
  _mm256_store_si256(reinterpret_cast<__m256i*>(bytes), bits);
  uint8_t all = 0;
  for (uint8_t v : bytes) all |= v;
  *mask |= all;
  return lanes[0] + lanes[1] + lanes[2] + lanes[3] + SadOrRow_C(a + i, b + i, n - i, mask);
}

// 0xFF where ffmpeg's outlier test holds for the 32 samples at b against
// those at a (above) and c (below). floor((d1 + d2) / 2) is the rounded-up
// average less the low bit of d1 ^ d2; "> d3 + 4" saturates: d3 + 4 past 255
// is never exceeded.
AVX2 inline __m256i Outliers(__m256i a, __m256i b, __m256i c) {
  const __m256i d1 = AbsDiff(a, b), d2 = AbsDiff(c, b), d3 = AbsDiff(c, a);
  const __m256i half = _mm256_sub_epi8(_mm256_avg_epu8(d1, d2),
                                       _mm256_and_si256(_mm256_xor_si256(d1, d2), _mm256_set1_epi8(1)));
  const __m256i limit = _mm256_adds_epu8(d3, _mm256_set1_epi8(4));
  // half > limit, unsigned: the saturated difference is not zero.
  return _mm256_xor_si256(_mm256_cmpeq_epi8(_mm256_subs_epu8(half, limit), _mm256_setzero_si256()),
                          _mm256_set1_epi8(-1));
}

// The three-pixel test at distance j (in bytes) for the 32 pixels at p.
AVX2 inline __m256i Three(const uint8_t* p, ptrdiff_t j) {
  __m256i all = _mm256_set1_epi8(-1);
  for (int i = -1; i <= 1; ++i) all = _mm256_and_si256(all, Outliers(Load(p + i - j), Load(p + i), Load(p + i + j)));
  return all;
}

AVX2 int ToutRow_AVX2(const uint8_t* row, ptrdiff_t stride, int w, bool twoLines) {
  int count = 0;
  int x = 1;
  // The pixels x .. x + 31 read x - 1 .. x + 32, all on the line while x + 32 <= w - 1.
  for (; x + 33 <= w; x += 32) {
    __m256i hits = Three(row + x, stride);
    if (twoLines) hits = _mm256_and_si256(hits, Three(row + x, 2 * stride));
    count += CountSet(hits);
  }
  return count + ToutPixels(row, stride, x, w - 1, twoLines);
}

// 0xFF where v lies outside lo..hi.
AVX2 inline __m256i Outside(__m256i v, uint8_t lo, uint8_t hi) {
  const __m256i inside = _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_max_epu8(v, _mm256_set1_epi8(char(lo))), v),
                                          _mm256_cmpeq_epi8(_mm256_min_epu8(v, _mm256_set1_epi8(char(hi))), v));
  return _mm256_xor_si256(inside, _mm256_set1_epi8(-1));
}

// 16 chroma samples, each doubled, for 32 pixels of a line.
AVX2 inline __m256i Doubled(const uint8_t* c) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c));
  return _mm256_set_m128i(_mm_unpackhi_epi8(v, v), _mm_unpacklo_epi8(v, v));
}

AVX2 int BrngRow_AVX2(const uint8_t* y, const uint8_t* u, const uint8_t* v, int w, int shift) {
  int count = 0;
  int x = 0;
  for (; x + 32 <= w; x += 32) {
    const __m256i cu = shift ? Doubled(u + (x >> 1)) : Load(u + x);
    const __m256i cv = shift ? Doubled(v + (x >> 1)) : Load(v + x);
    count += CountSet(_mm256_or_si256(Outside(Load(y + x), 16, 235),
                                      _mm256_or_si256(Outside(cu, 16, 240), Outside(cv, 16, 240))));
  }
  return count + BrngPixels(y, u, v, x, w, shift);
}

constexpr StatsKernels kAvx2{"AVX2", SadOrRow_AVX2, ToutRow_AVX2, BrngRow_AVX2};
#endif

}  // namespace

const StatsKernels& ReferenceStatsKernels() { return kReference; }

const StatsKernels* Avx2StatsKernels() {
#ifdef CORVANE_STATS_X86
  if (__builtin_cpu_supports("avx2")) return &kAvx2;
#endif
  return nullptr;
}

const StatsKernels& BestStatsKernels() {
  static const StatsKernels& best = Avx2StatsKernels() ? *Avx2StatsKernels() : ReferenceStatsKernels();
  return best;
}

}  // namespace corvane::analysis
