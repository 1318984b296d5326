#include "analysis/scopes.h"

#include <algorithm>
#include <cmath>

namespace corvane::analysis {

namespace {

// Kr and Kb of each matrix (ITU-R BT.601, BT.709, BT.2020).
struct Luma {
  double kr, kb;
};
Luma LumaOf(YuvMatrix m) {
  switch (m) {
    case YuvMatrix::kBt709: return {0.2126, 0.0722};
    case YuvMatrix::kBt2020: return {0.2627, 0.0593};
    case YuvMatrix::kBt601: break;
  }
  return {0.299, 0.114};
}

// Y, U and V of normalised R'G'B' (0..1) as 8-bit code values, unrounded:
// limited range puts Y on 16..235 and U, V on 16..240; full range on 0..255.
struct YuvD {
  double y, u, v;
};
YuvD Encode(double r, double g, double b, ColourSpace colour) {
  const Luma k = LumaOf(colour.matrix);
  const double y = k.kr * r + (1 - k.kr - k.kb) * g + k.kb * b;
  const double cb = (b - y) / (2 * (1 - k.kb)), cr = (r - y) / (2 * (1 - k.kr));
  if (colour.range == YuvRange::kFull) return {255 * y, 128 + 255 * cb, 128 + 255 * cr};
  return {16 + 219 * y, 128 + 224 * cb, 128 + 224 * cr};
}

// An RGB frame's Y, U, V through 16.16 tables: nine lookups a pixel.
class RgbReader {
 public:
  explicit RgbReader(ColourSpace colour) {
    for (int c = 0; c < 256; ++c)
      for (int ch = 0; ch < 3; ++ch) {
        const double x = c / 255.0;
        const YuvD one = Encode(ch == 0 ? x : 0, ch == 1 ? x : 0, ch == 2 ? x : 0, colour);
        const YuvD zero = Encode(0, 0, 0, colour);
        // Each channel's share; the offsets (16, 128) go in with the red one.
        const double base[3] = {ch == 0 ? zero.y : 0, ch == 0 ? zero.u : 0, ch == 0 ? zero.v : 0};
        m_table[0][ch][c] = int32_t(std::lround((one.y - zero.y + base[0]) * 65536));
        m_table[1][ch][c] = int32_t(std::lround((one.u - zero.u + base[1]) * 65536));
        m_table[2][ch][c] = int32_t(std::lround((one.v - zero.v + base[2]) * 65536));
      }
  }
  int Component(int which, uint8_t r, uint8_t g, uint8_t b) const {
    const int32_t sum = m_table[which][0][r] + m_table[which][1][g] + m_table[which][2][b] + 32768;
    return std::clamp(sum >> 16, 0, 255);
  }

 private:
  int32_t m_table[3][3][256];  // [Y, U, V][R, G, B][code]
};

template <class T>
const T* Row(const PlaneView& p, uint32_t y) {
  return reinterpret_cast<const T*>(p.data + ptrdiff_t(y) * p.stride);
}

// The bin (or level) of a sample: clamped to the depth's range first, so
// stray high bits in a deep file count at the top.
struct Binning {
  unsigned peak;
  int shift;
  unsigned operator()(unsigned v) const { return std::min(v, peak) >> shift; }
};

template <class T>
void CountPlane(const PlaneView& p, Binning bin, uint32_t* counts) {
  for (uint32_t y = 0; y < p.height; ++y) {
    const T* row = Row<T>(p, y);
    if constexpr (sizeof(T) == 1) {
      for (uint32_t x = 0; x < p.width; ++x) ++counts[row[x]];
    } else {
      for (uint32_t x = 0; x < p.width; ++x) ++counts[bin(row[x])];
    }
  }
}

// Column of the waveform for each sample column of a plane `width` wide.
std::vector<uint32_t> ColumnMap(uint32_t width, uint32_t columns) {
  std::vector<uint32_t> map(width);
  for (uint32_t x = 0; x < width; ++x) map[x] = uint32_t(uint64_t(x) * columns / width) * Waveform::kLevels;
  return map;
}

template <class T>
void WavePlane(const PlaneView& p, Binning level, uint32_t columns, uint32_t* counts) {
  if (p.width == 0) return;
  const std::vector<uint32_t> at = ColumnMap(p.width, columns);
  for (uint32_t y = 0; y < p.height; ++y) {
    const T* row = Row<T>(p, y);
    for (uint32_t x = 0; x < p.width; ++x) ++counts[at[x] + level(row[x])];
  }
}

template <class T>
void VectorPlanes(const PlaneView& u, const PlaneView& v, Binning level, uint32_t* counts) {
  const uint32_t w = std::min(u.width, v.width), h = std::min(u.height, v.height);
  for (uint32_t y = 0; y < h; ++y) {
    const T* ru = Row<T>(u, y);
    const T* rv = Row<T>(v, y);
    for (uint32_t x = 0; x < w; ++x) ++counts[level(rv[x]) * Vectorscope::kSide + level(ru[x])];
  }
}

// The component view: the planes it hides read as a row of the neutral
// code, repeated (stride 0).
PlanarFrame WithComponent(PlanarFrame frame, uint32_t component, std::vector<uint16_t>* neutral) {
  if (component == 0 || component > 3 || frame.sampling == Sampling::kRgb) return frame;
  uint32_t widest = 0;
  for (int i = 0; i < frame.planeCount; ++i) widest = std::max(widest, frame.planes[size_t(i)].width);
  const unsigned mid = 1u << (frame.depth - 1);
  neutral->assign(widest, uint16_t(frame.Deep() ? mid : (mid | mid << 8)));  // 8-bit: two samples a word
  for (int i = 0; i < frame.planeCount; ++i) {
    if (uint32_t(i) + 1 == component) continue;
    frame.planes[size_t(i)].data = reinterpret_cast<const uint8_t*>(neutral->data());
    frame.planes[size_t(i)].stride = 0;
  }
  return frame;
}

void ComputeHistogram(const PlanarFrame& f, Histogram* h) {
  h->channels = f.planeCount;
  h->rgb = f.sampling == Sampling::kRgb;
  h->depth = f.depth;
  h->shift = std::max(0, f.depth - Histogram::kMaxBinBits);
  h->bins = 1u << (f.depth - h->shift);
  const Binning bin{f.Peak(), h->shift};
  for (int i = 0; i < f.planeCount; ++i) {
    std::vector<uint32_t>& c = h->counts[size_t(i)];
    c.assign(h->bins, 0);
    if (f.Deep())
      CountPlane<uint16_t>(f.planes[size_t(i)], bin, c.data());
    else
      CountPlane<uint8_t>(f.planes[size_t(i)], bin, c.data());
  }
}

// An RGB frame's Y (which 0), U (1) or V (2) as an 8-bit plane.
PlaneView RgbComponent(const PlanarFrame& f, const RgbReader& reader, int which, std::vector<uint8_t>* out) {
  const PlaneView& r = f.planes[0];
  out->resize(size_t(r.width) * r.height);
  for (uint32_t y = 0; y < r.height; ++y) {
    const uint8_t* R = Row<uint8_t>(f.planes[0], y);
    const uint8_t* G = Row<uint8_t>(f.planes[1], y);
    const uint8_t* B = Row<uint8_t>(f.planes[2], y);
    uint8_t* d = out->data() + size_t(y) * r.width;
    for (uint32_t x = 0; x < r.width; ++x) d[x] = uint8_t(reader.Component(which, R[x], G[x], B[x]));
  }
  return PlaneView{out->data(), ptrdiff_t(r.width), r.width, r.height};
}

void ComputeWaveform(const PlanarFrame& f, const ScopeOptions& o, const RgbReader* rgb, Waveform* w) {
  const bool parade = o.waveformMode == WaveformMode::kParade && f.planeCount == 3;
  w->planes = parade ? 3 : 1;
  w->rgb = parade && f.sampling == Sampling::kRgb;
  w->depth = rgb ? 8 : f.depth;
  uint32_t narrowest = f.planes[0].width;
  if (parade)
    for (int i = 1; i < 3; ++i) narrowest = std::min(narrowest, f.planes[size_t(i)].width);
  const uint32_t limit = std::max<uint32_t>(1, parade ? o.waveformColumns / 3 : o.waveformColumns);
  w->columns = std::max<uint32_t>(1, std::min(narrowest, limit));
  w->counts.assign(size_t(w->planes) * w->columns * Waveform::kLevels, 0);
  const Binning level{f.Peak(), f.depth - 8};
  std::vector<uint8_t> luma;
  for (int i = 0; i < w->planes; ++i) {
    uint32_t* counts = w->counts.data() + size_t(i) * w->columns * Waveform::kLevels;
    PlaneView p = f.planes[size_t(i)];
    if (rgb && !parade) p = RgbComponent(f, *rgb, 0, &luma);
    if (f.Deep())
      WavePlane<uint16_t>(p, level, w->columns, counts);
    else
      WavePlane<uint8_t>(p, {255, 0}, w->columns, counts);
  }
}

void ComputeVectorscope(const PlanarFrame& f, const RgbReader* rgb, Vectorscope* v) {
  v->counts.clear();
  v->total = 0;
  if (f.planeCount < 3) return;
  v->counts.assign(size_t(Vectorscope::kSide) * Vectorscope::kSide, 0);
  if (rgb) {
    std::vector<uint8_t> u8, v8;
    const PlaneView u = RgbComponent(f, *rgb, 1, &u8), vv = RgbComponent(f, *rgb, 2, &v8);
    VectorPlanes<uint8_t>(u, vv, {255, 0}, v->counts.data());
  } else if (f.Deep()) {
    VectorPlanes<uint16_t>(f.planes[1], f.planes[2], {f.Peak(), f.depth - 8}, v->counts.data());
  } else {
    VectorPlanes<uint8_t>(f.planes[1], f.planes[2], {255, 0}, v->counts.data());
  }
  v->total =
      uint64_t(std::min(f.planes[1].width, f.planes[2].width)) * std::min(f.planes[1].height, f.planes[2].height);
}

}  // namespace

PlanarFrame CropPlanar(const PlanarFrame& frame, const ScopeRegion& region) {
  PlanarFrame out = frame;
  const uint32_t W = frame.planes[0].width, H = frame.planes[0].height;
  const uint32_t x0 = std::min(region.x, W), y0 = std::min(region.y, H);
  const uint32_t x1 = uint32_t(std::min<uint64_t>(uint64_t(region.x) + region.width, W));
  const uint32_t y1 = uint32_t(std::min<uint64_t>(uint64_t(region.y) + region.height, H));
  const size_t bytes = frame.Deep() ? 2 : 1;
  for (int i = 0; i < frame.planeCount; ++i) {
    PlaneView& p = out.planes[size_t(i)];
    // Subsampled planes are half as wide (or high) as luma, rounded either way.
    const uint32_t sx = p.width < W ? 2 : 1, sy = p.height < H ? 2 : 1;
    const uint32_t cx0 = std::min(x0 / sx, p.width), cy0 = std::min(y0 / sy, p.height);
    const uint32_t cx1 = std::min((x1 + sx - 1) / sx, p.width), cy1 = std::min((y1 + sy - 1) / sy, p.height);
    p.data += ptrdiff_t(cy0) * p.stride + ptrdiff_t(cx0 * bytes);
    p.width = x1 > x0 ? cx1 - cx0 : 0;
    p.height = y1 > y0 ? cy1 - cy0 : 0;
  }
  return out;
}

Scopes ComputeScopes(const PlanarFrame& frame, const ScopeOptions& options) {
  std::vector<uint16_t> neutral;
  PlanarFrame f = WithComponent(frame, options.component, &neutral);
  if (options.region) f = CropPlanar(f, *options.region);
  Scopes s;
  s.width = f.planes[0].width;
  s.height = f.planes[0].height;
  std::optional<RgbReader> rgb;
  if (f.sampling == Sampling::kRgb && (options.waveform || options.vectorscope)) rgb.emplace(options.colour);
  if (options.histogram) ComputeHistogram(f, &s.histogram);
  if (options.waveform) ComputeWaveform(f, options, rgb ? &*rgb : nullptr, &s.waveform);
  if (options.vectorscope) ComputeVectorscope(f, rgb ? &*rgb : nullptr, &s.vectorscope);
  return s;
}

std::array<BarTarget, 6> BarTargets(ColourSpace colour) {
  struct Bar {
    const char* name;
    double r, g, b;
  };
  static constexpr Bar kBars[6] = {{"yellow", 1, 1, 0}, {"cyan", 0, 1, 1}, {"green", 0, 1, 0},
                                   {"magenta", 1, 0, 1}, {"red", 1, 0, 0},  {"blue", 0, 0, 1}};
  std::array<BarTarget, 6> out{};
  for (size_t i = 0; i < 6; ++i) {
    const YuvD e = Encode(0.75 * kBars[i].r, 0.75 * kBars[i].g, 0.75 * kBars[i].b, colour);
    out[i] = {kBars[i].name, e.u, e.v};
  }
  return out;
}

Yuv8 RgbToYuv8(int r, int g, int b, ColourSpace colour) {
  const YuvD e = Encode(r / 255.0, g / 255.0, b / 255.0, colour);
  auto code = [](double x) { return std::clamp(int(std::lround(x)), 0, 255); };
  return {code(e.y), code(e.u), code(e.v)};
}

}  // namespace corvane::analysis
