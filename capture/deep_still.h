// The added formats (I444, NV21, GRAY and the deep ones) in front of the
// still writers: the JPEG encoder codes 8-bit 4:2:0, so their planar and
// semi-planar frames are rounded to that first.
#pragma once

#include <cstdint>

#include "formats/yuv_format.h"

namespace corvane {

// Whether RoundTo8Bit420 takes the type: every added format but v210.
bool RoundsTo8Bit420(YUVType type);

// Writes the frame as 8-bit 4:2:0 in the layout of code YV12 (Y w·h, then U
// and V of (w/2)·(h/2) each): samples rounded to 8 bits (P010 and P016 from
// the top of their words), chroma taken from the sample that covers each
// 2x2 block's top-left pixel, grey frames with neutral chroma. False for a
// type it does not take.
bool RoundTo8Bit420(YUVType type, const uint8_t* frame, uint32_t w, uint32_t h, uint8_t* out);

}  // namespace corvane
