// The difference picture of two frames compared plane by plane, as the
// player's difference view shows it: every sample is 128 + |a − b| × gain
// (at most 255), so equal samples are mid grey and any difference is
// brighter, in the plane it lies in. Differences are counted in the frames'
// own units: one level of a 10-bit sample is one level here.
//
// The picture is 8-bit and full-size in every plane (I444; Y alone for grey
// frames, B G R bytes for RGB ones), so the display's component view shows
// the Y, U and V differences each at the picture's size.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/planar_frame.h"
#include "formats/yuv_format.h"

namespace corvane::analysis {

// Writes the difference of a and b (same sampling, depth and plane sizes:
// the caller compared their shapes) into `out` as a frame of the returned
// type (YUV_I444, YUV_GRAY or YUV_RGB24) and a's Y size.
YUVType DifferencePicture(const PlanarFrame& a, const PlanarFrame& b, int gain, std::vector<uint8_t>* out);

// Whether frames of these types and sizes can be compared plane by plane.
bool Comparable(YUVType a, uint32_t aw, uint32_t ah, YUVType b, uint32_t bw, uint32_t bh);

}  // namespace corvane::analysis
