// Unpacking v210 rows into 10-bit 4:2:2 planes. v210 keeps 6 pixels in four
// little-endian 32-bit words of three 10-bit fields each, low bits first:
// U0 Y0 V0 | Y1 U1 Y2 | V1 Y3 U2 | Y4 V2 Y5.
#pragma once

#include <cstdint>

namespace corvane {

// One row of `width` pixels: width Y samples, ceil(width / 2) U and V
// samples. The row holds whole groups (V210RowBytes).
using V210RowFn = void (*)(const uint8_t* src, uint16_t* y, uint16_t* u, uint16_t* v, int width);

// The plain routine, the definition the others are held to.
void UnpackV210RowReference(const uint8_t* src, uint16_t* y, uint16_t* u, uint16_t* v, int width);
// The fastest this processor runs (chosen once).
V210RowFn BestV210Row();
// Null when the processor lacks AVX2.
V210RowFn Avx2V210Row();

// The same row rounded to 8 bits on the way: (sample + 2) >> 2, at most 255
// (as a 10-bit sample is rounded for an 8-bit picture). For a display that
// shrinks the picture anyway and needs no 16-bit copy of the row.
using V210Row8Fn = void (*)(const uint8_t* src, uint8_t* y, uint8_t* u, uint8_t* v, int width);
void UnpackV210RowTo8Reference(const uint8_t* src, uint8_t* y, uint8_t* u, uint8_t* v, int width);
V210Row8Fn BestV210RowTo8();
V210Row8Fn Avx2V210RowTo8();    // null without AVX2
V210Row8Fn Avx512V210RowTo8();  // null without AVX-512 BW, VL and VBMI

}  // namespace corvane
