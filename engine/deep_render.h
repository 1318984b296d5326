// The surface device's conversion of the grey and deep formats (GRAY,
// GRAY10, I010, I210, I410, I012, P010, P016, v210) and the libyuv
// constants of each colour space. Private to the device.
#pragma once

#include <libyuv.h>

#include <cstdint>

#include "formats/colour_space.h"
#include "engine/surface.h"
#include "engine/surface_device.h"

namespace corvane {

const libyuv::YuvConstants* YuvConstantsFor(ColourSpace colour);

// Converts and scales the surface as SurfaceDevice::Render does. 16-bit
// samples are scaled as 16-bit samples and converted by libyuv's 10- and
// 12-bit paths; P016 is read through its top 10 bits, v210 unpacked into
// 10-bit 4:2:2 planes first.
bool RenderDeep(const Surface& s, uint8_t* dst, int dstStride, int dw, int dh, RenderScratch& scratch,
                const libyuv::YuvConstants* k);

}  // namespace corvane
