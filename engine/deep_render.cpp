#include "engine/deep_render.h"

#include <algorithm>

#include "formats/v210.h"

namespace corvane {

const libyuv::YuvConstants* YuvConstantsFor(ColourSpace c) {
  const bool full = c.range == YuvRange::kFull;
  switch (c.matrix) {
    case YuvMatrix::kBt709: return full ? &libyuv::kYuvF709Constants : &libyuv::kYuvH709Constants;
    case YuvMatrix::kBt2020: return full ? &libyuv::kYuvV2020Constants : &libyuv::kYuv2020Constants;
    default: return full ? &libyuv::kYuvJPEGConstants : &libyuv::kYuvI601Constants;
  }
}

namespace {

int Stride64(int n) { return (n + 63) & ~63; }

libyuv::FilterMode FilterFor(int sw, int sh, int dw, int dh) {
  if (dw * 2 <= sw || dh * 2 <= sh) return libyuv::kFilterBox;
  return libyuv::kFilterBilinear;
}

// 16-bit planes; strides in samples, as libyuv's 16-bit routines take them.
struct Planes16 {
  const uint16_t* y;
  int ys;
  const uint16_t* u;
  int us;
  const uint16_t* v;
  int vs;
};

const uint16_t* Words(const Surface& s, int plane) { return reinterpret_cast<const uint16_t*>(s.PlaneData(plane)); }
int WordPitch(const Surface& s, int plane) { return int(s.Plane(plane).pitch / 2); }

// Chroma shape of the planar deep formats.
struct Shape {
  int sx, sy;  // 2 for halved, 1 for full
};
Shape ShapeOf(YUVType t) {
  switch (t) {
    case YUV_I210:
    case YUV_V210: return {2, 1};
    case YUV_I410: return {1, 1};
    default: return {2, 2};
  }
}

// Planar 10- and 12-bit: scaled at 16 bits when the size changes, then
// converted.
bool Planar16ToARGB(YUVType t, Planes16 p, int w, int h, uint8_t* dst, int dstStride, int dw, int dh,
                    ScratchBuffer& scaled, const libyuv::YuvConstants* k) {
  const Shape sh = ShapeOf(t);
  if (w != dw || h != dh) {
    const int cw = (dw + sh.sx - 1) / sh.sx, ch = (dh + sh.sy - 1) / sh.sy;
    const int ys = Stride64(dw), cs = Stride64(cw);
    auto* b = reinterpret_cast<uint16_t*>(scaled.Get(2 * (size_t(ys) * dh + 2 * size_t(cs) * ch)));
    if (!b) return false;
    uint16_t* y = b;
    uint16_t* u = y + size_t(ys) * dh;
    uint16_t* v = u + size_t(cs) * ch;
    const auto f = FilterFor(w, h, dw, dh);
    int r = 0;
    if (sh.sx == 1)
      r = libyuv::I444Scale_16(p.y, p.ys, p.u, p.us, p.v, p.vs, w, h, y, ys, u, cs, v, cs, dw, dh, f);
    else if (sh.sy == 1)
      r = libyuv::I422Scale_16(p.y, p.ys, p.u, p.us, p.v, p.vs, w, h, y, ys, u, cs, v, cs, dw, dh, f);
    else
      r = libyuv::I420Scale_16(p.y, p.ys, p.u, p.us, p.v, p.vs, w, h, y, ys, u, cs, v, cs, dw, dh, f);
    if (r != 0) return false;
    p = {y, ys, u, cs, v, cs};
  }
  int r = 0;
  switch (t) {
    case YUV_I012: r = libyuv::I012ToARGBMatrix(p.y, p.ys, p.u, p.us, p.v, p.vs, dst, dstStride, k, dw, dh); break;
    case YUV_I410:
    case YUV_GRAY10: r = libyuv::I410ToARGBMatrix(p.y, p.ys, p.u, p.us, p.v, p.vs, dst, dstStride, k, dw, dh); break;
    case YUV_I210:
    case YUV_V210: r = libyuv::I210ToARGBMatrix(p.y, p.ys, p.u, p.us, p.v, p.vs, dst, dstStride, k, dw, dh); break;
    default: r = libyuv::I010ToARGBMatrix(p.y, p.ys, p.u, p.us, p.v, p.vs, dst, dstStride, k, dw, dh); break;
  }
  return r == 0;
}

bool RenderGray(const Surface& s, uint8_t* dst, int dstStride, int dw, int dh, RenderScratch& scratch,
                const libyuv::YuvConstants* k) {
  const int w = int(s.Width()), h = int(s.Height());
  const uint8_t* y = s.PlaneData(0);
  int ys = int(s.Plane(0).pitch);
  if (w != dw || h != dh) {
    const int st = Stride64(dw);
    uint8_t* b = scratch.scaled.Get(size_t(st) * dh);
    if (!b) return false;
    libyuv::ScalePlane(y, ys, w, h, b, st, dw, dh, FilterFor(w, h, dw, dh));
    y = b, ys = st;
  }
  return libyuv::I400ToARGBMatrix(y, ys, dst, dstStride, k, dw, dh) == 0;
}

// 10-bit grey: Y scaled alone, converted as 4:4:4 against one row of neutral
// chroma read again for every line (stride 0).
bool RenderGray10(const Surface& s, uint8_t* dst, int dstStride, int dw, int dh, RenderScratch& scratch,
                  const libyuv::YuvConstants* k) {
  const int w = int(s.Width()), h = int(s.Height());
  const uint16_t* y = Words(s, 0);
  int ys = WordPitch(s, 0);
  if (w != dw || h != dh) {
    const int st = Stride64(dw);
    auto* b = reinterpret_cast<uint16_t*>(scratch.scaled.Get(2 * size_t(st) * dh));
    if (!b) return false;
    libyuv::ScalePlane_16(y, ys, w, h, b, st, dw, dh, FilterFor(w, h, dw, dh));
    y = b, ys = st;
  }
  auto* grey = reinterpret_cast<uint16_t*>(scratch.row.Get(2 * size_t(dw)));
  if (!grey) return false;
  std::fill(grey, grey + dw, uint16_t(512));
  return Planar16ToARGB(YUV_GRAY10, {y, ys, grey, 0, grey, 0}, dw, dh, dst, dstStride, dw, dh, scratch.scaled, k);
}

// P010 and P016, read through their top 10 bits: taken apart into 10-bit
// planes and drawn as I010. (libyuv's direct P010 conversion keeps only 8 of
// the bits, a level off on average against ffmpeg.)
bool RenderP010(const Surface& s, uint8_t* dst, int dstStride, int dw, int dh, RenderScratch& scratch,
                const libyuv::YuvConstants* k) {
  const int w = int(s.Width()), h = int(s.Height());
  const uint16_t *y = Words(s, 0), *uv = Words(s, 1);
  const int ys = WordPitch(s, 0), uvs = WordPitch(s, 1);
  const int cw = (w + 1) / 2, ch = (h + 1) / 2;
  const int py = Stride64(w), pc = Stride64(cw);
  auto* b = reinterpret_cast<uint16_t*>(scratch.planar.Get(2 * (size_t(py) * h + 2 * size_t(pc) * ch)));
  if (!b) return false;
  uint16_t* iy = b;
  uint16_t* iu = iy + size_t(py) * h;
  uint16_t* iv = iu + size_t(pc) * ch;
  if (libyuv::P010ToI010(y, ys, uv, uvs, iy, py, iu, pc, iv, pc, w, h) != 0) return false;
  return Planar16ToARGB(YUV_I010, {iy, py, iu, pc, iv, pc}, w, h, dst, dstStride, dw, dh, scratch.scaled, k);
}

// v210: unpacked row by row into 10-bit 4:2:2 planes at the surface's size.
bool RenderV210(const Surface& s, uint8_t* dst, int dstStride, int dw, int dh, RenderScratch& scratch,
                const libyuv::YuvConstants* k) {
  const int w = int(s.Width()), h = int(s.Height());
  const int ys = Stride64(w), cs = Stride64((w + 1) / 2);
  auto* b = reinterpret_cast<uint16_t*>(scratch.planar.Get(2 * (size_t(ys) + 2 * size_t(cs)) * h));
  if (!b) return false;
  uint16_t* y = b;
  uint16_t* u = y + size_t(ys) * h;
  uint16_t* v = u + size_t(cs) * h;
  const V210RowFn unpack = BestV210Row();
  const uint8_t* row = s.PlaneData(0);
  for (int r = 0; r < h; ++r, row += s.Plane(0).pitch)
    unpack(row, y + size_t(ys) * r, u + size_t(cs) * r, v + size_t(cs) * r, w);
  return Planar16ToARGB(YUV_V210, {y, ys, u, cs, v, cs}, w, h, dst, dstStride, dw, dh, scratch.scaled, k);
}

}  // namespace

bool RenderDeep(const Surface& s, uint8_t* dst, int dstStride, int dw, int dh, RenderScratch& scratch,
                const libyuv::YuvConstants* k) {
  switch (s.Format()) {
    case YUV_GRAY: return RenderGray(s, dst, dstStride, dw, dh, scratch, k);
    case YUV_GRAY10: return RenderGray10(s, dst, dstStride, dw, dh, scratch, k);
    case YUV_P010:
    case YUV_P016: return RenderP010(s, dst, dstStride, dw, dh, scratch, k);
    case YUV_V210: return RenderV210(s, dst, dstStride, dw, dh, scratch, k);
    case YUV_I010:
    case YUV_I210:
    case YUV_I410:
    case YUV_I012: {
      const Planes16 p{Words(s, 0), WordPitch(s, 0), Words(s, 1), WordPitch(s, 1), Words(s, 2), WordPitch(s, 2)};
      return Planar16ToARGB(s.Format(), p, int(s.Width()), int(s.Height()), dst, dstStride, dw, dh, scratch.scaled,
                            k);
    }
    default: return false;
  }
}

}  // namespace corvane
