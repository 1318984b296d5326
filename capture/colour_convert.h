// Pixel work in front of the still writers: YUV frames to rows of 32-bit
// blue-green-red-0 pixels for the BMP writer, the unchanged copy of RGB32
// frames, and the line doubling of 704-wide half-height frames.
//
// All routines work on memory the caller owns and keep no state. Sources come
// before destinations; a destination is a pointer plus a row stride in bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace corvane {

// BT.601 limited range (luma 16..235, chroma 16..240) to full-range RGB. Each
// entry is the sample's contribution to one output channel, c·(v − offset)
// with c in 16.16 fixed point, rounded by adding 0.5 (32768) and flooring
// (arithmetic shift by 16):
//   Yc = 1.164·(Y − 16)    76284 / 65536
//   Rv = 1.596·(V − 128)  104595 / 65536   added to red
//   Gu = 0.391·(U − 128)   25625 / 65536   taken from green
//   Gv = 0.813·(V − 128)   53281 / 65536   taken from green
//   Bu = 2.018·(U − 128)  132252 / 65536   added to blue
namespace contrib {
constexpr int32_t kYcFactor = 76284;
constexpr int32_t kRvFactor = 104595;
constexpr int32_t kGuFactor = 25625;
constexpr int32_t kGvFactor = 53281;
constexpr int32_t kBuFactor = 132252;

constexpr std::array<int32_t, 256> MakeTable(int32_t factor, int32_t offset) {
  std::array<int32_t, 256> t{};
  for (int32_t v = 0; v < 256; ++v) t[std::size_t(v)] = (factor * (v - offset) + 32768) >> 16;
  return t;
}
inline constexpr std::array<int32_t, 256> kYc = MakeTable(kYcFactor, 16);
inline constexpr std::array<int32_t, 256> kRv = MakeTable(kRvFactor, 128);
inline constexpr std::array<int32_t, 256> kGu = MakeTable(kGuFactor, 128);
inline constexpr std::array<int32_t, 256> kGv = MakeTable(kGvFactor, 128);
inline constexpr std::array<int32_t, 256> kBu = MakeTable(kBuFactor, 128);
static_assert(kYc[16] == 0 && kYc[235] == 255 && kBu[0] == -258 && kRv[255] == 203);
}  // namespace contrib

// One frame of UYVY (pixel pairs U Y0 V Y1) to pixels, stride 4·w. False, with
// nothing written, when frameSize is not 2·w·h, w or h is odd, w is outside
// 96..3840, h outside 64..3072, or the temporary planes cannot be allocated.
// Chroma of odd rows is dropped, not averaged.
bool ConvertUYVYToRGB32(uint8_t* dst, const uint8_t* frame, uint32_t frameSize, uint32_t w, uint32_t h);

// Planar 4:2:0 frames to pixels, stride 4·w: planes Y, U, V (YUVType 3) or
// Y, V, U (YUVType 10); chroma rows w/2 long, the second plane at w·h, the
// third at (5·w·h)/4. False, with nothing written, when frameSize is not
// (3·w·h) >> 1, when w or h is below 2, or a pointer is null.
//
// Odd sizes: the chroma planes hold w/2 columns and h/2 rows (integer
// halving), so a last odd column or row has no chroma of its own; it takes
// the chroma of the nearest column pair or row pair. The whole picture is
// converted and nothing outside the planes is read.
bool ConvertYUV420ToRGB32(uint8_t* dst, const uint8_t* frame, uint32_t frameSize, uint32_t w, uint32_t h);
bool ConvertYVU420ToRGB32(uint8_t* dst, const uint8_t* frame, uint32_t frameSize, uint32_t w, uint32_t h);

// RGB32 frames are already blue, green, red, fourth byte: copied unchanged
// (the fourth byte too). False when frameSize is not 4·w·h.
bool CopyRGB32(uint8_t* dst, const uint8_t* frame, uint32_t frameSize, uint32_t w, uint32_t h);

// The core shared by the YUV routines: four pixels of a 2×2 block share one U
// and one V sample (no interpolation). dstStride may be negative (the BMP
// writer converts straight into bottom-up rows). Odd w and h as described
// above. Invalid arguments (null pointers, w or h below 2, |dstStride| < 4·w)
// write "Convert ACCESS ERROR" to the error output and convert nothing.
void PlanesToRGB32(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* dst, int32_t dstStride,
                   int32_t w, int32_t h);

// Doubles the lines of a 4:2:0 frame of w × outHeight/2 into out, a 4:2:0
// frame of w × outHeight ((w·outHeight·3)/2 bytes). The three planes are done
// in the order they lie in (so both plane orders work): output row 2i copies
// source row i, output row 2i+1 is the rounded-up average of source rows i and
// i+1. The row after the last source row of a plane has no following row: it
// repeats the last source row, so nothing past the plane is read.
// False, with nothing written, when w is not a multiple of 16, or outHeight
// is 0 or not a multiple of 4 (the chroma planes need whole row pairs).
bool DoubleLines(const uint8_t* frame, uint8_t* out, uint32_t w, uint32_t outHeight);

namespace capture_detail {
// Variants with a destination stride (may be negative); same checks as above.
bool ConvertUYVYStrided(uint8_t* dst, int32_t dstStride, const uint8_t* frame, uint32_t frameSize, uint32_t w,
                        uint32_t h);
bool Convert420Strided(uint8_t* dst, int32_t dstStride, const uint8_t* frame, uint32_t frameSize, uint32_t w,
                       uint32_t h, bool uFirst);
bool CopyRGB32Strided(uint8_t* dst, int32_t dstStride, const uint8_t* frame, uint32_t frameSize, uint32_t w,
                      uint32_t h);
// The plain table-driven core and the SIMD ones; PlanesToRGB32 uses the
// fastest the processor has. All give the same bytes.
void PlanesToRGB32Plain(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* dst, int32_t dstStride,
                        int32_t w, int32_t h);
// 0 plain, 1 SSE2 (16 pixels a step), 2 AVX2 (32 pixels a step).
int BestSimdConvertLevel();
// Converts with at most `level` (capped at what the processor has); the
// columns left over after the last whole step go through the plain routine.
void PlanesToRGB32Simd(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* dst, int32_t dstStride,
                       int32_t w, int32_t h, int level);
}  // namespace capture_detail

}  // namespace corvane
