#include "engine/yuv_to_bgra.h"

#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace corvane {

YuvCoefficients CoefficientsFor(ColourSpace colour, int depth) {
  // Luma weights Kr and Kb of each standard (BT.601, BT.709, BT.2020).
  double kr = 0.299, kb = 0.114;
  if (colour.matrix == YuvMatrix::kBt709) kr = 0.2126, kb = 0.0722;
  if (colour.matrix == YuvMatrix::kBt2020) kr = 0.2627, kb = 0.0593;
  const double kg = 1.0 - kr - kb;
  YuvCoefficients k;
  const int up = depth - 8;
  k.maxSample = uint16_t((1 << depth) - 1);
  k.mid = int16_t(128 << up);
  k.lumaShift = 15 - depth;
  k.chromaShift = 16 - depth;
  // Gains to 8-bit levels from samples already brought to an 8-bit scale:
  // limited range spans 219 levels of luma and 224 of chroma (16..235,
  // 16..240, times 2^(depth - 8)); full range spans every code, 2^depth - 1.
  double yGain = 255.0 / 219.0, cGain = 255.0 / 224.0;
  if (colour.range == YuvRange::kFull) {
    yGain = cGain = 255.0 * double(1 << up) / double(k.maxSample);
    k.black = 0;
  } else {
    k.black = int16_t(16 << up);
  }
  auto q = [](double v, int bits) { return int16_t(std::lround(v * double(1 << bits))); };
  k.yGain = q(yGain, 14);
  k.vToR = q(2.0 * (1.0 - kr) * cGain, 13);
  k.uToB = q(2.0 * (1.0 - kb) * cGain, 13);
  k.uToG = q(2.0 * kb * (1.0 - kb) / kg * cGain, 13);
  k.vToG = q(2.0 * kr * (1.0 - kr) / kg * cGain, 13);
  return k;
}

namespace {

// ---- Plain ------------------------------------------------------------------
// The same operations as the SIMD lanes, one sample at a time.

inline int16_t MulHrs(int16_t a, int16_t b) { return int16_t((int32_t(a) * b + 0x4000) >> 15); }
inline int16_t Saturate(int v) { return int16_t(std::clamp(v, -32768, 32767)); }
inline uint8_t Level(int16_t q6) { return uint8_t(std::clamp(q6 >> 6, 0, 255)); }

template <typename T>
void RowPlain(const T* y, const T* u, const T* v, int step, uint8_t* dst, int width, const YuvCoefficients& k) {
  for (int x = 0; x < width; ++x) {
    const int ys = std::min<int>(y[x], k.maxSample);
    // Half a level (32 in Q6) is added to luma once, for all three channels.
    const int16_t yt = Saturate(MulHrs(int16_t((ys - k.black) * (1 << k.lumaShift)), k.yGain) + 32);
    int16_t b = yt, g = yt, r = yt;
    if (u) {
      const int c = x / step;
      const auto ud = int16_t((std::min<int>(u[c], k.maxSample) - k.mid) * (1 << k.chromaShift));
      const auto vd = int16_t((std::min<int>(v[c], k.maxSample) - k.mid) * (1 << k.chromaShift));
      b = Saturate(yt + MulHrs(ud, k.uToB));
      r = Saturate(yt + MulHrs(vd, k.vToR));
      g = Saturate(yt - Saturate(MulHrs(ud, k.uToG) + MulHrs(vd, k.vToG)));
    }
    uint8_t* p = dst + 4 * x;
    p[0] = Level(b), p[1] = Level(g), p[2] = Level(r), p[3] = 255;
  }
}

// ---- AVX2: 16 pixels a step -------------------------------------------------

#define CORVANE_AVX2 __attribute__((target("avx2")))

CORVANE_AVX2 inline __m256i Load16(const uint8_t* p) {
  return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}
CORVANE_AVX2 inline __m256i Load16(const uint16_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
// Sixteen samples in the qword order 0-3, 8-11 | 4-7, 12-15, so that
// unpacking each with itself gives the samples 0-7 and 8-15 doubled, in order.
template <typename T>
CORVANE_AVX2 inline __m256i LoadForDoubling(const T* p) {
  return _mm256_permute4x64_epi64(Load16(p), 0xD8);
}

// Blue, green and red words (Q6, rounding included) of 16 pixels into 64
// bytes of BGRA.
CORVANE_AVX2 inline void StoreBGRA(__m256i b, __m256i g, __m256i r, uint8_t* dst) {
  b = _mm256_srai_epi16(b, 6);
  g = _mm256_srai_epi16(g, 6);
  r = _mm256_srai_epi16(r, 6);
  // Per 128-bit lane: br = b0..7 r0..7, ga = g0..7 then eight 255s.
  const __m256i br = _mm256_packus_epi16(b, r);
  const __m256i ga = _mm256_packus_epi16(g, _mm256_set1_epi16(255));
  const __m256i bg = _mm256_unpacklo_epi8(br, ga);
  const __m256i ra = _mm256_unpackhi_epi8(br, ga);
  const __m256i p0 = _mm256_unpacklo_epi16(bg, ra);  // pixels 0-3 | 8-11
  const __m256i p1 = _mm256_unpackhi_epi16(bg, ra);  // pixels 4-7 | 12-15
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), _mm256_permute2x128_si256(p0, p1, 0x20));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 32), _mm256_permute2x128_si256(p0, p1, 0x31));
}

struct Avx2Factors {
  __m256i maxSample, black, mid, yGain, uToB, uToG, vToG, vToR;
  __m128i lumaShift, chromaShift;
  CORVANE_AVX2 explicit Avx2Factors(const YuvCoefficients& k)
      : maxSample(_mm256_set1_epi16(int16_t(k.maxSample))),
        black(_mm256_set1_epi16(k.black)),
        mid(_mm256_set1_epi16(k.mid)),
        yGain(_mm256_set1_epi16(k.yGain)),
        uToB(_mm256_set1_epi16(k.uToB)),
        uToG(_mm256_set1_epi16(k.uToG)),
        vToG(_mm256_set1_epi16(k.vToG)),
        vToR(_mm256_set1_epi16(k.vToR)),
        lumaShift(_mm_cvtsi32_si128(k.lumaShift)),
        chromaShift(_mm_cvtsi32_si128(k.chromaShift)) {}
};

// 8-bit samples never exceed the top code; deeper words may, and are clamped.
template <typename T>
CORVANE_AVX2 inline __m256i Clamp(__m256i v, const Avx2Factors& f) {
  if constexpr (sizeof(T) == 1) return v;
  return _mm256_min_epu16(v, f.maxSample);
}

// Luma's share of every channel, plus the half level that rounds them.
template <typename T>
CORVANE_AVX2 inline __m256i LumaTerm(__m256i y, const Avx2Factors& f) {
  const __m256i yt =
      _mm256_mulhrs_epi16(_mm256_sll_epi16(_mm256_sub_epi16(Clamp<T>(y, f), f.black), f.lumaShift), f.yGain);
  return _mm256_adds_epi16(yt, _mm256_set1_epi16(32));
}

// What chroma adds to blue and red and takes from green (Q6).
struct ChromaTerms {
  __m256i b, g, r;
};
template <typename T>
CORVANE_AVX2 inline ChromaTerms Chroma(__m256i u, __m256i v, const Avx2Factors& f) {
  const __m256i ud = _mm256_sll_epi16(_mm256_sub_epi16(Clamp<T>(u, f), f.mid), f.chromaShift);
  const __m256i vd = _mm256_sll_epi16(_mm256_sub_epi16(Clamp<T>(v, f), f.mid), f.chromaShift);
  return {_mm256_mulhrs_epi16(ud, f.uToB),
          _mm256_adds_epi16(_mm256_mulhrs_epi16(ud, f.uToG), _mm256_mulhrs_epi16(vd, f.vToG)),
          _mm256_mulhrs_epi16(vd, f.vToR)};
}

CORVANE_AVX2 inline void Store(__m256i yt, const ChromaTerms& c, uint8_t* dst) {
  StoreBGRA(_mm256_adds_epi16(yt, c.b), _mm256_subs_epi16(yt, c.g), _mm256_adds_epi16(yt, c.r), dst);
}

template <typename T, int kStep, bool kGrey>
CORVANE_AVX2 void RowAvx2(const T* y, const T* u, const T* v, uint8_t* dst, int width, const YuvCoefficients& k) {
  const Avx2Factors f(k);
  int x = 0;
  if constexpr (kGrey) {
    for (; x + 16 <= width; x += 16) {
      const __m256i yt = LumaTerm<T>(Load16(y + x), f);
      StoreBGRA(yt, yt, yt, dst + 4 * x);
    }
  } else if constexpr (kStep == 1) {
    for (; x + 16 <= width; x += 16)
      Store(LumaTerm<T>(Load16(y + x), f), Chroma<T>(Load16(u + x), Load16(v + x), f), dst + 4 * x);
  } else {
    // 32 pixels a step: the terms of 16 chroma samples, each used twice.
    for (; x + 32 <= width; x += 32) {
      const ChromaTerms c = Chroma<T>(LoadForDoubling(u + x / 2), LoadForDoubling(v + x / 2), f);
      const ChromaTerms lo{_mm256_unpacklo_epi16(c.b, c.b), _mm256_unpacklo_epi16(c.g, c.g),
                           _mm256_unpacklo_epi16(c.r, c.r)};
      const ChromaTerms hi{_mm256_unpackhi_epi16(c.b, c.b), _mm256_unpackhi_epi16(c.g, c.g),
                           _mm256_unpackhi_epi16(c.r, c.r)};
      Store(LumaTerm<T>(Load16(y + x), f), lo, dst + 4 * x);
      Store(LumaTerm<T>(Load16(y + x + 16), f), hi, dst + 4 * x + 64);
    }
  }
  if (x < width) {
    const int c = x / kStep;
    RowPlain<T>(y + x, kGrey ? nullptr : u + c, kGrey ? nullptr : v + c, kStep, dst + 4 * x, width - x, k);
  }
}

template <typename T>
void RowAvx2Any(const T* y, const T* u, const T* v, int step, uint8_t* dst, int width, const YuvCoefficients& k) {
  if (!u || !v)
    RowAvx2<T, 1, true>(y, nullptr, nullptr, dst, width, k);
  else if (step == 1)
    RowAvx2<T, 1, false>(y, u, v, dst, width, k);
  else
    RowAvx2<T, 2, false>(y, u, v, dst, width, k);
}

bool HaveAvx2() {
  static const bool avx2 = __builtin_cpu_supports("avx2");
  return avx2;
}

// Rows of a planar picture with any sample type; 4:2:0 reads chroma row y / 2.
template <typename T, typename RowFn>
void Planes(RowFn row, device::Sub sub, const T* y, int ys, const T* u, int us, const T* v, int vs, uint8_t* dst,
            int dstStride, int w, int h, const YuvCoefficients& k) {
  const int step = sub == device::Sub::k444 ? 1 : 2;
  for (int r = 0; r < h; ++r) {
    const int cr = sub == device::Sub::k420 ? r / 2 : r;
    row(y + ptrdiff_t(ys) * r, u ? u + ptrdiff_t(us) * cr : nullptr, v ? v + ptrdiff_t(vs) * cr : nullptr, step,
        dst + ptrdiff_t(dstStride) * r, w, k);
  }
}

}  // namespace

void YuvRow8Plain(const uint8_t* y, const uint8_t* u, const uint8_t* v, int step, uint8_t* dst, int width,
                  const YuvCoefficients& k) {
  RowPlain(y, u, v, step, dst, width, k);
}
void YuvRow16Plain(const uint16_t* y, const uint16_t* u, const uint16_t* v, int step, uint8_t* dst, int width,
                   const YuvCoefficients& k) {
  RowPlain(y, u, v, step, dst, width, k);
}

YuvRow8Fn BestYuvRow8() { return HaveAvx2() ? RowAvx2Any<uint8_t> : YuvRow8Plain; }
YuvRow16Fn BestYuvRow16() { return HaveAvx2() ? RowAvx2Any<uint16_t> : YuvRow16Plain; }

void PlanarToBGRA(device::Sub sub, const uint8_t* y, int ys, const uint8_t* u, int us, const uint8_t* v, int vs,
                  uint8_t* dst, int dstStride, int w, int h, const YuvCoefficients& k) {
  Planes(BestYuvRow8(), sub, y, ys, u, us, v, vs, dst, dstStride, w, h, k);
}

void Planar16ToBGRA(device::Sub sub, const uint16_t* y, int ys, const uint16_t* u, int us, const uint16_t* v, int vs,
                    uint8_t* dst, int dstStride, int w, int h, const YuvCoefficients& k) {
  Planes(BestYuvRow16(), sub, y, ys, u, us, v, vs, dst, dstStride, w, h, k);
}

void SemiPlanarToBGRA(const uint8_t* y, int ys, const uint8_t* uv, int uvs, bool vFirst, uint8_t* dst, int dstStride,
                      int w, int h, const YuvCoefficients& k) {
  // Each chroma row is taken apart once, for the two lines that share it.
  const int cw = device::Half(w);
  std::vector<uint8_t> split(2 * size_t(cw) + 64);
  uint8_t* u = split.data();
  uint8_t* v = u + cw;
  const YuvRow8Fn row = BestYuvRow8();
  for (int r = 0; r < h; ++r) {
    if (r % 2 == 0)
      libyuv::SplitUVPlane(uv + ptrdiff_t(uvs) * (r / 2), 0, vFirst ? v : u, 0, vFirst ? u : v, 0, cw, 1);
    row(y + ptrdiff_t(ys) * r, u, v, 2, dst + ptrdiff_t(dstStride) * r, w, k);
  }
}

void GreyToBGRA(const uint8_t* y, int ys, uint8_t* dst, int dstStride, int w, int h, const YuvCoefficients& k) {
  const YuvRow8Fn row = BestYuvRow8();
  for (int r = 0; r < h; ++r) row(y + ptrdiff_t(ys) * r, nullptr, nullptr, 1, dst + ptrdiff_t(dstStride) * r, w, k);
}

}  // namespace corvane
