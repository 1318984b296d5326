// The surface device's row-by-row shrink: when every plane of a YUV surface
// shrinks by 1:1, 3:2, 2:1 or 3:1, the picture is made one output row at a
// time (see row_render.cpp). Private to the device.
#pragma once

#include <libyuv.h>

#include <cstdint>
#include <optional>

#include "engine/surface.h"
#include "engine/surface_device.h"
#include "engine/yuv_to_bgra.h"

namespace corvane {

// nullopt when the surface's format or ratios are not for this path;
// otherwise whether the picture was made.
std::optional<bool> RenderRowByRow(const Surface& s, uint8_t* dst, int dstStride, int dw, int dh,
                                   RenderScratch& scratch, const YuvCoefficients& k);

}  // namespace corvane
