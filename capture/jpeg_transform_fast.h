// The transform stage's fast path for JpegEncode (included by
// jpeg_encoder.cpp only, so that its clones inline it): level shift, DCT and
// quantisation of a block with SSE2, giving exactly the values of the plain
// routines in jpeg_transform.h. Blocks come out transposed, with a mask of
// their non-zero values in zigzag order for the entropy coder.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "capture/jpeg_tables.h"
#include "capture/jpeg_transform.h"

namespace corvane::jpeg::fast {

// Everything here is always inlined: JpegEncode is built once per processor
// level, and each copy needs these compiled for its own level.

// Natural position of the zigzag sequence, as found in a transposed block.
constexpr std::array<uint8_t, 64> MakeZigzagToTransposed() {
  std::array<uint8_t, 64> t{};
  for (int z = 0; z < 64; ++z) {
    const int n = kZigzagToNatural[size_t(z)];
    t[size_t(z)] = uint8_t((n % 8) * 8 + n / 8);
  }
  return t;
}
inline constexpr std::array<uint8_t, 64> kZigzagToTransposed = MakeZigzagToTransposed();

// Moves the bits of a mask over a transposed block to the zigzag positions,
// one byte of the mask at a time: entry [b][v] holds, for each set bit j of
// v, the bit of the zigzag position of transposed position 8·b + j.
struct ZigzagMaskTable {
  uint64_t bits[8][256];
  constexpr ZigzagMaskTable() : bits{} {
    std::array<uint8_t, 64> transposedToZigzag{};
    for (int z = 0; z < 64; ++z) transposedToZigzag[kZigzagToTransposed[size_t(z)]] = uint8_t(z);
    for (int b = 0; b < 8; ++b)
      for (int v = 0; v < 256; ++v)
        for (int j = 0; j < 8; ++j)
          if (v & (1 << j)) bits[b][v] |= uint64_t(1) << transposedToZigzag[size_t(8 * b + j)];
  }
};
inline constexpr ZigzagMaskTable kZigzagMask;

[[gnu::always_inline]] inline uint64_t ZigzagMask(uint64_t transposedMask) {
  uint64_t m = 0;
#pragma GCC unroll 8
  for (int b = 0; b < 8; ++b) m |= kZigzagMask.bits[b][(transposedMask >> (8 * b)) & 0xFF];
  return m;
}

// Quantiser halves and reciprocals in the order of a transposed block; index
// 0 luma, 1 chroma.
struct TransposedQuant {
  alignas(16) uint16_t half[2][64];
  alignas(16) uint16_t recip[2][64];
};

inline TransposedQuant MakeTransposedQuant(const uint16_t* lumaHalf, const uint16_t* lumaRecip,
                                           const uint16_t* chromaHalf, const uint16_t* chromaRecip) {
  TransposedQuant tq;
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 8; ++j) {
      tq.half[0][j * 8 + i] = lumaHalf[i * 8 + j];
      tq.half[1][j * 8 + i] = chromaHalf[i * 8 + j];
      tq.recip[0][j * 8 + i] = lumaRecip[i * 8 + j];
      tq.recip[1][j * 8 + i] = chromaRecip[i * 8 + j];
    }
  return tq;
}

#if defined(__SSE2__)
// A factor of 32768..65535 does not fit a signed 16-bit lane: it is used as
// c − 65536, and the missing 65536·x is added back after the shift as x.
constexpr int16_t Low16(int32_t c) { return int16_t(c - 65536); }

// (ca·a + cb·b + 32768) >> 16 for signed 16-bit ca, cb; 16-bit result.
[[gnu::always_inline]] inline __m128i Mac2(__m128i a, __m128i b, int16_t ca, int16_t cb) {
  const __m128i k = _mm_set_epi16(cb, ca, cb, ca, cb, ca, cb, ca);
  const __m128i round = _mm_set1_epi32(dct::kRound);
  const __m128i lo = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(a, b), k), round), 16);
  const __m128i hi = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(a, b), k), round), 16);
  return _mm_packs_epi32(lo, hi);
}

// The plain column pass over eight columns at once. For 8-bit samples every
// value stays far inside 16 bits, so the packs never saturate and the sums
// never wrap.
[[gnu::always_inline]] inline void ColumnPassSse2(__m128i x[8]) {
  using namespace dct;
  const __m128i zero = _mm_setzero_si128();
  const __m128i s07 = _mm_add_epi16(x[0], x[7]), s16 = _mm_add_epi16(x[1], x[6]);
  const __m128i s25 = _mm_add_epi16(x[2], x[5]), s34 = _mm_add_epi16(x[3], x[4]);
  const __m128i d16 = _mm_sub_epi16(x[1], x[6]), d25 = _mm_sub_epi16(x[2], x[5]);
  const __m128i dd07 = _mm_slli_epi16(_mm_sub_epi16(x[0], x[7]), 1);
  const __m128i dd34 = _mm_slli_epi16(_mm_sub_epi16(x[3], x[4]), 1);
  const __m128i t07 = _mm_add_epi16(Mac2(dd07, zero, Low16(kCos4), 0), dd07);
  const __m128i t34 = _mm_add_epi16(Mac2(dd34, zero, Low16(kCos4), 0), dd34);
  const __m128i A = _mm_add_epi16(d16, d25), Bm = _mm_sub_epi16(d16, d25);
  const __m128i P = _mm_add_epi16(A, t07), Q = _mm_add_epi16(Bm, t34);
  const __m128i E = _mm_sub_epi16(t07, A), F = _mm_sub_epi16(t34, Bm);
  const __m128i T = _mm_slli_epi16(_mm_sub_epi16(s07, s34), 1);
  const __m128i U = _mm_slli_epi16(_mm_sub_epi16(s16, s25), 1);
  x[0] = _mm_add_epi16(_mm_add_epi16(s07, s16), _mm_add_epi16(s25, s34));
  x[4] = _mm_sub_epi16(_mm_add_epi16(s07, s34), _mm_add_epi16(s16, s25));
  x[1] = _mm_add_epi16(Mac2(P, Q, Low16(kCos1), kSin1), P);
  x[7] = _mm_sub_epi16(Mac2(P, Q, kSin1, -Low16(kCos1)), Q);
  x[2] = _mm_add_epi16(Mac2(T, U, Low16(kCos2h), kSin2h), T);
  x[6] = _mm_sub_epi16(Mac2(T, U, kSin2h, -Low16(kCos2h)), U);
  x[3] = _mm_sub_epi16(_mm_add_epi16(Mac2(E, F, Low16(kCos3), -Low16(kSin3)), E), F);
  x[5] = _mm_add_epi16(_mm_add_epi16(Mac2(E, F, Low16(kSin3), Low16(kCos3)), E), F);
}

// The plain row pass over eight rows at once (after a transpose).
[[gnu::always_inline]] inline void RowPassSse2(__m128i p[8]) {
  using namespace dct;
  const __m128i zero = _mm_setzero_si128(), four = _mm_set1_epi16(4);
  const __m128i r = _mm_add_epi16(p[0], p[7]), m = _mm_add_epi16(p[1], p[6]);
  const __m128i l = _mm_add_epi16(p[2], p[5]), o = _mm_add_epi16(p[3], p[4]);
  const __m128i d16 = _mm_sub_epi16(p[1], p[6]), d25 = _mm_sub_epi16(p[2], p[5]);
  const __m128i d07 = _mm_sub_epi16(p[0], p[7]), d34 = _mm_sub_epi16(p[3], p[4]);
  const __m128i u = _mm_slli_epi16(_mm_add_epi16(Mac2(d07, zero, Low16(kCos4), 0), d07), 1);
  const __m128i w = _mm_slli_epi16(_mm_add_epi16(Mac2(d34, zero, Low16(kCos4), 0), d34), 1);
  const __m128i A = _mm_add_epi16(d16, d25), Bm = _mm_sub_epi16(d16, d25);
  const __m128i P = _mm_add_epi16(A, u), Q = _mm_add_epi16(Bm, w);
  const __m128i E = _mm_sub_epi16(u, A), F = _mm_sub_epi16(w, Bm);
  const __m128i ro = _mm_sub_epi16(r, o), ml = _mm_sub_epi16(m, l);
  p[0] = _mm_srai_epi16(_mm_add_epi16(_mm_add_epi16(_mm_add_epi16(r, m), _mm_add_epi16(l, o)), four), 3);
  p[4] = _mm_srai_epi16(_mm_sub_epi16(_mm_add_epi16(_mm_add_epi16(r, o), four), _mm_add_epi16(m, l)), 3);
  p[1] = Mac2(P, Q, kRowCos1, kRowSin1);
  p[7] = Mac2(P, Q, kRowSin1, -kRowCos1);
  p[2] = Mac2(ro, ml, kRowCos2, kRowSin2);
  p[6] = Mac2(ro, ml, kRowSin2, -kRowCos2);
  p[3] = Mac2(E, F, kRowCos3, -kRowSin3);
  p[5] = Mac2(E, F, kRowSin3, kRowCos3);
}

[[gnu::always_inline]] inline void Transpose8x8(__m128i r[8]) {
  const __m128i a0 = _mm_unpacklo_epi16(r[0], r[1]), a1 = _mm_unpackhi_epi16(r[0], r[1]);
  const __m128i a2 = _mm_unpacklo_epi16(r[2], r[3]), a3 = _mm_unpackhi_epi16(r[2], r[3]);
  const __m128i a4 = _mm_unpacklo_epi16(r[4], r[5]), a5 = _mm_unpackhi_epi16(r[4], r[5]);
  const __m128i a6 = _mm_unpacklo_epi16(r[6], r[7]), a7 = _mm_unpackhi_epi16(r[6], r[7]);
  const __m128i b0 = _mm_unpacklo_epi32(a0, a2), b1 = _mm_unpackhi_epi32(a0, a2);
  const __m128i b2 = _mm_unpacklo_epi32(a1, a3), b3 = _mm_unpackhi_epi32(a1, a3);
  const __m128i b4 = _mm_unpacklo_epi32(a4, a6), b5 = _mm_unpackhi_epi32(a4, a6);
  const __m128i b6 = _mm_unpacklo_epi32(a5, a7), b7 = _mm_unpackhi_epi32(a5, a7);
  r[0] = _mm_unpacklo_epi64(b0, b4);
  r[1] = _mm_unpackhi_epi64(b0, b4);
  r[2] = _mm_unpacklo_epi64(b1, b5);
  r[3] = _mm_unpackhi_epi64(b1, b5);
  r[4] = _mm_unpacklo_epi64(b2, b6);
  r[5] = _mm_unpackhi_epi64(b2, b6);
  r[6] = _mm_unpacklo_epi64(b3, b7);
  r[7] = _mm_unpackhi_epi64(b3, b7);
}

// Level shift, DCT and quantisation of one 8×8 block of samples; stores the
// quantised values in transposed order (t[8·column + row]) and returns the
// zigzag-ordered mask of the non-zero ones.
[[gnu::always_inline]] inline uint64_t TransformBlock(const uint8_t* src, size_t stride, const uint16_t* halfT,
                                                     const uint16_t* recipT, int16_t* t) {
  const __m128i zero = _mm_setzero_si128(), c128 = _mm_set1_epi16(128);
  __m128i r[8];
#pragma GCC unroll 8
  for (int i = 0; i < 8; ++i)
    r[i] = _mm_sub_epi16(
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + i * stride)), zero), c128);
  ColumnPassSse2(r);
  Transpose8x8(r);
  RowPassSse2(r);  // r[c] lane i now holds the coefficient of row i, column c
  __m128i q[8];
#pragma GCC unroll 8
  for (int c = 0; c < 8; ++c) {
    // sign(x)·(((|x| + half)·recip) >> 16), the quantiser's two cases at once.
    const __m128i x = r[c];
    const __m128i sign = _mm_srai_epi16(x, 15);
    const __m128i mag = _mm_sub_epi16(_mm_xor_si128(x, sign), sign);
    const __m128i h = _mm_load_si128(reinterpret_cast<const __m128i*>(halfT + 8 * c));
    const __m128i rc = _mm_load_si128(reinterpret_cast<const __m128i*>(recipT + 8 * c));
    const __m128i qm = _mm_mulhi_epu16(_mm_add_epi16(mag, h), rc);
    q[c] = _mm_sub_epi16(_mm_xor_si128(qm, sign), sign);
    _mm_store_si128(reinterpret_cast<__m128i*>(t + 8 * c), q[c]);
  }
  uint64_t zeroMask = 0;
#pragma GCC unroll 4
  for (int k = 0; k < 4; ++k) {
    const __m128i eq = _mm_packs_epi16(_mm_cmpeq_epi16(q[2 * k], zero), _mm_cmpeq_epi16(q[2 * k + 1], zero));
    zeroMask |= uint64_t(uint32_t(_mm_movemask_epi8(eq))) << (16 * k);
  }
  return ZigzagMask(~zeroMask);
}
#else
inline uint64_t TransformBlock(const uint8_t* src, size_t stride, const uint16_t* halfT, const uint16_t* recipT,
                               int16_t* t) {
  int16_t zz[64];
  uint16_t half[64], recip[64];
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 8; ++j) {
      half[i * 8 + j] = halfT[j * 8 + i];
      recip[i * 8 + j] = recipT[j * 8 + i];
    }
  TransformBlockPlain(src, stride, half, recip, zz);
  uint64_t nz = 0;
  for (int z = 0; z < 64; ++z) {
    t[kZigzagToTransposed[size_t(z)]] = zz[z];
    if (zz[z]) nz |= uint64_t(1) << z;
  }
  return nz;
}
#endif

}  // namespace corvane::jpeg::fast
