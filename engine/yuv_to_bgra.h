// YUV to 32-bit BGRA (memory order blue, green, red, 255) for every matrix
// and range the display offers, 8 to 12 bits a sample.
//
// Why not libyuv's *ToARGBMatrix: its SIMD rows keep the U->B factor in a
// signed byte (times 64) and clamp it at 128, so BT.709's 2.112 and BT.2020's
// 2.142 (limited range) become 2.0: saturated blues came out 12 to 15 levels
// dark. Here every factor is a 16-bit fixed-point number (Q13 for chroma,
// Q14 for luma) and each channel lands within one level of the formula.
//
// Arithmetic, identical in the plain and the AVX2 routines (tested byte for
// byte): a sample is brought to the scale of an 8-bit one, luma as
// (Y - black) << (15 - depth) (Q7), chroma as (C - mid) << (16 - depth) (Q8);
// each product is a rounding high multiply, (a * b + 2^14) >> 15, which
// gives Q6 levels; half a level (32) is added to the luma term, which every
// channel shares; the sums saturate at 16 bits (anything that large is white
// anyway); the channel is sum >> 6, clamped to 0..255.
#pragma once

#include <cstdint>

#include "engine/device_common.h"
#include "formats/colour_space.h"

namespace corvane {

struct YuvCoefficients {
  int16_t black = 0;      // luma black level at the sample depth (0 at full range)
  int16_t mid = 128;      // chroma zero at the sample depth
  uint16_t maxSample = 255;
  int lumaShift = 7;      // to Q7 of an 8-bit level
  int chromaShift = 8;    // to Q8 of an 8-bit level
  int16_t yGain = 0;      // Q14
  int16_t uToB = 0, uToG = 0, vToG = 0, vToR = 0;  // Q13
};

// The factors of one colour space for samples of `depth` bits (8..14).
YuvCoefficients CoefficientsFor(ColourSpace colour, int depth);

// Rows: `step` is 1 when each pixel has its own chroma sample, 2 when pairs
// of pixels share one (the last, odd pixel takes the last sample). u and v
// null: neutral chroma (grey). dst receives width BGRA pixels.
using YuvRow8Fn = void (*)(const uint8_t* y, const uint8_t* u, const uint8_t* v, int step, uint8_t* dst, int width,
                           const YuvCoefficients& k);
using YuvRow16Fn = void (*)(const uint16_t* y, const uint16_t* u, const uint16_t* v, int step, uint8_t* dst,
                            int width, const YuvCoefficients& k);

void YuvRow8Plain(const uint8_t* y, const uint8_t* u, const uint8_t* v, int step, uint8_t* dst, int width,
                  const YuvCoefficients& k);
void YuvRow16Plain(const uint16_t* y, const uint16_t* u, const uint16_t* v, int step, uint8_t* dst, int width,
                   const YuvCoefficients& k);
// The fastest routines this processor runs (AVX2 where it has it).
YuvRow8Fn BestYuvRow8();
YuvRow16Fn BestYuvRow16();

// Whole pictures of w x h. Strides in bytes for 8-bit planes, in samples for
// 16-bit ones (a stride of 0 reads one row again for every line). 4:2:0
// takes chroma row y / 2 for line y.
void PlanarToBGRA(device::Sub sub, const uint8_t* y, int ys, const uint8_t* u, int us, const uint8_t* v, int vs,
                  uint8_t* dst, int dstStride, int w, int h, const YuvCoefficients& k);
void Planar16ToBGRA(device::Sub sub, const uint16_t* y, int ys, const uint16_t* u, int us, const uint16_t* v, int vs,
                    uint8_t* dst, int dstStride, int w, int h, const YuvCoefficients& k);
// NV12 (U first) and NV21 (V first): interleaved 4:2:0 chroma.
void SemiPlanarToBGRA(const uint8_t* y, int ys, const uint8_t* uv, int uvs, bool vFirst, uint8_t* dst, int dstStride,
                      int w, int h, const YuvCoefficients& k);
void GreyToBGRA(const uint8_t* y, int ys, uint8_t* dst, int dstStride, int w, int h, const YuvCoefficients& k);

}  // namespace corvane
