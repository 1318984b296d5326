#include "analysis/signal_stats.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>

namespace corvane::analysis {

namespace {

struct StatInfo {
  const char* name;
  bool integer;
};
// In StatId's order, which is ffmpeg's.
constexpr std::array<StatInfo, kStatCount> kStats{{
    {"YMIN", true},      {"YLOW", true},      {"YAVG", false},     {"YHIGH", true},   {"YMAX", true},
    {"UMIN", true},      {"ULOW", true},      {"UAVG", false},     {"UHIGH", true},   {"UMAX", true},
    {"VMIN", true},      {"VLOW", true},      {"VAVG", false},     {"VHIGH", true},   {"VMAX", true},
    {"SATMIN", true},    {"SATLOW", true},    {"SATAVG", false},   {"SATHIGH", true}, {"SATMAX", true},
    {"HUEMED", true},    {"HUEAVG", false},   {"YDIF", false},     {"UDIF", false},   {"VDIF", false},
    {"YBITDEPTH", true}, {"UBITDEPTH", true}, {"VBITDEPTH", true}, {"TOUT", false},   {"VREP", false},
    {"BRNG", false},
}};

// The floored hue before ffmpeg reduces it modulo 360: 0 .. 360. Written
// as ffmpeg writes it: (180.f / M_PI) is a double, the product and sum are
// doubles, floorf narrows the sum to float first. (No fused multiply-add:
// this file is built for the baseline instruction set.)
float UnreducedHue(float du, float dv) {
  return floorf((180.f / std::numbers::pi) * atan2f(du, dv) + 180.f);
}

int Reduced(float unreduced) { return int(fmodf(unreduced, 360.f)); }

// Hue and saturation of every 8-bit (U, V) pair, from ffmpeg's expressions.
struct ChromaTable8 {
  std::array<uint16_t, 65536> hue;
  std::array<uint8_t, 65536> sat;
  ChromaTable8() {
    for (int u = 0; u < 256; ++u)
      for (int v = 0; v < 256; ++v) {
        hue[size_t(u << 8 | v)] = uint16_t(FfmpegHue(float(u - 128), float(v - 128)));
        sat[size_t(u << 8 | v)] = uint8_t(hypotf(float(u - 128), float(v - 128)));
      }
  }
};

const ChromaTable8& Table8() {
  static const ChromaTable8 table;
  return table;
}

const DeepHueTable& DeepTable() {
  static const DeepHueTable table;
  return table;
}

constexpr int Abs(int v) { return v < 0 ? -v : v; }

// The rounded count at p % of n samples, as ffmpeg's lrint(n * p / 100.).
long PercentOf(int64_t n, int p) { return std::lrint(double(n * p) / 100.); }

// MIN, LOW, HIGH, MAX and the sum of a histogram of n samples, ffmpeg's walk.
struct Summary {
  int min = -1, low = -1, high = -1, max = -1;
  uint64_t total = 0;
};
Summary Summarise(const uint32_t* hist, size_t size, int64_t n) {
  const long lowAt = PercentOf(n, 10), highAt = PercentOf(n, 90);
  Summary s;
  int64_t acc = 0;
  for (size_t i = 0; i < size; ++i) {
    const int v = int(i);
    if (hist[i]) {
      if (s.min < 0) s.min = v;
      s.max = v;
    }
    s.total += uint64_t(hist[i]) * i;
    acc += hist[i];
    if (s.low == -1 && acc >= lowAt) s.low = v;
    if (s.high == -1 && acc >= highAt) s.high = v;
  }
  return s;
}

void Put(SignalStats& s, StatId min, const Summary& sum, int64_t n) {
  const size_t i = size_t(min);
  s.values[i] = sum.min;
  s.values[i + 1] = sum.low;
  s.values[i + 2] = double(sum.total) / double(n);
  s.values[i + 3] = sum.high;
  s.values[i + 4] = sum.max;
}

struct Subsampling {
  int x, y;
};
Subsampling SubsamplingOf(Sampling s) {
  switch (s) {
    case Sampling::k420: return {1, 1};
    case Sampling::k422: return {1, 0};
    default: return {0, 0};
  }
}

template <typename Sample>
const Sample* Row(const PlaneView& p, uint32_t y) {
  return reinterpret_cast<const Sample*>(p.data + ptrdiff_t(y) * p.stride);
}

}  // namespace

const char* StatName(StatId id) { return kStats[size_t(id)].name; }
bool StatIsInteger(StatId id) { return kStats[size_t(id)].integer; }
bool StatIsExtra(StatId id) { return id >= StatId::kTout; }

bool SignalStats::Has(StatId id) const {
  switch (id) {
    case StatId::kTout: return extras.tout;
    case StatId::kVrep: return extras.vrep;
    case StatId::kBrng: return extras.brng;
    default: return true;
  }
}

std::string SignalStats::Text(StatId id) const {
  char buf[32];
  if (StatIsInteger(id))
    std::snprintf(buf, sizeof buf, "%d", int((*this)[id]));
  else
    std::snprintf(buf, sizeof buf, "%g", (*this)[id]);
  return buf;
}

int FfmpegHue(float du, float dv) { return Reduced(UnreducedHue(du, dv)); }

// ---- Deep hue ---------------------------------------------------------------

// atan2f(y, x) (glibc's, from fdlibm) is atanf of the float quotient
// |y| / |x|, placed in the quadrant of the signs; the hue expression after
// it is monotonic. So within a quadrant the hue is a step function of that
// quotient, and the steps are found once by bisecting over the bits of
// positive floats (which order as the floats do), evaluating the very
// expression at |y| = ratio, |x| = 1. The tests hold the table to the
// expression over every 10-bit pair and a sample of 16-bit ones.
DeepHueTable::DeepHueTable() {
  // Quotients of samples of at most 16 bits lie within 2^-16 .. 2^16.
  const uint32_t lo = std::bit_cast<uint32_t>(0x1p-16f), hi = std::bit_cast<uint32_t>(0x1p16f);
  for (int q = 0; q < 4; ++q) {
    const float sy = q & 2 ? -1.f : 1.f, sx = q & 1 ? -1.f : 1.f;
    const auto at = [&](uint32_t bits) { return UnreducedHue(sy * std::bit_cast<float>(bits), sx); };
    std::vector<Step>& steps = m_steps[size_t(q)];
    uint32_t from = lo;
    float value = at(from);
    for (;;) {
      steps.push_back({from, int16_t(Reduced(value))});
      if (at(hi) == value) break;
      uint32_t below = from, above = hi;  // at(below) == value, at(above) != value
      while (above - below > 1) {
        const uint32_t mid = below + (above - below) / 2;
        (at(mid) == value ? below : above) = mid;
      }
      from = above;
      value = at(from);
    }
    std::vector<uint16_t>& buckets = m_buckets[size_t(q)];
    buckets.resize(((hi - lo) >> kBucketShift) + 1);
    size_t step = 0;
    for (size_t b = 0; b < buckets.size(); ++b) {
      const uint32_t start = lo + uint32_t(b << kBucketShift);
      while (step + 1 < steps.size() && steps[step + 1].ratioBits <= start) ++step;
      buckets[b] = uint16_t(step);
    }
  }
  m_axis = {int16_t(FfmpegHue(0, 0)), int16_t(FfmpegHue(0, 1)), int16_t(FfmpegHue(0, -1)), int16_t(FfmpegHue(1, 0)),
            int16_t(FfmpegHue(-1, 0))};
}

int DeepHueTable::Hue(int du, int dv) const {
  if (du == 0) return m_axis[dv == 0 ? 0 : dv > 0 ? 1 : 2];
  if (dv == 0) return m_axis[du > 0 ? 3 : 4];
  const uint32_t bits = std::bit_cast<uint32_t>(float(Abs(du)) / float(Abs(dv)));
  const size_t q = size_t((du < 0 ? 2 : 0) | (dv < 0 ? 1 : 0));
  const std::vector<Step>& steps = m_steps[q];
  // Quotients of 16-bit samples stay within the table's range (see the constructor).
  size_t step = m_buckets[q][(bits - steps.front().ratioBits) >> kBucketShift];
  while (step + 1 < steps.size() && steps[step + 1].ratioBits <= bits) ++step;
  return steps[step].hue;
}

// glibc's hypotf squares and adds in double (exact for these integers) and
// rounds the square root to float; truncated as ffmpeg stores it.
int DeepHueTable::Saturation(int du, int dv) {
  return int(float(std::sqrt(double(du) * du + double(dv) * dv)));
}

// ---- Planes -----------------------------------------------------------------

namespace {

// swscale's RGB to limited-range YUV (BT.601, its default) in 15-bit fixed
// point: each row's products summed with its offset (16 or 128, scaled)
// and a rounding bit, kept to 6 fraction bits, then rounded to 8 bits by
// the output stage. These are the integers of its input table for that
// colour space; with them every one of the 2^24 colours (bgr24, bgr0) and
// the 2^16 of rgb565le gives the bytes of `ffmpeg -pix_fmt yuv444p`.
constexpr int64_t kRgbToYuv[3][3] = {{8414, 16519, 3208}, {-4865, -9528, 14392}, {14392, -12061, -2332}};
constexpr int64_t kRgbOffset[3] = {int64_t(16) << 15, int64_t(128) << 15, int64_t(128) << 15};

uint8_t RgbToYuv(int plane, int r, int g, int b) {
  const int64_t* k = kRgbToYuv[plane];
  const int64_t fixed = (k[0] * r + k[1] * g + k[2] * b + kRgbOffset[plane] + (1 << 8)) >> 9;
  return uint8_t(std::clamp<int64_t>((fixed + 32) >> 6, 0, 255));
}

// gray10le to yuv444p16le's luma: the sample widened to swscale's 19-bit
// intermediate, its full range narrowed to the limited one (swscale's
// lumRangeFromJpeg16: x * 3517 + 134247788, >> 12), then rounded to 16
// bits. Exact for all 1024 values; samples past 10 bits are not ffmpeg's
// to define and are taken as their low 10 bits.
uint16_t Gray10ToY16(uint16_t v) {
  const int64_t wide = int64_t(v & 1023) << 9;
  return uint16_t((((wide * 3517 + 134247788) >> 12) + 4) >> 3);
}

}  // namespace

PlanarFrame StatsPlanes(YUVType type, uint32_t width, uint32_t height, const uint8_t* frame,
                        std::vector<uint8_t>* scratch) {
  if (type == YUV_GRAY10) {
    // "picking yuv444p16le out of 27 ref:gray10le": the luma widened and
    // narrowed to limited range, the chroma 32768.
    const size_t pixels = size_t(width) * height;
    scratch->resize(2 * (pixels + width));
    auto* words = reinterpret_cast<uint16_t*>(scratch->data());
    for (size_t i = 0; i < pixels; ++i) {
      uint16_t v;
      std::memcpy(&v, frame + 2 * i, 2);  // any alignment
      words[i] = Gray10ToY16(v);
    }
    std::fill_n(words + pixels, width, uint16_t(32768));
    PlanarFrame planes = PlanarShape(YUV_I410, width, height, 16);
    planes.planes[0].data = scratch->data();
    planes.planes[1] = planes.planes[2] = {scratch->data() + 2 * pixels, 0, width, height};
    return planes;
  }
  // P010 and P016 reach the filter as yuv420p16le (`ffmpeg -v debug`:
  // "picking yuv420p16le out of 27 ref:p010le"), P010's words unchanged.
  const int depth = type == YUV_P010 || type == YUV_P016 ? 16 : 0;
  PlanarFrame planes = ToPlanar(type, width, height, frame, scratch, depth);
  if (planes.sampling == Sampling::kRgb) {
    // "picking yuv444p out of 27 ref:bgr24" (bgr0, rgb565le alike): the R,
    // G, B planes (RGB565's fields in the high bits, as swscale reads them)
    // become Y, U, V in place (they are always unpacked into `scratch`).
    const size_t pixels = size_t(width) * height;
    uint8_t* p[3] = {scratch->data(), scratch->data() + pixels, scratch->data() + 2 * pixels};
    for (size_t i = 0; i < pixels; ++i) {
      const int r = p[0][i], g = p[1][i], b = p[2][i];
      for (int c = 0; c < 3; ++c) p[c][i] = RgbToYuv(c, r, g, b);
    }
    planes.sampling = Sampling::k444;
    return planes;
  }
  if (planes.sampling != Sampling::kGray) return planes;
  // GRAY: "picking yuvj444p out of 27 ref:gray"; swscale copies the luma
  // and fills the chroma with 128: one row of 128s, read for every line.
  // (8-bit grey is planar: its luma is read in place, never from `scratch`.)
  scratch->assign(width, 128);
  planes.sampling = Sampling::k444;
  planes.planeCount = 3;
  planes.planes[1] = planes.planes[2] = {scratch->data(), 0, width, height};
  return planes;
}

// ---- Measuring --------------------------------------------------------------

struct SignalStatsMeter::Histograms {
  std::vector<uint32_t> y, u, v, sat;  // 1 << depth bins (65536 for any deeper depth)
  std::array<uint32_t, 360> hue{};
  std::array<uint32_t, 4 * 256> luma4{};      // 8-bit luma in four interleaved histograms
  std::vector<uint32_t> pairs;                // 8-bit: two 256 x 256 (U, V) histograms, even and odd samples
  std::array<uint64_t, 3> dif{};
  std::array<unsigned, 3> mask{};

  void Reset(size_t bins) {
    for (auto* h : {&y, &u, &v, &sat}) h->assign(bins, 0);
    hue.fill(0);
    dif.fill(0);
    mask.fill(0);
  }
};

SignalStatsMeter::SignalStatsMeter(const StatsKernels& kernels)
    : m_kernels(kernels), m_histograms(std::make_unique<Histograms>()) {}

SignalStatsMeter::~SignalStatsMeter() = default;

void SignalStatsMeter::Count8(const PlanarFrame& f, const PlanarFrame& prev, Histograms& h) {
  const PlaneView& Y = f.planes[0];
  h.luma4.fill(0);
  uint8_t masks[3] = {};
  for (uint32_t r = 0; r < Y.height; ++r) {
    const uint8_t* p = Row<uint8_t>(Y, r);
    uint32_t i = 0;
    // Four histograms, so that runs of one value do not wait on each other's counts.
    for (; i + 4 <= Y.width; i += 4) {
      ++h.luma4[p[i]];
      ++h.luma4[256 + p[i + 1]];
      ++h.luma4[512 + p[i + 2]];
      ++h.luma4[768 + p[i + 3]];
    }
    for (; i < Y.width; ++i) ++h.luma4[p[i]];
    h.dif[0] += m_kernels.sadOrRow(p, Row<uint8_t>(prev.planes[0], r), int(Y.width), &masks[0]);
  }
  for (size_t k = 0; k < 256; ++k) h.y[k] = h.luma4[k] + h.luma4[256 + k] + h.luma4[512 + k] + h.luma4[768 + k];

  const PlaneView &U = f.planes[1], &V = f.planes[2];
  h.pairs.assign(2 * 65536, 0);
  uint32_t* even = h.pairs.data();
  uint32_t* odd = even + 65536;
  for (uint32_t r = 0; r < U.height; ++r) {
    const uint8_t *u = Row<uint8_t>(U, r), *v = Row<uint8_t>(V, r);
    uint32_t i = 0;
    for (; i + 2 <= U.width; i += 2) {
      ++even[unsigned(u[i]) << 8 | v[i]];
      ++odd[unsigned(u[i + 1]) << 8 | v[i + 1]];
    }
    if (i < U.width) ++even[unsigned(u[i]) << 8 | v[i]];
    h.dif[1] += m_kernels.sadOrRow(u, Row<uint8_t>(prev.planes[1], r), int(U.width), &masks[1]);
    h.dif[2] += m_kernels.sadOrRow(v, Row<uint8_t>(prev.planes[2], r), int(U.width), &masks[2]);
  }
  const ChromaTable8& table = Table8();
  for (unsigned uv = 0; uv < 65536; ++uv) {
    const uint32_t c = even[uv] + odd[uv];
    if (!c) continue;
    h.u[uv >> 8] += c;
    h.v[uv & 255] += c;
    h.sat[table.sat[uv]] += c;
    h.hue[table.hue[uv]] += c;
  }
  for (int p = 0; p < 3; ++p) h.mask[size_t(p)] = masks[p];
}

void SignalStatsMeter::Count16(const PlanarFrame& f, const PlanarFrame& prev, Histograms& h) {
  const PlaneView& Y = f.planes[0];
  for (uint32_t r = 0; r < Y.height; ++r) {
    const uint16_t *p = Row<uint16_t>(Y, r), *q = Row<uint16_t>(prev.planes[0], r);
    for (uint32_t i = 0; i < Y.width; ++i) {
      h.mask[0] |= p[i];
      ++h.y[p[i]];
      h.dif[0] += uint64_t(Abs(int(p[i]) - int(q[i])));
    }
  }
  const PlaneView &U = f.planes[1], &V = f.planes[2];
  const int mid = 1 << (f.depth - 1);
  const DeepHueTable& table = DeepTable();
  const size_t satTop = h.sat.size() - 1;  // only samples beyond the depth reach past it
  for (uint32_t r = 0; r < U.height; ++r) {
    const uint16_t *u = Row<uint16_t>(U, r), *v = Row<uint16_t>(V, r);
    const uint16_t *pu = Row<uint16_t>(prev.planes[1], r), *pv = Row<uint16_t>(prev.planes[2], r);
    for (uint32_t i = 0; i < U.width; ++i) {
      h.mask[1] |= u[i];
      h.mask[2] |= v[i];
      ++h.u[u[i]];
      ++h.v[v[i]];
      h.dif[1] += uint64_t(Abs(int(u[i]) - int(pu[i])));
      h.dif[2] += uint64_t(Abs(int(v[i]) - int(pv[i])));
      const int du = int(u[i]) - mid, dv = int(v[i]) - mid;
      ++h.sat[std::min(size_t(DeepHueTable::Saturation(du, dv)), satTop)];
      ++h.hue[size_t(table.Hue(du, dv))];
    }
  }
}

double SignalStatsMeter::Extra8(const PlanarFrame& f, StatId id) const {
  const PlaneView& Y = f.planes[0];
  const int w = int(Y.width), h = int(Y.height);
  int64_t count = 0;
  if (id == StatId::kTout) {
    for (int y = 1; y + 1 < h; ++y)
      count += m_kernels.toutRow(Row<uint8_t>(Y, uint32_t(y)), Y.stride, w, y >= 2 && y + 2 < h);
  } else if (id == StatId::kVrep) {
    // A line repeats the one four above when their summed difference is below the width.
    uint8_t unused = 0;
    for (int y = 4; y < h; ++y)
      count += m_kernels.sadOrRow(Row<uint8_t>(Y, uint32_t(y - 4)), Row<uint8_t>(Y, uint32_t(y)), w, &unused) <
               uint64_t(w);
    count *= w;
  } else {
    const Subsampling sub = SubsamplingOf(f.sampling);
    const PlaneView &U = f.planes[1], &V = f.planes[2];
    // A chroma plane cut short by an odd width or height (the original
    // formats halve sizes down) lends its last sample to the pixels past it.
    const int whole = std::min(w, int(U.width) << sub.x);
    for (int y = 0; y < h; ++y) {
      const uint32_t cy = std::min(uint32_t(y) >> sub.y, U.height - 1);
      const uint8_t *py = Row<uint8_t>(Y, uint32_t(y)), *pu = Row<uint8_t>(U, cy), *pv = Row<uint8_t>(V, cy);
      count += m_kernels.brngRow(py, pu, pv, whole, sub.x);
      for (int x = whole; x < w; ++x)
        count += py[x] < 16 || py[x] > 235 || pu[U.width - 1] < 16 || pu[U.width - 1] > 240 ||
                 pv[U.width - 1] < 16 || pv[U.width - 1] > 240;
    }
  }
  return double(count) / (double(w) * h);
}

double SignalStatsMeter::Extra16(const PlanarFrame& f, StatId id) const {
  const PlaneView& Y = f.planes[0];
  const int w = int(Y.width), h = int(Y.height);
  const int scale = 1 << (f.depth - 8);
  int64_t count = 0;
  if (id == StatId::kTout) {
    // ffmpeg's 16-bit TOUT hands the samples to its 8-bit outlier test,
    // which keeps their low byte; here the test sees whole samples, its
    // threshold of 4 scaled to the depth as BRNG's limits are.
    for (int y = 1; y + 1 < h; ++y) {
      const uint16_t* p = Row<uint16_t>(Y, uint32_t(y));
      const ptrdiff_t s = Y.stride / 2;
      const auto three = [&](int x, ptrdiff_t j) {
        for (int i = -1; i <= 1; ++i)
          if (!ToutOutlier(p[x + i - j], p[x + i], p[x + i + j], 4 * scale)) return false;
        return true;
      };
      const bool twoLines = y >= 2 && y + 2 < h;
      for (int x = 1; x + 1 < w; ++x) count += (!twoLines || three(x, 2 * s)) && three(x, s);
    }
  } else if (id == StatId::kVrep) {
    for (int y = 4; y < h; ++y) {
      const uint16_t *a = Row<uint16_t>(Y, uint32_t(y - 4)), *b = Row<uint16_t>(Y, uint32_t(y));
      int64_t diff = 0;
      for (int x = 0; x < w; ++x) diff += Abs(int(a[x]) - int(b[x]));
      count += diff < w;
    }
    count *= w;
  } else {
    const Subsampling sub = SubsamplingOf(f.sampling);
    const PlaneView &U = f.planes[1], &V = f.planes[2];
    const auto out = [&](int v, int hi) { return v < 16 * scale || v > hi * scale; };
    for (int y = 0; y < h; ++y) {
      const uint32_t cy = std::min(uint32_t(y) >> sub.y, U.height - 1);
      const uint16_t *py = Row<uint16_t>(Y, uint32_t(y)), *pu = Row<uint16_t>(U, cy), *pv = Row<uint16_t>(V, cy);
      for (int x = 0; x < w; ++x) {
        const uint32_t cx = std::min(uint32_t(x) >> sub.x, U.width - 1);
        count += out(py[x], 235) || out(pu[cx], 240) || out(pv[cx], 240);
      }
    }
  }
  return double(count) / (double(w) * h);
}

SignalStats SignalStatsMeter::Measure(const PlanarFrame& frame, const PlanarFrame* previous, StatExtras extras) {
  const PlanarFrame& prev = previous ? *previous : frame;
  Histograms& h = *m_histograms;
  h.Reset(frame.Deep() ? 65536 : 256);
  if (frame.Deep())
    Count16(frame, prev, h);
  else
    Count8(frame, prev, h);

  SignalStats s;
  s.extras = extras;
  const int64_t n = int64_t(frame.planes[0].width) * frame.planes[0].height;
  const int64_t cn = int64_t(frame.planes[1].width) * frame.planes[1].height;
  Put(s, StatId::kYMin, Summarise(h.y.data(), h.y.size(), n), n);
  Put(s, StatId::kUMin, Summarise(h.u.data(), h.u.size(), cn), cn);
  Put(s, StatId::kVMin, Summarise(h.v.data(), h.v.size(), cn), cn);
  Put(s, StatId::kSatMin, Summarise(h.sat.data(), h.sat.size(), cn), cn);

  // The median hue: the first at which the running count passes half.
  int64_t acc = 0;
  uint64_t total = 0;
  int median = -1;
  for (int i = 0; i < 360; ++i) {
    total += uint64_t(h.hue[size_t(i)]) * unsigned(i);
    acc += h.hue[size_t(i)];
    if (median == -1 && acc > cn / 2) median = i;
  }
  s[StatId::kHueMed] = median;
  s[StatId::kHueAvg] = double(total) / double(cn);
  s[StatId::kYDif] = double(h.dif[0]) / double(n);
  s[StatId::kUDif] = double(h.dif[1]) / double(cn);
  s[StatId::kVDif] = double(h.dif[2]) / double(cn);
  for (int p = 0; p < 3; ++p) s.values[size_t(StatId::kYBitDepth) + size_t(p)] = std::popcount(h.mask[size_t(p)]);

  for (StatId id : {StatId::kTout, StatId::kVrep, StatId::kBrng})
    if (s.Has(id)) s[id] = frame.Deep() ? Extra16(frame, id) : Extra8(frame, id);
  return s;
}

}  // namespace corvane::analysis
