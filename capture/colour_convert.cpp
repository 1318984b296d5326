#include "capture/colour_convert.h"

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define CORVANE_HAVE_AVX2_CONVERT 1
#endif

namespace corvane {

namespace {

constexpr uint32_t kMinWidth = 96, kMaxWidth = 3840, kMinHeight = 64, kMaxHeight = 3072;

// Clamp to 0..255 through a byte table indexed by the sum plus a bias. The
// sums lie in -277 .. 534 (luma contribution -19..278 plus at most 258 of
// chroma either way), well inside the table.
constexpr int kClampBias = 512;
constexpr int kClampSize = 1536;
struct ClampTable {
  uint8_t v[kClampSize];
  constexpr ClampTable() : v{} {
    for (int i = 0; i < kClampSize; ++i) {
      const int s = i - kClampBias;
      v[i] = uint8_t(s < 0 ? 0 : s > 255 ? 255 : s);
    }
  }
};
constexpr ClampTable kClamp;

inline uint32_t Pixel(int yc, int rv, int g, int bu) {
  const uint32_t r = kClamp.v[yc + rv + kClampBias];
  const uint32_t gg = kClamp.v[yc - g + kClampBias];
  const uint32_t b = kClamp.v[yc + bu + kClampBias];
  return b | (gg << 8) | (r << 16);  // memory order blue, green, red, 0
}

inline void StorePixel(uint8_t* p, uint32_t px) {
  p[0] = uint8_t(px);
  p[1] = uint8_t(px >> 8);
  p[2] = uint8_t(px >> 16);
  p[3] = 0;
}

// Plain conversion of one or two luma rows sharing a chroma row, columns
// [x0, w). An odd last column takes the last chroma column.
void RowPairPlain(const uint8_t* y0, const uint8_t* y1, const uint8_t* u, const uint8_t* v, uint8_t* d0,
                  uint8_t* d1, int32_t x0, int32_t w) {
  const int32_t cw = w / 2;
  for (int32_t x = x0; x < w; ++x) {
    int32_t c = x / 2;
    if (c >= cw) c = cw - 1;
    const int rv = contrib::kRv[v[c]];
    const int g = contrib::kGu[u[c]] + contrib::kGv[v[c]];
    const int bu = contrib::kBu[u[c]];
    StorePixel(d0 + 4 * x, Pixel(contrib::kYc[y0[x]], rv, g, bu));
    if (y1) StorePixel(d1 + 4 * x, Pixel(contrib::kYc[y1[x]], rv, g, bu));
  }
}

bool CoreArgsValid(const uint8_t* y, const uint8_t* u, const uint8_t* v, const uint8_t* dst, int32_t dstStride,
                   int32_t w, int32_t h) {
  if (!y || !u || !v || !dst || w < 2 || h < 2) return false;
  const int64_t stride = dstStride < 0 ? -int64_t(dstStride) : int64_t(dstStride);
  return stride >= 4 * int64_t(w);
}

// Debugger output of the original stands as the error output here.
void ReportAccessError() { std::fputs("Convert ACCESS ERROR\n", stderr); }

using RowFn = void (*)(const uint8_t*, const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, uint8_t*,
                       int32_t);

// Row-pair walk shared by the plain and SIMD cores; `simd` converts columns
// [0, n) with n a multiple of `step`, the plain routine does the rest.
void WalkRows(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* dst, int32_t dstStride, int32_t w,
              int32_t h, RowFn simd, int32_t step) {
  const int32_t cw = w / 2;
  const int32_t n = simd ? (w / step) * step : 0;
  for (int32_t row = 0; row < h; row += 2) {
    // An odd last row uses the last chroma row (row h/2 - 1).
    const int32_t crow = row / 2 < h / 2 ? row / 2 : h / 2 - 1;
    const uint8_t* y0 = y + int64_t(row) * w;
    const uint8_t* y1 = row + 1 < h ? y0 + w : nullptr;
    const uint8_t* uu = u + int64_t(crow) * cw;
    const uint8_t* vv = v + int64_t(crow) * cw;
    uint8_t* d0 = dst + int64_t(row) * dstStride;
    uint8_t* d1 = y1 ? d0 + dstStride : nullptr;
    if (n) simd(y0, y1, uu, vv, d0, d1, n);
    RowPairPlain(y0, y1, uu, vv, d0, d1, n, w);
  }
}

#if defined(__SSE2__)
// floor((c·x + 32768) / 65536) for 16-bit x and c: the 32-bit product is
// hi:lo, and adding 0x8000 carries into hi exactly when lo >= 0x8000.
inline __m128i MulRound16(__m128i x, __m128i c) {
  return _mm_add_epi16(_mm_mulhi_epi16(x, c), _mm_srli_epi16(_mm_mullo_epi16(x, c), 15));
}

// Factors above 32767 split into k·65536 + c' with c' a signed 16-bit value;
// the k·65536·x part adds k·x after the shift:
//   76284 = 65536 + 10748, 104595 = 2·65536 - 26477,
//   53281 = 65536 - 12255, 132252 = 2·65536 + 1180; 25625 fits as it is.
void RowPairSse2(const uint8_t* y0, const uint8_t* y1, const uint8_t* u, const uint8_t* v, uint8_t* d0,
                 uint8_t* d1, int32_t n) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i c128 = _mm_set1_epi16(128), c16 = _mm_set1_epi16(16);
  const __m128i kY = _mm_set1_epi16(10748), kRv = _mm_set1_epi16(-26477), kGu = _mm_set1_epi16(25625),
                kGv = _mm_set1_epi16(-12255), kBu = _mm_set1_epi16(1180);
  for (int32_t x = 0; x < n; x += 16) {
    // 8 chroma samples serve 16 pixels; loadl reads exactly 8 bytes.
    const __m128i cu = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(u + x / 2));
    const __m128i cv = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(v + x / 2));
    const __m128i xu = _mm_sub_epi16(_mm_unpacklo_epi8(cu, zero), c128);
    const __m128i xv = _mm_sub_epi16(_mm_unpacklo_epi8(cv, zero), c128);
    const __m128i rv = _mm_add_epi16(_mm_add_epi16(xv, xv), MulRound16(xv, kRv));
    const __m128i g = _mm_add_epi16(MulRound16(xu, kGu), _mm_add_epi16(xv, MulRound16(xv, kGv)));
    const __m128i bu = _mm_add_epi16(_mm_add_epi16(xu, xu), MulRound16(xu, kBu));
    // One chroma value serves a pixel pair.
    const __m128i rvL = _mm_unpacklo_epi16(rv, rv), rvH = _mm_unpackhi_epi16(rv, rv);
    const __m128i gL = _mm_unpacklo_epi16(g, g), gH = _mm_unpackhi_epi16(g, g);
    const __m128i buL = _mm_unpacklo_epi16(bu, bu), buH = _mm_unpackhi_epi16(bu, bu);
    for (int r = 0; r < 2; ++r) {
      const uint8_t* yr = r ? y1 : y0;
      uint8_t* d = r ? d1 : d0;
      if (!yr) break;
      const __m128i yy = _mm_loadu_si128(reinterpret_cast<const __m128i*>(yr + x));
      const __m128i yL = _mm_sub_epi16(_mm_unpacklo_epi8(yy, zero), c16);
      const __m128i yH = _mm_sub_epi16(_mm_unpackhi_epi8(yy, zero), c16);
      const __m128i ycL = _mm_add_epi16(yL, MulRound16(yL, kY));
      const __m128i ycH = _mm_add_epi16(yH, MulRound16(yH, kY));
      // packus saturates to 0..255: exactly the clamp.
      const __m128i R = _mm_packus_epi16(_mm_add_epi16(ycL, rvL), _mm_add_epi16(ycH, rvH));
      const __m128i G = _mm_packus_epi16(_mm_sub_epi16(ycL, gL), _mm_sub_epi16(ycH, gH));
      const __m128i B = _mm_packus_epi16(_mm_add_epi16(ycL, buL), _mm_add_epi16(ycH, buH));
      const __m128i bgL = _mm_unpacklo_epi8(B, G), bgH = _mm_unpackhi_epi8(B, G);
      const __m128i r0L = _mm_unpacklo_epi8(R, zero), r0H = _mm_unpackhi_epi8(R, zero);
      __m128i* out = reinterpret_cast<__m128i*>(d + 4 * x);
      _mm_storeu_si128(out + 0, _mm_unpacklo_epi16(bgL, r0L));
      _mm_storeu_si128(out + 1, _mm_unpackhi_epi16(bgL, r0L));
      _mm_storeu_si128(out + 2, _mm_unpacklo_epi16(bgH, r0H));
      _mm_storeu_si128(out + 3, _mm_unpackhi_epi16(bgH, r0H));
    }
  }
}
#endif

#if defined(CORVANE_HAVE_AVX2_CONVERT)
[[gnu::target("avx2")]] inline __m256i MulRound16x16(__m256i x, __m256i c) {
  return _mm256_add_epi16(_mm256_mulhi_epi16(x, c), _mm256_srli_epi16(_mm256_mullo_epi16(x, c), 15));
}

// The SSE2 routine's arithmetic on 32 pixels at a time. AVX2 unpacks and
// packs work within 128-bit halves, hence the two reorderings: chroma
// quadwords go 0, 2, 1, 3 so that duplicating them gives pixels in order, and
// the finished pixel quarters are put back in order before the stores.
[[gnu::target("avx2")]] void RowPairAvx2(const uint8_t* y0, const uint8_t* y1, const uint8_t* u, const uint8_t* v,
                                         uint8_t* d0, uint8_t* d1, int32_t n) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i c128 = _mm256_set1_epi16(128), c16 = _mm256_set1_epi16(16);
  const __m256i kY = _mm256_set1_epi16(10748), kRv = _mm256_set1_epi16(-26477), kGu = _mm256_set1_epi16(25625),
                kGv = _mm256_set1_epi16(-12255), kBu = _mm256_set1_epi16(1180);
  for (int32_t x = 0; x < n; x += 32) {
    const __m256i xu = _mm256_sub_epi16(
        _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(u + x / 2))), c128);
    const __m256i xv = _mm256_sub_epi16(
        _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v + x / 2))), c128);
    __m256i rv = _mm256_add_epi16(_mm256_add_epi16(xv, xv), MulRound16x16(xv, kRv));
    __m256i g = _mm256_add_epi16(MulRound16x16(xu, kGu), _mm256_add_epi16(xv, MulRound16x16(xv, kGv)));
    __m256i bu = _mm256_add_epi16(_mm256_add_epi16(xu, xu), MulRound16x16(xu, kBu));
    rv = _mm256_permute4x64_epi64(rv, 0xD8);
    g = _mm256_permute4x64_epi64(g, 0xD8);
    bu = _mm256_permute4x64_epi64(bu, 0xD8);
    const __m256i rvL = _mm256_unpacklo_epi16(rv, rv), rvH = _mm256_unpackhi_epi16(rv, rv);  // pixels 0-15, 16-31
    const __m256i gL = _mm256_unpacklo_epi16(g, g), gH = _mm256_unpackhi_epi16(g, g);
    const __m256i buL = _mm256_unpacklo_epi16(bu, bu), buH = _mm256_unpackhi_epi16(bu, bu);
    for (int r = 0; r < 2; ++r) {
      const uint8_t* yr = r ? y1 : y0;
      uint8_t* d = r ? d1 : d0;
      if (!yr) break;
      const __m256i yL = _mm256_sub_epi16(
          _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(yr + x))), c16);
      const __m256i yH = _mm256_sub_epi16(
          _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(yr + x + 16))), c16);
      const __m256i ycL = _mm256_add_epi16(yL, MulRound16x16(yL, kY));
      const __m256i ycH = _mm256_add_epi16(yH, MulRound16x16(yH, kY));
      // Bytes in the order pixels 0-7, 16-23 | 8-15, 24-31.
      const __m256i R = _mm256_packus_epi16(_mm256_add_epi16(ycL, rvL), _mm256_add_epi16(ycH, rvH));
      const __m256i G = _mm256_packus_epi16(_mm256_sub_epi16(ycL, gL), _mm256_sub_epi16(ycH, gH));
      const __m256i B = _mm256_packus_epi16(_mm256_add_epi16(ycL, buL), _mm256_add_epi16(ycH, buH));
      const __m256i bgLo = _mm256_unpacklo_epi8(B, G), bgHi = _mm256_unpackhi_epi8(B, G);
      const __m256i r0Lo = _mm256_unpacklo_epi8(R, zero), r0Hi = _mm256_unpackhi_epi8(R, zero);
      const __m256i p0 = _mm256_unpacklo_epi16(bgLo, r0Lo);  // pixels 0-3 | 8-11
      const __m256i p1 = _mm256_unpackhi_epi16(bgLo, r0Lo);  // 4-7 | 12-15
      const __m256i p2 = _mm256_unpacklo_epi16(bgHi, r0Hi);  // 16-19 | 24-27
      const __m256i p3 = _mm256_unpackhi_epi16(bgHi, r0Hi);  // 20-23 | 28-31
      __m256i* out = reinterpret_cast<__m256i*>(d + 4 * x);
      _mm256_storeu_si256(out + 0, _mm256_permute2x128_si256(p0, p1, 0x20));
      _mm256_storeu_si256(out + 1, _mm256_permute2x128_si256(p0, p1, 0x31));
      _mm256_storeu_si256(out + 2, _mm256_permute2x128_si256(p2, p3, 0x20));
      _mm256_storeu_si256(out + 3, _mm256_permute2x128_si256(p2, p3, 0x31));
    }
  }
}
#endif

}  // namespace

namespace capture_detail {

void PlanesToRGB32Plain(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* dst, int32_t dstStride,
                        int32_t w, int32_t h) {
  if (!CoreArgsValid(y, u, v, dst, dstStride, w, h)) return ReportAccessError();
  WalkRows(y, u, v, dst, dstStride, w, h, nullptr, 1);
}

int BestSimdConvertLevel() {
#if defined(CORVANE_HAVE_AVX2_CONVERT)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) return 2;
#endif
#if defined(__SSE2__)
  return 1;
#else
  return 0;
#endif
}

void PlanesToRGB32Simd(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* dst, int32_t dstStride,
                       int32_t w, int32_t h, int level) {
  if (!CoreArgsValid(y, u, v, dst, dstStride, w, h)) return ReportAccessError();
  level = std::min(level, BestSimdConvertLevel());
#if defined(CORVANE_HAVE_AVX2_CONVERT)
  if (level >= 2) return WalkRows(y, u, v, dst, dstStride, w, h, RowPairAvx2, 32);
#endif
#if defined(__SSE2__)
  if (level >= 1) return WalkRows(y, u, v, dst, dstStride, w, h, RowPairSse2, 16);
#endif
  WalkRows(y, u, v, dst, dstStride, w, h, nullptr, 1);
}

bool ConvertUYVYStrided(uint8_t* dst, int32_t dstStride, const uint8_t* frame, uint32_t frameSize, uint32_t w,
                        uint32_t h) {
  if (!dst || !frame) return false;
  if (uint64_t(frameSize) != 2ull * w * h || (w & 1) || (h & 1)) return false;
  if (w < kMinWidth || w > kMaxWidth || h < kMinHeight || h > kMaxHeight) return false;
  const size_t lumaSize = size_t(w) * h, chromaSize = lumaSize / 4;
  std::unique_ptr<uint8_t[]> planes(new (std::nothrow) uint8_t[lumaSize + 2 * chromaSize]);
  if (!planes) return false;
  uint8_t* Y = planes.get();
  uint8_t* U = Y + lumaSize;
  uint8_t* V = U + chromaSize;
  const uint32_t cw = w / 2;
  for (uint32_t row = 0; row < h; ++row) {
    const uint8_t* src = frame + size_t(row) * w * 2;
    uint8_t* yr = Y + size_t(row) * w;
    for (uint32_t x = 0; x < w; ++x) yr[x] = src[2 * x + 1];
    if (row & 1) continue;  // chroma of odd rows is dropped
    uint8_t* ur = U + size_t(row / 2) * cw;
    uint8_t* vr = V + size_t(row / 2) * cw;
    for (uint32_t i = 0; i < cw; ++i) {
      ur[i] = src[4 * i];
      vr[i] = src[4 * i + 2];
    }
  }
  PlanesToRGB32(Y, U, V, dst, dstStride, int32_t(w), int32_t(h));
  return true;
}

bool Convert420Strided(uint8_t* dst, int32_t dstStride, const uint8_t* frame, uint32_t frameSize, uint32_t w,
                       uint32_t h, bool uFirst) {
  if (!dst || !frame) return false;
  if (uint64_t(frameSize) != ((3ull * w * h) >> 1) || w < 2 || h < 2) return false;
  // The core takes signed sizes; a frame of more than 2^31 pixels does not
  // have a 32-bit frame size anyway.
  const uint64_t wh = uint64_t(w) * h;
  const uint8_t* first = frame + wh;
  const uint8_t* second = frame + (5 * wh) / 4;
  PlanesToRGB32(frame, uFirst ? first : second, uFirst ? second : first, dst, dstStride, int32_t(w), int32_t(h));
  return true;
}

bool CopyRGB32Strided(uint8_t* dst, int32_t dstStride, const uint8_t* frame, uint32_t frameSize, uint32_t w,
                      uint32_t h) {
  if (!dst || !frame) return false;
  if (uint64_t(frameSize) != 4ull * w * h) return false;
  const size_t row = size_t(w) * 4;
  if (dstStride == int32_t(row)) {
    std::memcpy(dst, frame, frameSize);
    return true;
  }
  for (uint32_t r = 0; r < h; ++r) std::memcpy(dst + int64_t(r) * dstStride, frame + r * row, row);
  return true;
}

}  // namespace capture_detail

void PlanesToRGB32(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* dst, int32_t dstStride,
                   int32_t w, int32_t h) {
  capture_detail::PlanesToRGB32Simd(y, u, v, dst, dstStride, w, h, capture_detail::BestSimdConvertLevel());
}

bool ConvertUYVYToRGB32(uint8_t* dst, const uint8_t* frame, uint32_t frameSize, uint32_t w, uint32_t h) {
  if (uint64_t(w) * 4 > INT32_MAX) return false;
  return capture_detail::ConvertUYVYStrided(dst, int32_t(w * 4), frame, frameSize, w, h);
}

bool ConvertYUV420ToRGB32(uint8_t* dst, const uint8_t* frame, uint32_t frameSize, uint32_t w, uint32_t h) {
  if (uint64_t(w) * 4 > INT32_MAX || h > INT32_MAX) return false;
  return capture_detail::Convert420Strided(dst, int32_t(w * 4), frame, frameSize, w, h, true);
}

bool ConvertYVU420ToRGB32(uint8_t* dst, const uint8_t* frame, uint32_t frameSize, uint32_t w, uint32_t h) {
  if (uint64_t(w) * 4 > INT32_MAX || h > INT32_MAX) return false;
  return capture_detail::Convert420Strided(dst, int32_t(w * 4), frame, frameSize, w, h, false);
}

bool CopyRGB32(uint8_t* dst, const uint8_t* frame, uint32_t frameSize, uint32_t w, uint32_t h) {
  if (uint64_t(w) * 4 > INT32_MAX) return false;
  return capture_detail::CopyRGB32Strided(dst, int32_t(w * 4), frame, frameSize, w, h);
}

bool DoubleLines(const uint8_t* frame, uint8_t* out, uint32_t w, uint32_t outHeight) {
  if (!frame || !out || w == 0 || (w % 16) != 0 || outHeight == 0 || (outHeight % 4) != 0) return false;
  struct Plane {
    size_t rowLen;
    uint32_t srcRows;
  };
  const Plane planes[3] = {{w, outHeight / 2}, {w / 2, outHeight / 4}, {w / 2, outHeight / 4}};
  const uint8_t* src = frame;
  uint8_t* dst = out;
  for (const Plane& p : planes) {
    for (uint32_t i = 0; i < p.srcRows; ++i) {
      const uint8_t* a = src + i * p.rowLen;
      // The last source row has no successor: its interpolated row repeats it.
      const uint8_t* b = i + 1 < p.srcRows ? a + p.rowLen : a;
      uint8_t* even = dst + size_t(2) * i * p.rowLen;
      uint8_t* odd = even + p.rowLen;
      std::memcpy(even, a, p.rowLen);
      for (size_t x = 0; x < p.rowLen; ++x) odd[x] = uint8_t((a[x] + b[x] + 1) >> 1);
    }
    src += p.rowLen * p.srcRows;
    dst += p.rowLen * p.srcRows * 2;
  }
  return true;
}

}  // namespace corvane
