#include "engine/surface_device.h"

#include <libyuv.h>

#include "engine/deep_render.h"
#include "engine/scale_kernels.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace corvane {

void ScratchBuffer::Free::operator()(uint8_t* p) const { std::free(p); }

uint8_t* ScratchBuffer::Get(size_t bytes) {
  bytes = (bytes + 63) & ~size_t(63);
  if (bytes == 0) bytes = 64;
  if (bytes > m_nSize) {
    m_p.reset();
    m_nSize = 0;
    auto* p = static_cast<uint8_t*>(std::aligned_alloc(64, bytes));
    if (!p) return nullptr;
    m_p.reset(p);
    m_nSize = bytes;
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

// Planes of one picture: pointers and strides.
struct Planes {
  const uint8_t* y;
  int ys;
  const uint8_t* u;
  int us;
  const uint8_t* v;
  int vs;
};

int Half(int n) { return (n + 1) / 2; }
int Stride64(int n) { return (n + 63) & ~63; }

libyuv::FilterMode FilterFor(int sw, int sh, int dw, int dh) {
  // Bilinear is the peer's filter class and is exact enough down to half
  // size; below that it skips source rows, so a box filter averages them.
  if (dw * 2 <= sw || dh * 2 <= sh) return libyuv::kFilterBox;
  return libyuv::kFilterBilinear;
}

// Chroma subsampling of a planar picture.
enum class Sub { k420, k422, k444 };
Sub PlanarSub(YUVType t) {
  if (t == YUV_YV16 || t == YUV_I210) return Sub::k422;
  return t == YUV_I444 || t == YUV_I410 ? Sub::k444 : Sub::k420;
}

int ChromaW(Sub s, int w) { return s == Sub::k444 ? w : Half(w); }
int ChromaH(Sub s, int h) { return s == Sub::k420 ? Half(h) : h; }

// Converts planes of w × h (optionally scaling them to dw × dh first).
bool PlanarToARGB(Sub sub, const Planes& p, int w, int h, uint8_t* dst, int dstStride, int dw, int dh,
                  ScratchBuffer& scaled, const libyuv::YuvConstants* k) {
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
  int r = 0;
  switch (sub) {
    case Sub::k420: r = libyuv::I420ToARGBMatrix(q.y, q.ys, q.u, q.us, q.v, q.vs, dst, dstStride, k, dw, dh); break;
    case Sub::k422: r = libyuv::I422ToARGBMatrix(q.y, q.ys, q.u, q.us, q.v, q.vs, dst, dstStride, k, dw, dh); break;
    case Sub::k444: r = libyuv::I444ToARGBMatrix(q.y, q.ys, q.u, q.us, q.v, q.vs, dst, dstStride, k, dw, dh); break;
  }
  return r == 0;
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

// ---- Shrinking by a common ratio, row by row ---------------------------------
//
// When every plane of a YUV surface shrinks by 1:1, 3:2, 2:1 or 3:1 in each
// direction, the device makes the picture one output row at a time: the input
// rows that row needs are blended vertically (in the surface's own layout:
// packed and interleaved rows blend byte by byte like planes), split into
// Y, U and V, shrunk horizontally and converted straight into the picture.
// Nothing the size of a plane is written in between, so the surface is read
// once and the picture written once, and the intermediate rows stay in cache.

enum class Layout { kPlanar, kSemiPlanar, kPacked422, kPacked444 };

// One plane of the surface as rows in display order. A plane of 16-bit
// samples (deep formats) gives each row rounded to 8 bits when it is first
// asked for, into a ring of four rows: the taps of one output row and the
// chroma row two output rows share stay valid, and no 8-bit copy of the
// whole plane is ever written.
struct PlaneRows {
  const uint8_t* base = nullptr;
  int pitch = 0;
  int rows = 0;
  bool fieldOrder = false;  // IUYV: even lines first, then odd lines
  int shift = 0;            // deep: right shift to 8 bits (0: 8-bit rows read in place)
  int samples = 0;          // deep: samples a row
  uint8_t* ring = nullptr;  // deep: four rows of Stride64(samples) bytes
  mutable int tags[4] = {-1, -1, -1, -1};

  const uint8_t* Row(int r) const {
    if (fieldOrder) r = int(IUYVStoredRow(uint32_t(r), uint32_t(rows)));
    const uint8_t* stored = base + size_t(pitch) * size_t(r);
    if (shift == 0) return stored;
    uint8_t* out = ring + size_t(r & 3) * size_t(Stride64(samples));
    if (tags[r & 3] != r) {
      RoundSamplesTo8(reinterpret_cast<const uint16_t*>(stored), out, samples, shift);
      tags[r & 3] = r;
    }
    return out;
  }
  // Output row y of ratio r, n bytes, into tmp (or the surface row itself).
  const uint8_t* Vertical(const scale::Kernels& k, scale::Ratio r, int y, uint8_t* tmp, int n) const {
    const scale::VTaps t = scale::VerticalTaps(r, y);
    const uint8_t* in[3] = {Row(t.first), nullptr, nullptr};
    for (int i = 1; i < t.count; ++i) in[i] = Row(t.first + i);
    return scale::VerticalRow(k, r, y, in, tmp, n);
  }
};

struct RowPlan {
  Layout layout;
  Sub sub;
  bool swapUV = false;  // YVYU read as YUY2, NV21 as NV12
  bool uyvy = false;    // UYVY and IUYV byte order
  PlaneRows luma, cb, cr;  // packed: luma only; semi-planar: cb holds the pairs
  int w, h, cw, ch, dw, dh, dcw, dch;
  scale::Ratio rxY, ryY, rxC, ryC;
};

// The plan for rendering s at dw × dh row by row, when its ratios allow it.
std::optional<RowPlan> PlanRows(const Surface& s, int dw, int dh) {
  RowPlan p{};
  p.w = int(s.Width());
  p.h = int(s.Height());
  if (p.w == dw && p.h == dh) return std::nullopt;  // the unscaled path converts directly
  const uint8_t* p0 = s.PlaneData(0);
  const int pitch = int(s.Plane(0).pitch);
  switch (s.Format()) {
    case YUV_YV12:
    case YUV_IYUV:
    case YUV_YV16:
    case YUV_I444:
    case YUV_I010:
    case YUV_I012:
    case YUV_I210:
    case YUV_I410: {
      const ChromaPlanes cp = ChromaPlanesOf(s.Format());
      p.layout = Layout::kPlanar;
      p.sub = PlanarSub(s.Format());
      p.cb = {s.PlaneData(cp.u), int(s.Plane(cp.u).pitch), ChromaH(p.sub, p.h)};
      p.cr = {s.PlaneData(cp.v), int(s.Plane(cp.v).pitch), ChromaH(p.sub, p.h)};
      break;
    }
    case YUV_NV12:
    case YUV_NV16:
    case YUV_NV21:
    case YUV_P010:
    case YUV_P016:
      p.layout = Layout::kSemiPlanar;
      p.sub = s.Format() == YUV_NV16 ? Sub::k422 : Sub::k420;
      p.swapUV = s.Format() == YUV_NV21;
      p.cb = {s.PlaneData(1), int(s.Plane(1).pitch), ChromaH(p.sub, p.h)};
      break;
    case YUV_YUYV:
    case YUV_YVYU:
    case YUV_UYVY:
    case YUV_IUYV:
      p.layout = Layout::kPacked422;
      p.sub = Sub::k422;
      p.swapUV = s.Format() == YUV_YVYU;
      p.uyvy = s.Format() == YUV_UYVY || s.Format() == YUV_IUYV;
      break;
    case YUV_IYU2:
      p.layout = Layout::kPacked444;
      p.sub = Sub::k444;
      break;
    default:
      return std::nullopt;
  }
  p.luma = {p0, pitch, p.h, s.Format() == YUV_IUYV};
  p.dw = dw;
  p.dh = dh;
  p.cw = ChromaW(p.sub, p.w);
  p.ch = ChromaH(p.sub, p.h);
  p.dcw = ChromaW(p.sub, dw);
  p.dch = ChromaH(p.sub, dh);
  const auto rxY = scale::RatioFor(p.w, dw), ryY = scale::RatioFor(p.h, dh);
  const auto rxC = scale::RatioFor(p.cw, p.dcw), ryC = scale::RatioFor(p.ch, p.dch);
  if (!rxY || !ryY || !rxC || !ryC) return std::nullopt;
  p.rxY = *rxY;
  p.ryY = *ryY;
  p.rxC = *rxC;
  p.ryC = *ryC;
  if (IsAddedType(s.Format()) && BitDepthOf(s.Format()) > 8) {
    // 16-bit words; P010 and P016 keep their data at the top.
    const int shift = s.Format() == YUV_P010 || s.Format() == YUV_P016 ? 8 : BitDepthOf(s.Format()) - 8;
    p.luma.shift = p.cb.shift = p.cr.shift = shift;
    p.luma.samples = p.w;
    p.cb.samples = p.layout == Layout::kSemiPlanar ? 2 * p.cw : p.cw;
    p.cr.samples = p.cw;
  }
  return p;
}

// Gives the deep planes of the plan their rings of rounded rows.
bool GiveRings(RowPlan& p, ScratchBuffer& rings) {
  if (p.luma.shift == 0) return true;
  PlaneRows* planes[] = {&p.luma, &p.cb, &p.cr};
  size_t total = 0;
  for (PlaneRows* pl : planes) total += 4 * size_t(Stride64(pl->samples));
  uint8_t* b = rings.Get(total);
  if (!b) return false;
  for (PlaneRows* pl : planes) {
    pl->ring = b;
    b += 4 * size_t(Stride64(pl->samples));
  }
  return true;
}

// The intermediate rows of one row-by-row render, carved from one scratch
// allocation, each 64-byte aligned.
struct RowBuffers {
  uint8_t *vtmp, *cbTmp, *crTmp;  // vertical blends: packed or luma, then chroma
  uint8_t *yIn, *uIn, *vIn;       // a row split into Y, U, V at the surface's width
  uint8_t *yOut, *uOut, *vOut;    // the same at the destination width
};

// Bytes of one stored row of a packed surface (whole pixel pairs).
int PackedRowBytes(const RowPlan& p) { return p.layout == Layout::kPacked444 ? 3 * p.w : 4 * p.cw; }
bool IsPacked(const RowPlan& p) { return p.layout == Layout::kPacked422 || p.layout == Layout::kPacked444; }

std::optional<RowBuffers> MakeRowBuffers(const RowPlan& p, ScratchBuffer& scratch) {
  const int chromaBytes = p.layout == Layout::kSemiPlanar ? 2 * p.cw : p.cw;
  const int vBytes = IsPacked(p) ? PackedRowBytes(p) : p.w;
  // Chroma rows get their own vertical rows: a 4:2:0 chroma row serves two
  // output rows, and the luma row of the second must not overwrite it.
  const size_t sizes[] = {size_t(vBytes), size_t(chromaBytes), size_t(p.cw), size_t(p.w), size_t(p.cw),
                          size_t(p.cw),   size_t(p.dw),        size_t(p.dcw), size_t(p.dcw)};
  constexpr size_t kRows = sizeof(sizes) / sizeof(sizes[0]);
  size_t total = 0;
  for (size_t n : sizes) total += size_t(Stride64(int(n)));
  uint8_t* b = scratch.Get(total);
  if (!b) return std::nullopt;
  uint8_t* rows[kRows];
  for (size_t i = 0; i < kRows; ++i) {
    rows[i] = b;
    b += Stride64(int(sizes[i]));
  }
  return RowBuffers{rows[0], rows[1], rows[2], rows[3], rows[4], rows[5], rows[6], rows[7], rows[8]};
}

// Destination-width Y, U and V of output row y.
struct OutputRow {
  const uint8_t *y = nullptr, *u = nullptr, *v = nullptr;
};

// Packed surfaces: the blended row split into Y, U, V, then shrunk.
void PackedOutputRow(const scale::Kernels& k, const RowPlan& p, int y, const RowBuffers& b, OutputRow& o) {
  const uint8_t* row = p.luma.Vertical(k, p.ryY, y, b.vtmp, PackedRowBytes(p));
  if (p.layout == Layout::kPacked444)  // U Y V per pixel
    libyuv::SplitRGBPlane(row, 0, b.uIn, 0, b.yIn, 0, b.vIn, 0, p.w, 1);
  else if (p.uyvy)
    libyuv::UYVYToI422(row, 0, b.yIn, 0, b.uIn, 0, b.vIn, 0, p.w, 1);
  else if (p.swapUV)
    libyuv::YUY2ToI422(row, 0, b.yIn, 0, b.vIn, 0, b.uIn, 0, p.w, 1);
  else
    libyuv::YUY2ToI422(row, 0, b.yIn, 0, b.uIn, 0, b.vIn, 0, p.w, 1);
  o.y = scale::HorizontalRow(k, p.rxY, b.yIn, b.yOut, p.dw);
  o.u = scale::HorizontalRow(k, p.rxC, b.uIn, b.uOut, p.dcw);
  o.v = scale::HorizontalRow(k, p.rxC, b.vIn, b.vOut, p.dcw);
}

// Planar and semi-planar surfaces: chroma row cy, shrunk into o.u and o.v.
void ChromaOutputRow(const scale::Kernels& k, const RowPlan& p, int cy, const RowBuffers& b, OutputRow& o) {
  if (p.layout == Layout::kSemiPlanar) {
    const uint8_t* uv = p.cb.Vertical(k, p.ryC, cy, b.cbTmp, 2 * p.cw);
    libyuv::SplitUVPlane(uv, 0, p.swapUV ? b.vIn : b.uIn, 0, p.swapUV ? b.uIn : b.vIn, 0, p.cw, 1);
    o.u = scale::HorizontalRow(k, p.rxC, b.uIn, b.uOut, p.dcw);
    o.v = scale::HorizontalRow(k, p.rxC, b.vIn, b.vOut, p.dcw);
  } else {
    o.u = scale::HorizontalRow(k, p.rxC, p.cb.Vertical(k, p.ryC, cy, b.cbTmp, p.cw), b.uOut, p.dcw);
    o.v = scale::HorizontalRow(k, p.rxC, p.cr.Vertical(k, p.ryC, cy, b.crTmp, p.cw), b.vOut, p.dcw);
  }
}

bool RenderRows(RowPlan p, uint8_t* dst, int dstStride, ScratchBuffer& scratch, ScratchBuffer& rings,
                const libyuv::YuvConstants* yuv) {
  if (!GiveRings(p, rings)) return false;
  const scale::Kernels& k = scale::BestKernels();
  const std::optional<RowBuffers> b = MakeRowBuffers(p, scratch);
  if (!b) return false;
  OutputRow o;
  int chromaRow = -1;
  for (int y = 0; y < p.dh; ++y) {
    uint8_t* out = dst + size_t(dstStride) * size_t(y);
    if (IsPacked(p)) {
      PackedOutputRow(k, p, y, *b, o);
    } else {
      o.y = scale::HorizontalRow(k, p.rxY, p.luma.Vertical(k, p.ryY, y, b->vtmp, p.w), b->yOut, p.dw);
      // 4:2:0 output rows share their chroma row in pairs.
      const int cy = p.sub == Sub::k420 ? y / 2 : y;
      if (cy != chromaRow) {
        chromaRow = cy;
        ChromaOutputRow(k, p, cy, *b, o);
      }
    }
    const int r = p.sub == Sub::k444 ? libyuv::I444ToARGBMatrix(o.y, 0, o.u, 0, o.v, 0, out, dstStride, yuv, p.dw, 1)
                                     : libyuv::I422ToARGBMatrix(o.y, 0, o.u, 0, o.v, 0, out, dstStride, yuv, p.dw, 1);
    if (r != 0) return false;
  }
  return true;
}

// The rest convert the whole surface at once (scaled, when at all, by libyuv).

// YV12, IYUV, YV16 and I444: their chroma planes in U, V order.
bool RenderPlanar(const Surface& s, uint8_t* dst, int dstStride, int dw, int dh, RenderScratch& scratch,
                  const libyuv::YuvConstants* k) {
  const ChromaPlanes cp = ChromaPlanesOf(s.Format());
  const Planes p{s.PlaneData(0),     int(s.Plane(0).pitch),     s.PlaneData(cp.u),
                 int(s.Plane(cp.u).pitch), s.PlaneData(cp.v), int(s.Plane(cp.v).pitch)};
  return PlanarToARGB(PlanarSub(s.Format()), p, int(s.Width()), int(s.Height()), dst, dstStride, dw, dh,
                      scratch.scaled, k);
}

// NV12 and NV21 (the same scaling: pairs are scaled as pairs).
bool RenderNV12(const Surface& s, uint8_t* dst, int dstStride, int dw, int dh, RenderScratch& scratch,
                const libyuv::YuvConstants* k) {
  const int w = int(s.Width()), h = int(s.Height()), pitch = int(s.Plane(0).pitch);
  const int uvPitch = int(s.Plane(1).pitch);
  const uint8_t *y = s.PlaneData(0), *uv = s.PlaneData(1);
  const auto convert = s.Format() == YUV_NV21 ? libyuv::NV21ToARGBMatrix : libyuv::NV12ToARGBMatrix;
  if (w == dw && h == dh) return convert(y, pitch, uv, uvPitch, dst, dstStride, k, dw, dh) == 0;
  const int ys = Stride64(dw), cs = Stride64(2 * Half(dw));
  uint8_t* b = scratch.scaled.Get(size_t(ys) * dh + size_t(cs) * Half(dh));
  if (!b) return false;
  uint8_t* sy = b;
  uint8_t* suv = b + size_t(ys) * dh;
  if (libyuv::NV12Scale(y, pitch, uv, uvPitch, w, h, sy, ys, suv, cs, dw, dh, FilterFor(w, h, dw, dh)) != 0)
    return false;
  return convert(sy, ys, suv, cs, dst, dstStride, k, dw, dh) == 0;
}

bool RenderNV16(const Surface& s, uint8_t* dst, int dstStride, int dw, int dh, RenderScratch& scratch,
                const libyuv::YuvConstants* k) {
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
                     const libyuv::YuvConstants* k) {
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
                const libyuv::YuvConstants* k) {
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
  const libyuv::YuvConstants* k = YuvConstantsFor(colour);
  if (const std::optional<RowPlan> plan = PlanRows(s, dw, dh))
    return RenderRows(*plan, dst, dstStride, scratch.scaled, scratch.row, k);
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
