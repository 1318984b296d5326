// A frame of any layout as the planes the metrics compare. Planar layouts
// are read in place; interleaved and packed ones are unpacked into planes
// the way ffmpeg converts them for its psnr and ssim filters (which accept
// planar formats only): NV12/NV16 to 4:2:0/4:2:2 planes, YUYV, YVYU, UYVY
// and IUYV to 4:2:2 planes (IUYV's lines back in display order), IYU2 to
// 4:4:4, RGB24/RGB32 to R, G, B planes (RGB32's fourth byte is padding and is
// not compared), RGB565 to 8-bit R, G, B with the high bits repeated below.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "formats/yuv_format.h"

namespace corvane::analysis {

// What a pair of frames must share to be compared plane by plane.
enum class Sampling { k420, k422, k444, kRgb };
Sampling SamplingOf(YUVType type);
const char* SamplingName(Sampling sampling);  // "4:2:0", "4:2:2", "4:4:4", "RGB"

struct PlaneView {
  const uint8_t* data = nullptr;
  ptrdiff_t stride = 0;
  uint32_t width = 0;
  uint32_t height = 0;
};

// Y, U, V, or R, G, B.
struct PlanarFrame {
  Sampling sampling = Sampling::k420;
  std::array<PlaneView, 3> planes{};
};

// The plane sizes of a w x h frame of this sampling. Chroma sizes halve with
// the integer halving of the file layout: an odd width drops its last chroma
// column, as the stored frame does.
std::array<PlaneView, 3> PlaneSizes(Sampling sampling, uint32_t width, uint32_t height);

// Planes of one frame of `type`. The views point into `frame` when the layout
// is planar, otherwise into `scratch`, which is resized as needed; both must
// outlive the result. `frame` holds the whole frame (FrameSize64 bytes).
PlanarFrame ToPlanar(YUVType type, uint32_t width, uint32_t height, const uint8_t* frame,
                     std::vector<uint8_t>* scratch);

}  // namespace corvane::analysis
