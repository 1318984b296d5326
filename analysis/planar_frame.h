// A frame of any layout as the planes the metrics compare. Planar layouts
// are read in place; interleaved and packed ones are unpacked into planes
// the way ffmpeg converts them for its psnr and ssim filters (which accept
// planar formats only): NV12/NV16/NV21 to 4:2:0/4:2:2 planes, YUYV, YVYU,
// UYVY and IUYV to 4:2:2 planes (IUYV's lines back in display order), IYU2
// to 4:4:4, RGB24/RGB32 to R, G, B planes (RGB32's fourth byte is padding
// and is not compared), RGB565 to 8-bit R, G, B planes with each field in
// the high bits and zeros below (swscale's rgb565le to gbrp), v210 to 10-bit 4:2:2 planes (what ffmpeg's v210 decoder gives).
//
// Samples of more than 8 bits stay 16-bit words at their own depth (I010
// 0..1023), compared with peak 2^depth - 1 as ffmpeg does. P010 and P016 are
// the exception ffmpeg makes: its filters take no semi-planar format, and
// for a pair of them it picks 16-bit planes (yuv420p16le, peak 65535), into
// which P010's words go with their six low bits cleared; a P010 file against
// a 10-bit planar one is compared at 10 bits (its words shifted down), again
// as ffmpeg's format negotiation picks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "formats/yuv_format.h"

namespace corvane::analysis {

// What a pair of frames must share to be compared plane by plane (with the
// depth, CompareDepth).
enum class Sampling { k420, k422, k444, kRgb, kGray };
Sampling SamplingOf(YUVType type);
const char* SamplingName(Sampling sampling);  // "4:2:0", "4:2:2", "4:4:4", "RGB", "Y only"

struct PlaneView {
  const uint8_t* data = nullptr;  // bytes, or 16-bit words (2-byte aligned) for depths above 8
  ptrdiff_t stride = 0;           // in bytes
  uint32_t width = 0;
  uint32_t height = 0;
};

// Y, U, V, or R, G, B, or Y alone.
struct PlanarFrame {
  Sampling sampling = Sampling::k420;
  int depth = 8;       // bits of a sample
  int planeCount = 3;  // 1 for grey
  std::array<PlaneView, 3> planes{};

  bool Deep() const { return depth > 8; }
  unsigned Peak() const { return (1u << depth) - 1; }
};

// The depth at which frames of types a and b are compared, or 0 when their
// own depths differ and they cannot be.
int CompareDepth(YUVType a, YUVType b);

// The sampling, depth, plane count and plane sizes of a w x h frame of `type`
// compared at `depth` (CompareDepth; 0: the type's own), with no data. The
// original formats' chroma sizes halve with the integer halving of their
// file layout (an odd width drops its last chroma column, as the stored frame
// does); the added formats round up, as they are stored and as ffmpeg does.
PlanarFrame PlanarShape(YUVType type, uint32_t width, uint32_t height, int depth = 0);

// Planes of one frame of `type` at `depth` (as PlanarShape). The views point
// into `frame` when the layout is planar (and, for 16-bit words, `frame`
// is 2-byte aligned), otherwise into `scratch`, which is resized as needed;
// both must outlive the result. `frame` holds the whole frame (FrameSize64
// bytes).
PlanarFrame ToPlanar(YUVType type, uint32_t width, uint32_t height, const uint8_t* frame,
                     std::vector<uint8_t>* scratch, int depth = 0);

// A rectangle of a frame in luma samples (a region the figures are measured
// over): width x height from (x, y).
struct Region {
  uint32_t x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Region&) const = default;
};

// Whether `region` can be cut out of frames of `sampling` and this size:
// not empty, inside the frame, and lying on whole chroma samples (x and
// width even where chroma is halved across, y and height even where it is
// halved down), so each chroma plane is cut at x / 2, y / 2 exactly as
// ffmpeg's crop filter cuts it.
enum class RegionFit { kFits, kOutside, kOddForChroma };
RegionFit FitRegion(const Region& region, Sampling sampling, uint32_t width, uint32_t height);

// The region spanned by two frame pixels (either corner first, both inside
// a width x height frame, both taken in), widened outwards to whole chroma
// samples of `sampling` where the frame allows and trimmed inwards where it
// does not (an odd frame's last column or row), so that it fits (or is
// empty).
Region RegionBetween(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1, Sampling sampling, uint32_t width,
                     uint32_t height);

// The planes of `frame` inside `region` (which fits), in place: the views
// start further in and are smaller, the strides stay.
PlanarFrame CropPlanar(const PlanarFrame& frame, const Region& region);
// The chroma halving of a plane of `sampling` across and down (0 or 1).
uint32_t PlaneShiftX(Sampling sampling, int plane);
uint32_t PlaneShiftY(Sampling sampling, int plane);

}  // namespace corvane::analysis
