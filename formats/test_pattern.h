// A moving test pattern in any supported format, for the command line's
// `gen`, the demo clip, tests and benchmarks.
#pragma once

#include <cstdint>
#include <vector>

#include "formats/yuv_format.h"

namespace corvane {

// Frame `index` (0-based) of the pattern: colour bars scrolling to the left,
// a white square moving diagonally and a grey ramp along the bottom, laid out
// as the format's frame (GetTypeAndFrameSize bytes). Empty for unsupported
// parameters.
std::vector<uint8_t> MakePatternFrame(const YUVPara& para, uint32_t index);

// Packs full-resolution Y, U, V planes (w·h bytes each) into one frame of the
// given format. Subsampled chroma takes the sample of the even pixel/line;
// RGB formats convert with BT.601 limited range.
// The added formats take 8-bit samples shifted up to their depth.
std::vector<uint8_t> PackFrame(YUVType type, uint32_t w, uint32_t h, const uint8_t* y,
                               const uint8_t* u, const uint8_t* v);

// The same for an added format (IsAddedType), from samples at its depth
// (0..1023 for 10 bits; P010's are moved to the top of its words here).
std::vector<uint8_t> PackDeepFrame(YUVType type, uint32_t w, uint32_t h, const uint16_t* y,
                                   const uint16_t* u, const uint16_t* v);

}  // namespace corvane
