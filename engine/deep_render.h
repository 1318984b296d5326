// The surface device's conversion of the grey and deep formats (GRAY,
// GRAY10, I010, I210, I410, I012, P010, P016, v210). Private to the device.
#pragma once

#include <libyuv.h>

#include <cstdint>

#include "formats/colour_space.h"
#include "engine/surface.h"
#include "engine/surface_device.h"

namespace corvane {

// Converts and scales the surface as SurfaceDevice::Render does.
//  - At its own size a deep surface keeps every bit up to the conversion:
//    the 16-bit conversion rows (P016 through its top 10 bits, v210
//    unpacked into 10-bit 4:2:2 planes first).
//  - Scaled by 3:2, 2:1 or 3:1, the planar, P010/P016 and v210 surfaces
//    never get here: the device's row path rounds each row to 8 bits as it
//    reads it (v210's unpacked and rounded in one pass).
//  - Scaled otherwise (and GRAY10 at any scale), it is first rounded
//    to 8 bits into an 8-bit surface of the same chroma layout (I010, I012
//    -> 4:2:0 planes, I210, v210 -> 4:2:2, I410, GRAY10 -> 4:4:4, P010, P016
//    -> NV12) and drawn by the 8-bit path. The picture is resampled anyway,
//    the rounding moves a channel by at most one level, and 16-bit scaling
//    ran at a fifth of the speed.
bool RenderDeep(const Surface& s, uint8_t* dst, int dstStride, int dw, int dh, RenderScratch& scratch,
                ColourSpace colour);

// Rounds n 16-bit samples to 8 bits: (v + half) >> shift, 255 at most.
void RoundSamplesTo8(const uint16_t* src, uint8_t* dst, int n, int shift);

}  // namespace corvane
