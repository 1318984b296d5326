// A frame converted as the display converts it, at its own size: for stills
// and pictures of the frame that must look as it does on screen.
#pragma once

#include <cstdint>

#include "capture/still_encoder.h"
#include "formats/colour_space.h"
#include "formats/yuv_format.h"

namespace corvane {

// Writes the w × h frame (FrameSize64 bytes at frame) as BGRA rows of 4·w
// bytes, `stride` apart (negative: bottom-up), alpha 255, through a surface
// of the frame's own format and the surface device, read with `colour`.
// False when the type has no surface or memory cannot be had.
bool ConvertFrameToBGRA(YUVType type, const uint8_t* frame, uint32_t w, uint32_t h, ColourSpace colour,
                        uint8_t* bgra, int32_t stride);

// The still encoder's converter for the added formats, reading with colour.
StillEncoder::PictureConverter DisplayPictureConverter(ColourSpace colour);

}  // namespace corvane
