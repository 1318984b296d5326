#include "capture/jpeg_transform.h"

#include "capture/jpeg_tables.h"

namespace corvane::jpeg {

namespace {

// Wrapping 16-bit value, as every stored value and sum of the DCT is.
inline int16_t W16(int32_t v) { return static_cast<int16_t>(v); }

// (a·x + b·y + 32768) >> 16 with 32-bit products and sum.
inline int16_t Mul2(int32_t a, int16_t x, int32_t b, int16_t y) {
  const int32_t sum = static_cast<int32_t>(int64_t(a) * x + int64_t(b) * y + dct::kRound);
  return W16(sum >> 16);
}

// The two outputs of a rotation stage, (c·x + s·y, s·x − c·y) and
// (c·x − s·y, s·x + c·y), each product in 16.16 fixed point.
inline void Reflect(int32_t c, int32_t s, int16_t x, int16_t y, int16_t& first, int16_t& second) {
  first = Mul2(c, x, s, y);
  second = Mul2(s, x, -c, y);
}
inline void Rotate(int32_t c, int32_t s, int16_t x, int16_t y, int16_t& first, int16_t& second) {
  first = Mul2(c, x, -s, y);
  second = Mul2(s, x, c, y);
}

void ColumnPass(int16_t* x) {
  using namespace dct;
  auto X = [&](int i) -> int16_t { return x[8 * i]; };
  const int16_t s07 = W16(X(0) + X(7)), s16 = W16(X(1) + X(6)), s25 = W16(X(2) + X(5)), s34 = W16(X(3) + X(4));
  const int16_t d16 = W16(X(1) - X(6)), d25 = W16(X(2) - X(5));
  const int16_t dd07 = W16(2 * W16(X(0) - X(7))), dd34 = W16(2 * W16(X(3) - X(4)));
  const int16_t t07 = Mul2(kCos4, dd07, 0, 0), t34 = Mul2(kCos4, dd34, 0, 0);
  const int16_t A = W16(d16 + d25), Bm = W16(d16 - d25);
  const int16_t P = W16(A + t07), Q = W16(Bm + t34), E = W16(t07 - A), F = W16(t34 - Bm);
  const int16_t T = W16(2 * W16(s07 - s34)), U = W16(2 * W16(s16 - s25));
  x[0] = W16(W16(W16(s07 + s16) + s25) + s34);
  x[32] = W16(W16(s07 + s34) - W16(s16 + s25));
  Reflect(kCos1, kSin1, P, Q, x[8], x[56]);
  Reflect(kCos2h, kSin2h, T, U, x[16], x[48]);
  Rotate(kCos3, kSin3, E, F, x[24], x[40]);
}

void RowPass(int16_t* p) {
  using namespace dct;
  const int16_t R = W16(p[0] + p[7]), M = W16(p[1] + p[6]), L = W16(p[2] + p[5]), O = W16(p[3] + p[4]);
  const int16_t d16 = W16(p[1] - p[6]), d25 = W16(p[2] - p[5]);
  const int16_t u = W16(2 * Mul2(kCos4, W16(p[0] - p[7]), 0, 0));
  const int16_t w = W16(2 * Mul2(kCos4, W16(p[3] - p[4]), 0, 0));
  const int16_t A = W16(d16 + d25), Bm = W16(d16 - d25);
  const int16_t P = W16(A + u), Q = W16(Bm + w), E = W16(u - A), F = W16(w - Bm);
  const int16_t RO = W16(R - O), ML = W16(M - L);
  // DC and the middle coefficient: the sums divided by 8, rounded (+4).
  p[0] = W16(W16(W16(W16(W16(R + M) + L) + O) + 4) >> 3);
  p[4] = W16(W16(W16(W16(R + O) + 4) - W16(M + L)) >> 3);
  Reflect(kRowCos1, kRowSin1, P, Q, p[1], p[7]);
  Reflect(kRowCos2, kRowSin2, RO, ML, p[2], p[6]);
  Rotate(kRowCos3, kRowSin3, E, F, p[3], p[5]);
}

}  // namespace

int32_t QualityScale(int32_t quality) {
  if (quality <= 0) return 5000;
  if (quality > 100) quality = 100;
  if (quality < 50) return 5000 / quality;
  return 200 - 2 * quality;
}

void BuildQuantizer(const uint8_t base[64], int32_t scale, uint16_t quant[64], uint16_t half[64],
                    uint16_t recip[64]) {
  for (int k = 0; k < 64; ++k) {
    int32_t q = (scale * base[k] + 50) / 100;
    if (q <= 0) q = 1;
    if (q > 255) q = 255;
    quant[k] = uint16_t(q);
    if (q == 1) {
      // 65536 does not fit 16 bits; with half 1, ((c + 1)·65535) >> 16 == c.
      half[k] = 1;
      recip[k] = 65535;
    } else {
      half[k] = uint16_t(q >> 1);
      recip[k] = uint16_t(65536 / q + 1);
    }
  }
}

void ForwardDCT(int16_t b[64]) {
  for (int c = 0; c < 8; ++c) ColumnPass(b + c);
  for (int r = 0; r < 8; ++r) RowPass(b + 8 * r);
}

void QuantizeBlock(const int16_t coef[64], const uint16_t half[64], const uint16_t recip[64], int16_t zigzag[64]) {
  for (int k = 0; k < 64; ++k) {
    const int32_t c = coef[k];
    int32_t q;
    if (c >= 0)
      q = int32_t((uint32_t(c + half[k]) * recip[k]) >> 16);
    else
      q = -int32_t((uint32_t(half[k] - c) * recip[k]) >> 16);
    zigzag[kNaturalToZigzag[size_t(k)]] = int16_t(q);
  }
}

void TransformBlockPlain(const uint8_t* src, size_t stride, const uint16_t half[64], const uint16_t recip[64],
                         int16_t zigzag[64]) {
  int16_t block[64];
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 8; ++j) block[i * 8 + j] = int16_t(src[i * stride + j] - 128);
  ForwardDCT(block);
  QuantizeBlock(block, half, recip, zigzag);
}

}  // namespace corvane::jpeg
