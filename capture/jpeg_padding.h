// The JPEG encoder's frame preparation: frames whose size is not a multiple
// of the 16×16 MCU are extended before coding.
#pragma once

#include <cstdint>

namespace corvane::jpeg {

// Copies a srcW × srcH plane into dstW × dstH (dstW >= srcW, dstH >= srcH):
// each row is continued with its last sample, the rows below repeat the last
// row. An empty source (srcW or srcH 0, as the chroma of a 1-pixel frame) fills
// the plane with 128, the sample that codes as zero.
void PadPlane(const uint8_t* src, int32_t srcW, int32_t srcH, uint8_t* dst, int32_t dstW, int32_t dstH);

// Centres a 4:2:0 frame of w × h (h mod 16 = 8) in one of w × (h + 8): the Y
// plane gets 4 copies of its first row above and 4 of its last below, each
// chroma plane 2 and 2. Plane order is kept. False, with nothing written, for
// other heights, an odd w or null pointers.
bool PadHeightBy8(const uint8_t* frame, uint8_t* out, uint32_t w, uint32_t h);

}  // namespace corvane::jpeg
