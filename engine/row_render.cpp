#include "engine/row_render.h"

#include "engine/deep_render.h"
#include "engine/device_common.h"
#include "engine/scale_kernels.h"
#include "formats/v210.h"

namespace corvane {

namespace {

using namespace device;

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

// v210 rows unpacked and rounded to 8-bit Y, U and V when first asked for,
// into a ring of four: each stored row holds all three planes' samples, so
// the three planes of the plan share one ring (and one unpacking a row).
struct V210Rows {
  const uint8_t* base = nullptr;
  int pitch = 0;
  int width = 0;
  uint8_t* ring = nullptr;  // four slots of SlotBytes(): Y, then U, then V
  int tags[4] = {-1, -1, -1, -1};

  static int YBytes(int w) { return Stride64(w); }
  static int CBytes(int w) { return Stride64(Half(w)); }
  static int SlotBytes(int w) { return YBytes(w) + 2 * CBytes(w); }
  // Plane `part` (0 Y, 1 U, 2 V) of stored row r.
  const uint8_t* Row(int r, int part) {
    uint8_t* slot = ring + size_t(r & 3) * size_t(SlotBytes(width));
    if (tags[r & 3] != r) {
      static const V210Row8Fn unpack = BestV210RowTo8();
      unpack(base + size_t(pitch) * size_t(r), slot, slot + YBytes(width), slot + YBytes(width) + CBytes(width),
             width);
      tags[r & 3] = r;
    }
    return part == 0 ? slot : slot + YBytes(width) + (part - 1) * CBytes(width);
  }
};

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
  V210Rows* v210 = nullptr;  // v210: the rows of all three planes
  int v210Part = 0;          // v210: 0 Y, 1 U, 2 V

  const uint8_t* Row(int r) const {
    if (v210) return v210->Row(r, v210Part);
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
  bool v210 = false;    // planar 4:2:2 rows unpacked from v210's words
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
    case YUV_V210:
      p.layout = Layout::kPlanar;
      p.sub = Sub::k422;
      p.v210 = true;
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
  if (IsAddedType(s.Format()) && BitDepthOf(s.Format()) > 8 && !p.v210) {
    // 16-bit words; P010 and P016 keep their data at the top.
    const int shift = s.Format() == YUV_P010 || s.Format() == YUV_P016 ? 8 : BitDepthOf(s.Format()) - 8;
    p.luma.shift = p.cb.shift = p.cr.shift = shift;
    p.luma.samples = p.w;
    p.cb.samples = p.layout == Layout::kSemiPlanar ? 2 * p.cw : p.cw;
    p.cr.samples = p.cw;
  }
  return p;
}

// Gives the deep planes of the plan their rings of rounded rows (v210's
// planes the one ring `v210`, which must outlive the render).
bool GiveRings(RowPlan& p, ScratchBuffer& rings, V210Rows& v210) {
  if (p.v210) {
    v210.base = p.luma.base;
    v210.pitch = p.luma.pitch;
    v210.width = p.w;
    v210.ring = rings.Get(4 * size_t(V210Rows::SlotBytes(p.w)));
    if (!v210.ring) return false;
    p.luma.v210 = p.cb.v210 = p.cr.v210 = &v210;
    p.cb.v210Part = 1;
    p.cr.v210Part = 2;
    return true;
  }
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
                const YuvCoefficients& yuv, const RenderStop& stop) {
  V210Rows v210;
  if (!GiveRings(p, rings, v210)) return false;
  const scale::Kernels& k = scale::BestKernels();
  const std::optional<RowBuffers> b = MakeRowBuffers(p, scratch);
  if (!b) return false;
  OutputRow o;
  int chromaRow = -1;
  const YuvRow8Fn convert = BestYuvRow8();
  for (int y = 0; y < p.dh; ++y) {
    // Each output row reads up to three input rows (six of a 3:1 deep
    // frame's): ask every 16 rows whether to stop.
    if (y % 16 == 0 && stop.Requested()) return false;
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
    convert(o.y, o.u, o.v, p.sub == Sub::k444 ? 1 : 2, out, p.dw, yuv);
  }
  return true;
}

}  // namespace

std::optional<bool> RenderRowByRow(const Surface& s, uint8_t* dst, int dstStride, int dw, int dh,
                                   RenderScratch& scratch, const YuvCoefficients& k) {
  const std::optional<RowPlan> plan = PlanRows(s, dw, dh);
  if (!plan) return std::nullopt;
  return RenderRows(*plan, dst, dstStride, scratch.scaled, scratch.row, k, scratch.stop);
}

}  // namespace corvane
