// The samples of one pixel of a frame, located as the frame's layout stores
// them: the graph's pixel lookup, the coordinate window's readout and the
// zoomed view's values all read through it.
#pragma once

#include <cstdint>

#include "engine/frame_queue.h"

namespace corvane {

// Y, U, V of pixel (x, y) in their native values (0..1023 for 10 bits,
// P010's from the top of its words); U and V are -1 for a grey format.
// False when the format has no YUV samples or a byte lies outside the frame.
bool LookUpYUV(const FrameBuffer& frame, uint32_t x, uint32_t y, int* Y, int* U, int* V);

}  // namespace corvane
