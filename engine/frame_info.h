// Geometry and format id of one frame, handed to the display with every draw.
#pragma once

#include <cstdint>

#include "formats/yuv_format.h"

namespace corvane {

struct FrameInfo {
  uint32_t width = 0;   // pixels
  uint32_t height = 0;  // lines
  YUVType type = YUV_NONE;
  friend bool operator==(const FrameInfo&, const FrameInfo&) = default;
};

}  // namespace corvane
