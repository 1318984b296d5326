#include "analysis/planar_frame.h"

#include <algorithm>
#include <cstring>

#include "formats/v210.h"

namespace corvane::analysis {

Sampling SamplingOf(YUVType type) {
  switch (type) {
    case YUV_YV12:
    case YUV_IYUV:
    case YUV_NV12:
    case YUV_NV21:
    case YUV_I010:
    case YUV_I012:
    case YUV_P010:
    case YUV_P016:
      return Sampling::k420;
    case YUV_YV16:
    case YUV_NV16:
    case YUV_YUYV:
    case YUV_YVYU:
    case YUV_UYVY:
    case YUV_IUYV:
    case YUV_I210:
    case YUV_V210:
      return Sampling::k422;
    case YUV_IYU2:
    case YUV_I444:
    case YUV_I410:
      return Sampling::k444;
    case YUV_GRAY:
    case YUV_GRAY10:
      return Sampling::kGray;
    default:
      return Sampling::kRgb;
  }
}

const char* SamplingName(Sampling sampling) {
  switch (sampling) {
    case Sampling::k420: return "4:2:0";
    case Sampling::k422: return "4:2:2";
    case Sampling::k444: return "4:4:4";
    case Sampling::kRgb: return "RGB";
    case Sampling::kGray: return "Y only";
  }
  return "?";
}

int CompareDepth(YUVType a, YUVType b) {
  if (BitDepthOf(a) != BitDepthOf(b)) return 0;
  if (a == YUV_P010 && b == YUV_P010) return 16;  // ffmpeg's yuv420p16le, see the header
  return BitDepthOf(a);
}

PlanarFrame PlanarShape(YUVType type, uint32_t w, uint32_t h, int depth) {
  PlanarFrame f;
  f.sampling = SamplingOf(type);
  f.depth = depth ? depth : BitDepthOf(type);
  f.planeCount = f.sampling == Sampling::kGray ? 1 : 3;
  const uint32_t shiftX = f.sampling == Sampling::k420 || f.sampling == Sampling::k422 ? 1 : 0;
  const uint32_t shiftY = f.sampling == Sampling::k420 ? 1 : 0;
  const uint32_t roundUp = IsAddedType(type) ? 1 : 0;
  const uint32_t cw = (w + (roundUp << shiftX) - roundUp) >> shiftX;
  const uint32_t ch = (h + (roundUp << shiftY) - roundUp) >> shiftY;
  const uint32_t bytes = f.Deep() ? 2 : 1;
  f.planes[0] = {nullptr, ptrdiff_t(w) * bytes, w, h};
  for (int i = 1; i < f.planeCount; ++i) f.planes[size_t(i)] = {nullptr, ptrdiff_t(cw) * bytes, cw, ch};
  return f;
}

uint32_t PlaneShiftX(Sampling sampling, int plane) {
  return plane > 0 && (sampling == Sampling::k420 || sampling == Sampling::k422) ? 1 : 0;
}

uint32_t PlaneShiftY(Sampling sampling, int plane) { return plane > 0 && sampling == Sampling::k420 ? 1 : 0; }

RegionFit FitRegion(const Region& region, Sampling sampling, uint32_t width, uint32_t height) {
  if (region.width == 0 || region.height == 0 || region.x >= width || region.y >= height ||
      region.width > width - region.x || region.height > height - region.y)
    return RegionFit::kOutside;
  const uint32_t oddX = PlaneShiftX(sampling, 1) ? (region.x | region.width) & 1 : 0;
  const uint32_t oddY = PlaneShiftY(sampling, 1) ? (region.y | region.height) & 1 : 0;
  return oddX || oddY ? RegionFit::kOddForChroma : RegionFit::kFits;
}

namespace {

// [first, end) of one axis, on whole pairs when `pairs`: first down to even,
// end up to even, or down when that would pass `size`.
void Span(uint32_t a, uint32_t b, bool pairs, uint32_t size, uint32_t* first, uint32_t* count) {
  uint32_t begin = std::min(a, b), end = std::max(a, b) + 1;
  if (pairs) {
    begin &= ~1u;
    end = end + (end & 1) <= size ? end + (end & 1) : end & ~1u;
  }
  *first = begin;
  *count = end > begin ? end - begin : 0;
}

}  // namespace

Region RegionBetween(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1, Sampling sampling, uint32_t width,
                     uint32_t height) {
  Region r;
  Span(x0, x1, PlaneShiftX(sampling, 1) != 0, width, &r.x, &r.width);
  Span(y0, y1, PlaneShiftY(sampling, 1) != 0, height, &r.y, &r.height);
  return r;
}

PlanarFrame CropPlanar(const PlanarFrame& frame, const Region& region) {
  PlanarFrame out = frame;
  const uint32_t bytes = frame.Deep() ? 2 : 1;
  for (int p = 0; p < frame.planeCount; ++p) {
    const uint32_t sx = PlaneShiftX(frame.sampling, p), sy = PlaneShiftY(frame.sampling, p);
    PlaneView& v = out.planes[size_t(p)];
    if (v.data) v.data += ptrdiff_t(region.y >> sy) * v.stride + ptrdiff_t(region.x >> sx) * bytes;
    v.width = region.width >> sx;
    v.height = region.height >> sy;
  }
  return out;
}

namespace {

// Byte positions of Y0, U, Y1, V in a 4-byte pair of each packed 4:2:2 layout.
struct PairOrder {
  int y0, u, y1, v;
};
PairOrder PairOrderOf(YUVType type) {
  switch (type) {
    case YUV_YVYU: return {0, 3, 2, 1};
    case YUV_UYVY:
    case YUV_IUYV: return {1, 0, 3, 2};
    default: return {0, 1, 2, 3};  // YUYV
  }
}

// RGB565 as ffmpeg's psnr and ssim filters see it: their format negotiation
// picks gbrp for rgb565le (`ffmpeg -v debug` logs "picking gbrp out of 54
// ref:rgb565le"), and swscale's road to gbrp puts each field in the high
// bits of its byte with zeros below (R << 3, G << 2, B << 3). Its packed RGB
// outputs (bgr24, bgra) repeat the high bits below instead, but that is not
// what the filters measure.
uint8_t Widen5(unsigned v) { return uint8_t(v << 3); }
uint8_t Widen6(unsigned v) { return uint8_t(v << 2); }

uint16_t Word(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);  // any alignment; little-endian machine
  return v;
}

// A P010 word as a sample at the compared depth: its ten high bits, shifted
// down (10) or kept in place with the six low bits cleared (16), as swscale
// converts p010le to yuv420p10le and yuv420p16le. Other words are samples.
uint16_t SampleOf(YUVType type, int depth, uint16_t word) {
  if (type != YUV_P010) return word;
  return depth == 16 ? uint16_t(word & 0xFFC0) : uint16_t(word >> 6);
}

// Copies a w x h plane of 16-bit words (of any alignment) into one of
// stride w, each word made a sample.
void CopyWords(YUVType type, int depth, const uint8_t* src, ptrdiff_t srcStride, uint16_t* dst, uint32_t w,
               uint32_t h) {
  for (uint32_t y = 0; y < h; ++y, dst += w)
    for (uint32_t x = 0; x < w; ++x) dst[x] = SampleOf(type, depth, Word(src + y * srcStride + 2 * x));
}

// The w x h U and V planes (of stride w) of a plane of pairs; `vFirst` for
// V,U pairs.
void SplitPairs(YUVType type, int depth, const uint8_t* src, ptrdiff_t srcStride, bool vFirst, uint8_t* u,
                uint8_t* v, uint32_t w, uint32_t h) {
  const int iu = vFirst ? 1 : 0, iv = 1 - iu;
  for (uint32_t y = 0; y < h; ++y) {
    const uint8_t* s = src + y * srcStride;
    if (depth == 8) {
      for (uint32_t x = 0; x < w; ++x) u[y * w + x] = s[2 * x + iu], v[y * w + x] = s[2 * x + iv];
      continue;
    }
    auto* wu = reinterpret_cast<uint16_t*>(u) + y * w;
    auto* wv = reinterpret_cast<uint16_t*>(v) + y * w;
    for (uint32_t x = 0; x < w; ++x) {
      wu[x] = SampleOf(type, depth, Word(s + 4 * x + 2 * iu));
      wv[x] = SampleOf(type, depth, Word(s + 4 * x + 2 * iv));
    }
  }
}

uint16_t* Words(uint8_t* p) { return reinterpret_cast<uint16_t*>(p); }

}  // namespace

PlanarFrame ToPlanar(YUVType type, uint32_t w, uint32_t h, const uint8_t* frame, std::vector<uint8_t>* scratch,
                     int depth) {
  PlanarFrame out = PlanarShape(type, w, h, depth);
  const PlaneLayout layout = GetPlaneLayout(type, w, h);
  const PlaneOrder order = PlaneOrderOf(type);
  const bool planar = order == PlaneOrder::kYUV || order == PlaneOrder::kYVU || order == PlaneOrder::kYOnly;
  const bool semiPlanar = order == PlaneOrder::kYInterleavedUV || order == PlaneOrder::kYInterleavedVU;
  // 16-bit words are read in place only where they are aligned (a spliced
  // file may put a frame at an odd offset) and need no change.
  const bool inPlace = !out.Deep() || (reinterpret_cast<uintptr_t>(frame) % 2 == 0 && type != YUV_P010);
  const ChromaPlanes c = ChromaPlanesOf(type);
  const int source[3] = {0, c.u, c.v};

  if (planar && inPlace) {
    for (int i = 0; i < out.planeCount; ++i) {
      out.planes[size_t(i)].data = frame + layout.offset[size_t(source[i])];
      out.planes[size_t(i)].stride = layout.stride[size_t(source[i])];
    }
    return out;
  }

  // Everything else is unpacked into planes of stride = width (the luma of
  // a plane of pairs stays in place where it can).
  size_t total = 0;
  for (int i = 0; i < out.planeCount; ++i)
    total += size_t(out.planes[size_t(i)].stride) * out.planes[size_t(i)].height;
  scratch->resize(total);
  uint8_t* dst[3] = {};
  size_t at = 0;
  for (int i = 0; i < out.planeCount; ++i) {
    dst[i] = scratch->data() + at;
    out.planes[size_t(i)].data = dst[i];
    at += size_t(out.planes[size_t(i)].stride) * out.planes[size_t(i)].height;
  }

  const uint32_t cw = out.planes[1].width, ch = out.planes[1].height;
  if (planar) {
    for (int i = 0; i < out.planeCount; ++i)
      CopyWords(type, out.depth, frame + layout.offset[size_t(source[i])], layout.stride[size_t(source[i])],
                Words(dst[i]), out.planes[size_t(i)].width, out.planes[size_t(i)].height);
    return out;
  }
  if (semiPlanar) {
    if (inPlace) {
      out.planes[0].data = frame;
      out.planes[0].stride = layout.stride[0];
    } else {
      CopyWords(type, out.depth, frame, layout.stride[0], Words(dst[0]), w, h);
    }
    SplitPairs(type, out.depth, frame + layout.offset[1], layout.stride[1], order == PlaneOrder::kYInterleavedVU,
               dst[1], dst[2], cw, ch);
    return out;
  }
  if (type == YUV_V210) {
    const V210RowFn unpack = BestV210Row();
    for (uint32_t r = 0; r < h; ++r)
      unpack(frame + size_t(r) * layout.stride[0], Words(dst[0]) + size_t(r) * w, Words(dst[1]) + size_t(r) * cw,
             Words(dst[2]) + size_t(r) * cw, int(w));
    return out;
  }

  switch (type) {
    case YUV_YUYV:
    case YUV_YVYU:
    case YUV_UYVY:
    case YUV_IUYV: {
      const PairOrder o = PairOrderOf(type);
      for (uint32_t y = 0; y < h; ++y) {
        const uint32_t row = type == YUV_IUYV ? IUYVStoredRow(y, h) : y;
        const uint8_t* s = frame + size_t(row) * layout.stride[0];
        uint8_t* Y = dst[0] + size_t(y) * w;
        uint8_t* U = dst[1] + size_t(y) * cw;
        uint8_t* V = dst[2] + size_t(y) * cw;
        for (uint32_t x = 0; x < cw; ++x, s += 4) {
          Y[2 * x] = s[o.y0], Y[2 * x + 1] = s[o.y1];
          U[x] = s[o.u], V[x] = s[o.v];
        }
        if (w % 2 != 0) Y[w - 1] = s[o.y0];  // the last pixel's pair is cut short
      }
      break;
    }
    case YUV_IYU2:
    case YUV_RGB24:
    case YUV_RGB32: {
      // IYU2 stores U Y V; RGB24 and RGB32 store B G R (then padding).
      const int step = type == YUV_RGB32 ? 4 : 3;
      const int src[3] = {type == YUV_IYU2 ? 1 : 2, type == YUV_IYU2 ? 0 : 1, type == YUV_IYU2 ? 2 : 0};
      const size_t pixels = size_t(w) * h;
      for (size_t i = 0; i < pixels; ++i)
        for (int c = 0; c < 3; ++c) dst[c][i] = frame[i * size_t(step) + size_t(src[c])];
      break;
    }
    case YUV_RGB565: {
      const size_t pixels = size_t(w) * h;
      for (size_t i = 0; i < pixels; ++i) {
        const unsigned px = unsigned(frame[2 * i]) | (unsigned(frame[2 * i + 1]) << 8);
        dst[0][i] = Widen5(px >> 11), dst[1][i] = Widen6((px >> 5) & 63), dst[2][i] = Widen5(px & 31);
      }
      break;
    }
    default:
      break;
  }
  return out;
}

}  // namespace corvane::analysis
