// The JPEG encoder's transform stage: quantiser tables from the quality, the
// forward 8×8 DCT and quantisation. These are the plain routines that define
// the output; jpeg_transform_sse2.h holds the faster path that matches them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane::jpeg {

// The DCT's fixed-point factors, value·65536 rounded. Column pass:
//   kCos4   cos(π/4) = √2/2
//   kCos1, kSin1   cos and sin of π/16
//   kCos3, kSin3   cos and sin of 3π/16
//   kCos2h, kSin2h cos and sin of π/8 times √2/2 (the column pass doubles its
//                  even differences, so the product is cos and sin of π/8)
// The row pass folds the standard's final division by 8 into its factors:
// the π/16 and 3π/16 pairs divided by 8, and π/8's pair times √2/8.
namespace dct {
constexpr int32_t kCos4 = 46341;
constexpr int32_t kCos1 = 64277, kSin1 = 12785;
constexpr int32_t kCos3 = 54491, kSin3 = 36410;
constexpr int32_t kCos2h = 42813, kSin2h = 17734;
constexpr int32_t kRowCos1 = 8034, kRowSin1 = 1598;
constexpr int32_t kRowCos3 = 6811, kRowSin3 = 4551;
constexpr int32_t kRowCos2 = 10703, kRowSin2 = 4433;
// Rounding of the 16.16 products: half of 65536.
constexpr int32_t kRound = 32768;
}  // namespace dct

// Percentage applied to the base tables: 5000 / q below 50, 200 − 2q from 50
// (quality 50 keeps the tables, 100 makes every quantiser 1).
int32_t QualityScale(int32_t quality);

// Quantisers (scale·base + 50) / 100 clamped to 1..255, with the half values
// and reciprocals that QuantizeBlock uses instead of a division.
void BuildQuantizer(const uint8_t base[64], int32_t scale, uint16_t quant[64], uint16_t half[64],
                    uint16_t recip[64]);

// Forward 8×8 DCT in place, 16.16 fixed point, results bit-exact as defined:
// a column pass then a row pass, every intermediate a wrapping 16-bit value.
void ForwardDCT(int16_t block[64]);

// Quantises natural-order coefficients into zigzag order.
void QuantizeBlock(const int16_t coef[64], const uint16_t half[64], const uint16_t recip[64], int16_t zigzag[64]);

// Level shift (samples 0..255 to −128..127), DCT and quantisation of the 8×8
// block of samples at src, rows `stride` bytes apart, into zigzag order.
void TransformBlockPlain(const uint8_t* src, size_t stride, const uint16_t half[64], const uint16_t recip[64],
                         int16_t zigzag[64]);

}  // namespace corvane::jpeg
