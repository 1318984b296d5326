#include "analysis/planar_frame.h"

namespace corvane::analysis {

Sampling SamplingOf(YUVType type) {
  switch (type) {
    case YUV_YV12:
    case YUV_IYUV:
    case YUV_NV12:
      return Sampling::k420;
    case YUV_YV16:
    case YUV_NV16:
    case YUV_YUYV:
    case YUV_YVYU:
    case YUV_UYVY:
    case YUV_IUYV:
      return Sampling::k422;
    case YUV_IYU2:
      return Sampling::k444;
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
  }
  return "?";
}

std::array<PlaneView, 3> PlaneSizes(Sampling sampling, uint32_t w, uint32_t h) {
  std::array<PlaneView, 3> p{};
  const uint32_t cw = sampling == Sampling::k420 || sampling == Sampling::k422 ? w / 2 : w;
  const uint32_t ch = sampling == Sampling::k420 ? h / 2 : h;
  p[0].width = w, p[0].height = h;
  for (int i = 1; i < 3; ++i) p[i].width = cw, p[i].height = ch;
  for (auto& v : p) v.stride = v.width;
  return p;
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

// swscale widens 5- and 6-bit fields by repeating their high bits below them.
uint8_t Widen5(unsigned v) { return uint8_t((v << 3) | (v >> 2)); }
uint8_t Widen6(unsigned v) { return uint8_t((v << 2) | (v >> 4)); }

}  // namespace

PlanarFrame ToPlanar(YUVType type, uint32_t w, uint32_t h, const uint8_t* frame, std::vector<uint8_t>* scratch) {
  PlanarFrame out;
  out.sampling = SamplingOf(type);
  out.planes = PlaneSizes(out.sampling, w, h);
  const PlaneLayout layout = GetPlaneLayout(type, w, h);

  if (PlaneOrderOf(type) == PlaneOrder::kYUV || PlaneOrderOf(type) == PlaneOrder::kYVU) {
    const ChromaPlanes c = ChromaPlanesOf(type);
    const int source[3] = {0, c.u, c.v};
    for (int i = 0; i < 3; ++i) {
      out.planes[i].data = frame + layout.offset[size_t(source[i])];
      out.planes[i].stride = layout.stride[size_t(source[i])];
    }
    return out;
  }

  // Everything else is unpacked into planes of stride = width.
  size_t total = 0;
  for (const auto& p : out.planes) total += size_t(p.width) * p.height;
  scratch->resize(total);
  uint8_t* dst[3];
  size_t at = 0;
  for (int i = 0; i < 3; ++i) {
    dst[i] = scratch->data() + at;
    out.planes[i].data = dst[i];
    at += size_t(out.planes[i].width) * out.planes[i].height;
  }
  const uint32_t cw = out.planes[1].width;

  if (PlaneOrderOf(type) == PlaneOrder::kYInterleavedUV) {
    out.planes[0].data = frame;
    out.planes[0].stride = w;
    for (uint32_t y = 0; y < out.planes[1].height; ++y) {
      const uint8_t* s = frame + layout.offset[1] + size_t(y) * layout.stride[1];
      uint8_t* u = dst[1] + size_t(y) * cw;
      uint8_t* v = dst[2] + size_t(y) * cw;
      for (uint32_t x = 0; x < cw; ++x) u[x] = s[2 * x], v[x] = s[2 * x + 1];
    }
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
