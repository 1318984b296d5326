#include "engine/surface_device.h"

#include <libyuv.h>

#include "engine/deep_render.h"
#include "engine/device_common.h"
#include "engine/row_render.h"
#include "engine/yuv_to_bgra.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace corvane {

void ScratchBuffer::Free::operator()(uint8_t* p) const { std::free(p); }

uint8_t* ScratchBuffer::Get(size_t bytes) {
  bytes = (bytes + 63) & ~size_t(63);
  if (bytes == 0) bytes = 64;
  if (bytes > m_size) {
    m_p.reset();
    m_size = 0;
    auto* p = static_cast<uint8_t*>(std::aligned_alloc(64, bytes));
    if (!p) return nullptr;
    m_p.reset(p);
    m_size = bytes;
  }
  return m_p.get();
}

SurfaceDevice& SurfaceDevice::Instance() {
  static SurfaceDevice device;
  return device;
}

std::unique_ptr<Surface> SurfaceDevice::CreateSurface(YUVType format, uint32_t w, uint32_t h) const {
  if (!IsNative(format)) return nullptr;
  return Surface::Make(format, w, h, PitchAlignment());
}

void FillBlack(uint8_t* pixels, int stride, int x, int y, int w, int h) {
  if (w <= 0 || h <= 0) return;
  libyuv::ARGBRect(pixels, stride, x, y, w, h, 0xFF000000u);
}

namespace {

using namespace device;

// Planes of one picture: pointers and strides.
struct Planes {
  const uint8_t* y;
  int ys;
  const uint8_t* u;
  int us;
  const uint8_t* v;
  int vs;
};

// Converts planes of w × h (optionally scaling them to dw × dh first).
bool PlanarToARGB(Sub sub, const Planes& p, int w, int h, uint8_t* dst, int dstStride, int dw, int dh,
                  ScratchBuffer& scaled, const YuvCoefficients& k) {
  Planes q = p;
  if (w != dw || h != dh) {
    const int ys = Stride64(dw), cs = Stride64(ChromaW(sub, dw)), ch = ChromaH(sub, dh);
    uint8_t* buf = scaled.Get(size_t(ys) * dh + 2 * size_t(cs) * ch);
    if (!buf) return false;
    uint8_t* y = buf;
    uint8_t* u = y + size_t(ys) * dh;
    uint8_t* v = u + size_t(cs) * ch;
    const auto f = FilterFor(w, h, dw, dh);
    int r = 0;
    switch (sub) {
      case Sub::k420: r = libyuv::I420Scale(p.y, p.ys, p.u, p.us, p.v, p.vs, w, h, y, ys, u, cs, v, cs, dw, dh, f); break;
      case Sub::k422: r = libyuv::I422Scale(p.y, p.ys, p.u, p.us, p.v, p.vs, w, h, y, ys, u, cs, v, cs, dw, dh, f); break;
      case Sub::k444: r = libyuv::I444Scale(p.y, p.ys, p.u, p.us, p.v, p.vs, w, h, y, ys, u, cs, v, cs, dw, dh, f); break;
    }
    if (r != 0) return false;
    q = {y, ys, u, cs, v, cs};
  }
  PlanarToBGRA(sub, q.y, q.ys, q.u, q.us, q.v, q.vs, dst, dstStride, dw, dh, k);
  return true;
}

// Planar scratch of w × h at the given subsampling.
Planes MakePlanes(ScratchBuffer& buf, Sub sub, int w, int h, uint8_t** y, uint8_t** u, uint8_t** v) {
  const int ys = Stride64(w), cs = Stride64(ChromaW(sub, w)), ch = ChromaH(sub, h);
  uint8_t* b = buf.Get(size_t(ys) * h + 2 * size_t(cs) * ch);
  if (!b) return {};
  *y = b;
  *u = b + size_t(ys) * h;
  *v = *u + size_t(cs) * ch;
  return {*y, ys, *u, cs, *v, cs};
}

void ForceOpaque(uint8_t* dst, int stride, int w, int h) {
  for (int y = 0; y < h; ++y) {
    uint8_t* row = dst + size_t(stride) * y;
    for (int x = 0; x < w; ++x) row[4 * x + 3] = 0xFF;
  }
}

// An ARGB picture of w × h, scaled to the destination.
bool ARGBToDest(const uint8_t* src, int srcStride, int w, int h, uint8_t* dst, int dstStride, int dw, int dh) {
  if (w == dw && h == dh) return libyuv::ARGBCopy(src, srcStride, dst, dstStride, dw, dh) == 0;
  return libyuv::ARGBScale(src, srcStride, w, h, dst, dstStride, dw, dh, FilterFor(w, h, dw, dh)) == 0;
}

// The rest convert the whole surface at once (scaled, when at all, by libyuv).

// YV12, IYUV, YV16 and I444: their chroma planes in U, V order.
bool RenderPlanar(const Surface& s, uint8_t* dst, int dstStride, int dw, int dh, RenderScratch& scratch,
                  const YuvCoefficients& k) {
  const ChromaPlanes cp = ChromaPlanesOf(s.Format());
  const Planes p{s.PlaneData(0),     int(s.Plane(0).pitch),     s.PlaneData(cp.u),
                 int(s.Plane(cp.u).pitch), s.PlaneData(cp.v), int(s.Plane(cp.v).pitch)};
  return PlanarToARGB(PlanarSub(s.Format()), p, int(s.Width()), int(s.Height()), dst, dstStride, dw, dh,
                      scratch.scaled, k);
}

// NV12 and NV21 (the same scaling: pairs are scaled as pairs).
bool RenderNV12(const Surface& s, uint8_t* dst, int dstStride, int dw, int dh, RenderScratch& scratch,
                const YuvCoefficients& k) {
  const int w = int(s.Width()), h = int(s.Height()), pitch = int(s.Plane(0).pitch);
  const int uvPitch = int(s.Plane(1).pitch);
  const uint8_t *y = s.PlaneData(0), *uv = s.PlaneData(1);
  const bool vFirst = s.Format() == YUV_NV21;
  if (w == dw && h == dh) {
    SemiPlanarToBGRA(y, pitch, uv, uvPitch, vFirst, dst, dstStride, dw, dh, k);
    return true;
  }
  const int ys = Stride64(dw), cs = Stride64(2 * Half(dw));
  uint8_t* b = scratch.scaled.Get(size_t(ys) * dh + size_t(cs) * Half(dh));
  if (!b) return false;
  uint8_t* sy = b;
  uint8_t* suv = b + size_t(ys) * dh;
  if (libyuv::NV12Scale(y, pitch, uv, uvPitch, w, h, sy, ys, suv, cs, dw, dh, FilterFor(w, h, dw, dh)) != 0)
    return false;
  SemiPlanarToBGRA(sy, ys, suv, cs, vFirst, dst, dstStride, dw, dh, k);
  return true;
}

bool RenderNV16(const Surface& s, uint8_t* dst, int dstStride, int dw, int dh, RenderScratch& scratch,
                const YuvCoefficients& k) {
  const int w = int(s.Width()), h = int(s.Height()), pitch = int(s.Plane(0).pitch);
  uint8_t *y, *u, *v;
  const Planes p = MakePlanes(scratch.planar, Sub::k422, w, h, &y, &u, &v);
  if (!p.y) return false;
  libyuv::SplitUVPlane(s.PlaneData(1), pitch, u, p.us, v, p.vs, Half(w), h);
  return PlanarToARGB(Sub::k422, {s.PlaneData(0), pitch, u, p.us, v, p.vs}, w, h, dst, dstStride, dw, dh,
                      scratch.scaled, k);
}

// YUY2, YVYU, UYVY and IUYV: split into 4:2:2 planes, IUYV's lines taken
// from their stored rows.
bool RenderPacked422(const Surface& s, uint8_t* dst, int dstStride, int dw, int dh, RenderScratch& scratch,
                     const YuvCoefficients& k) {
  const int w = int(s.Width()), h = int(s.Height()), pitch = int(s.Plane(0).pitch);
  const uint8_t* p0 = s.PlaneData(0);
  uint8_t *y, *u, *v;
  const Planes p = MakePlanes(scratch.planar, Sub::k422, w, h, &y, &u, &v);
  if (!p.y) return false;
  switch (s.Format()) {
    case YUV_UYVY: libyuv::UYVYToI422(p0, pitch, y, p.ys, u, p.us, v, p.vs, w, h); break;
    case YUV_YUYV: libyuv::YUY2ToI422(p0, pitch, y, p.ys, u, p.us, v, p.vs, w, h); break;
    // YVYU is YUY2 with the chroma bytes exchanged: read it with U and V swapped.
    case YUV_YVYU: libyuv::YUY2ToI422(p0, pitch, y, p.ys, v, p.vs, u, p.us, w, h); break;
    default:  // IUYV
      for (int r = 0; r < h; ++r)
        libyuv::UYVYToI422(p0 + size_t(pitch) * IUYVStoredRow(uint32_t(r), uint32_t(h)), pitch,
                           y + size_t(p.ys) * r, p.ys, u + size_t(p.us) * r, p.us, v + size_t(p.vs) * r, p.vs,
                           w, 1);
      break;
  }
  return PlanarToARGB(Sub::k422, p, w, h, dst, dstStride, dw, dh, scratch.scaled, k);
}

// U Y V per pixel: split into planes (the "R, G, B" of the splitter are U, Y,
// V here) and convert as 4:4:4.
bool RenderIYU2(const Surface& s, uint8_t* dst, int dstStride, int dw, int dh, RenderScratch& scratch,
                const YuvCoefficients& k) {
  const int w = int(s.Width()), h = int(s.Height());
  uint8_t *y, *u, *v;
  const Planes p = MakePlanes(scratch.planar, Sub::k444, w, h, &y, &u, &v);
  if (!p.y) return false;
  libyuv::SplitRGBPlane(s.PlaneData(0), int(s.Plane(0).pitch), u, p.us, y, p.ys, v, p.vs, w, h);
  return PlanarToARGB(Sub::k444, p, w, h, dst, dstStride, dw, dh, scratch.scaled, k);
}

bool RenderRGB(const Surface& s, uint8_t* dst, int dstStride, int dw, int dh, RenderScratch& scratch) {
  const int w = int(s.Width()), h = int(s.Height()), pitch = int(s.Plane(0).pitch);
  const uint8_t* p0 = s.PlaneData(0);
  if (s.Format() == YUV_RGB32) {
    // The fourth byte of a 32-bit surface pixel is unused, not alpha.
    if (!ARGBToDest(p0, pitch, w, h, dst, dstStride, dw, dh)) return false;
    ForceOpaque(dst, dstStride, dw, dh);
    return true;
  }
  const int as = 4 * w;
  uint8_t* argb = scratch.planar.Get(size_t(as) * h);
  if (!argb) return false;
  int r = 0;
  if (s.Format() == YUV_RGB24)
    r = libyuv::RGB24ToARGB(p0, pitch, argb, as, w, h);
  else if (s.Format() == YUV_RGB565)
    r = libyuv::RGB565ToARGB(p0, pitch, argb, as, w, h);
  else  // 5:5:5: the top bit is unused, not alpha
    r = libyuv::ARGB1555ToARGB(p0, pitch, argb, as, w, h);
  if (r != 0 || !ARGBToDest(argb, as, w, h, dst, dstStride, dw, dh)) return false;
  if (s.Format() == YUV_RGB555) ForceOpaque(dst, dstStride, dw, dh);
  return true;
}

}  // namespace

bool SurfaceDevice::Render(const Surface& s, uint8_t* dst, int dstStride, int dw, int dh, RenderScratch& scratch,
                           ColourSpace colour) const {
  if (dw <= 0 || dh <= 0 || !dst) return false;
  const YuvCoefficients k = CoefficientsFor(colour, 8);
  if (const std::optional<bool> done = RenderRowByRow(s, dst, dstStride, dw, dh, scratch, k)) return *done;
  switch (s.Format()) {
    case YUV_YV12:
    case YUV_IYUV:
    case YUV_YV16:
    case YUV_I444:
      return RenderPlanar(s, dst, dstStride, dw, dh, scratch, k);
    case YUV_NV12:
    case YUV_NV21:
      return RenderNV12(s, dst, dstStride, dw, dh, scratch, k);
    case YUV_NV16:
      return RenderNV16(s, dst, dstStride, dw, dh, scratch, k);
    case YUV_YUYV:
    case YUV_YVYU:
    case YUV_UYVY:
    case YUV_IUYV:
      return RenderPacked422(s, dst, dstStride, dw, dh, scratch, k);
    case YUV_IYU2:
      return RenderIYU2(s, dst, dstStride, dw, dh, scratch, k);
    case YUV_RGB32:
    case YUV_RGB24:
    case YUV_RGB565:
    case YUV_RGB555:
      return RenderRGB(s, dst, dstStride, dw, dh, scratch);
    case YUV_NONE:
      return false;
    default:
      return RenderDeep(s, dst, dstStride, dw, dh, scratch, colour);
  }
}

}  // namespace corvane
