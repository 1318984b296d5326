// Draws the part of a surface that a zoomed view shows, and only that part:
// the frame pixels under the visible rectangle are cut out of the surface
// in place, converted at their own size and then widened to screen pixels
// by nearest neighbour (each frame pixel a solid block), or, while a frame
// pixel is still smaller than a screen pixel, scaled by the device's filter.
// A 64× view of a 3840×2160 frame converts a few hundred pixels.
//
// Threads: the caller's (the display's, under its lock); the scratch is the
// caller's.
#pragma once

#include <cstdint>

#include "engine/surface.h"
#include "engine/surface_device.h"
#include "engine/view_transform.h"

namespace corvane {

struct ViewScratch {
  ScratchBuffer part;     // the visible frame pixels, BGRA at their own size
  ScratchBuffer columns;  // the frame column of each screen column
};

// Writes the visible rectangle of `mapping` (area coordinates) into the
// area's picture at `pixels`; nothing else is touched. False when memory
// runs out or the conversion fails.
bool RenderView(const Surface& surface, const ViewMapping& mapping, uint8_t* pixels, int stride,
                RenderScratch& scratch, ViewScratch& view, ColourSpace colour = {});

}  // namespace corvane
