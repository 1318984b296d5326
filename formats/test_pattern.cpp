#include "formats/test_pattern.h"

#include <algorithm>

namespace corvane {

namespace {

uint8_t Clamp(int v) { return uint8_t(std::clamp(v, 0, 255)); }

// BT.601 limited range, 8-bit fixed point (coefficients × 256).
void YuvToRgb(int y, int u, int v, uint8_t* r, uint8_t* g, uint8_t* b) {
  const int c = 298 * (y - 16), d = u - 128, e = v - 128;
  *r = Clamp((c + 409 * e + 128) >> 8);
  *g = Clamp((c - 100 * d - 208 * e + 128) >> 8);
  *b = Clamp((c + 516 * d + 128) >> 8);
}

// 75 % colour bars: white, yellow, cyan, green, magenta, red, blue, black
// (BT.601 limited-range Y, U, V).
constexpr uint8_t kBars[8][3] = {{180, 128, 128}, {162, 44, 142}, {131, 156, 44}, {112, 72, 58},
                                 {84, 184, 198},  {65, 100, 212}, {35, 212, 114}, {16, 128, 128}};

// Full-resolution Y, U, V planes of w × h: 8-bit samples, or (the added
// formats) 16-bit samples at the format's depth.
template <typename T>
struct FullPlanes {
  const T* y;
  const T* u;
  const T* v;
  uint32_t w;
  size_t At(uint32_t x, uint32_t line) const { return size_t(line) * w + x; }
};
using SourcePlanes = FullPlanes<uint8_t>;
using DeepPlanes = FullPlanes<uint16_t>;

// Planar: the Y plane, then U and V in the planes the format's order gives
// them, each chroma sample taken from the even pixel of its line.
void PackPlanar(YUVType type, const PlaneLayout& l, const SourcePlanes& src, uint8_t* o) {
  std::copy(src.y, src.y + size_t(src.w) * l.rows[0], o + l.offset[0]);
  const ChromaPlanes cp = ChromaPlanesOf(type);
  uint8_t* pu = o + l.offset[size_t(cp.u)];
  uint8_t* pv = o + l.offset[size_t(cp.v)];
  for (uint32_t r = 0; r < l.rows[1]; ++r)
    for (uint32_t c = 0; c < l.stride[1]; ++c) {
      const size_t i = size_t(r) * l.stride[1] + c, s = src.At(2 * c, r * l.linesPerChromaRow);
      pu[i] = src.u[s];
      pv[i] = src.v[s];
    }
}

// Semi-planar: the Y plane, then rows of U,V pairs.
void PackSemiPlanar(const PlaneLayout& l, const SourcePlanes& src, uint8_t* o) {
  std::copy(src.y, src.y + size_t(src.w) * l.rows[0], o + l.offset[0]);
  uint8_t* uv = o + l.offset[1];
  for (uint32_t r = 0; r < l.rows[1]; ++r)
    for (uint32_t c = 0; c + 1 < src.w; c += 2) {
      const size_t s = src.At(c, r * l.linesPerChromaRow);
      uv[size_t(r) * l.stride[1] + c] = src.u[s];
      uv[size_t(r) * l.stride[1] + c + 1] = src.v[s];
    }
}

// Packed 4:2:2: pixel pairs in the format's byte order, IUYV's rows in field
// order. A generated IUYV frame holds the field lines only: with an odd
// height the last line is not written.
void PackPacked422(YUVType type, const PlaneLayout& l, const SourcePlanes& src, uint8_t* o) {
  for (uint32_t y = 0; y < l.rows[0]; ++y) {
    if (type == YUV_IUYV && !IUYVLineInField(y, l.rows[0])) continue;
    const uint32_t row = type == YUV_IUYV ? IUYVStoredRow(y, l.rows[0]) : y;
    uint8_t* q = o + size_t(row) * l.stride[0];
    for (uint32_t x = 0; x + 1 < src.w; x += 2, q += 4) {
      const size_t s = src.At(x, y);
      const uint8_t y0 = src.y[s], y1 = src.y[s + 1], u = src.u[s], v = src.v[s];
      switch (type) {
        case YUV_YVYU: q[0] = y0, q[1] = v, q[2] = y1, q[3] = u; break;
        case YUV_YUYV: q[0] = y0, q[1] = u, q[2] = y1, q[3] = v; break;
        default: q[0] = u, q[1] = y0, q[2] = v, q[3] = y1; break;
      }
    }
  }
}

// One pixel after another: IYU2 as U Y V, RGB converted and stored blue first.
void PackPixels(YUVType type, const SourcePlanes& src, size_t pixels, uint8_t* o) {
  for (size_t i = 0; i < pixels; ++i) {
    if (type == YUV_IYU2) {
      o[3 * i] = src.u[i], o[3 * i + 1] = src.y[i], o[3 * i + 2] = src.v[i];
      continue;
    }
    uint8_t r, g, b;
    YuvToRgb(src.y[i], src.u[i], src.v[i], &r, &g, &b);
    if (type == YUV_RGB32) {
      o[4 * i] = b, o[4 * i + 1] = g, o[4 * i + 2] = r, o[4 * i + 3] = 0;
    } else if (type == YUV_RGB24) {
      o[3 * i] = b, o[3 * i + 1] = g, o[3 * i + 2] = r;
    } else {
      const uint16_t px = uint16_t(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
      o[2 * i] = uint8_t(px), o[2 * i + 1] = uint8_t(px >> 8);
    }
  }
}

// ---- The added formats ------------------------------------------------------

void PutSample(uint8_t* p, uint32_t bytes, uint32_t value) {
  p[0] = uint8_t(value);
  if (bytes == 2) p[1] = uint8_t(value >> 8);
}

// v210: each group of 6 pixels is 4 words of three 10-bit fields, low bits
// first: U0 Y0 V0 | Y1 U1 Y2 | V1 Y3 U2 | Y4 V2 Y5. Pixels past the width
// repeat the last one; the row's padding stays zero.
void PackV210(uint32_t w, uint32_t h, const DeepPlanes& src, uint8_t* o) {
  const uint64_t rowBytes = V210RowBytes(w);
  for (uint32_t y = 0; y < h; ++y) {
    uint8_t* q = o + rowBytes * y;
    for (uint32_t x0 = 0; x0 < w; x0 += 6, q += 16) {
      uint32_t f[12];
      for (uint32_t k = 0; k < 3; ++k) {
        const size_t even = src.At(std::min(x0 + 2 * k, w - 1), y);
        f[4 * k] = src.u[even] & 1023;
        f[4 * k + 2] = src.v[even] & 1023;
        f[4 * k + 1] = src.y[even] & 1023;
        f[4 * k + 3] = src.y[src.At(std::min(x0 + 2 * k + 1, w - 1), y)] & 1023;
      }
      for (uint32_t word = 0; word < 4; ++word) {
        const uint32_t v = f[3 * word] | (f[3 * word + 1] << 10) | (f[3 * word + 2] << 20);
        q[4 * word] = uint8_t(v), q[4 * word + 1] = uint8_t(v >> 8), q[4 * word + 2] = uint8_t(v >> 16),
                 q[4 * word + 3] = uint8_t(v >> 24);
      }
    }
  }
}

std::vector<uint8_t> PackAddedFrame(YUVType type, uint32_t w, uint32_t h, const DeepPlanes& src) {
  const uint64_t size = FrameSize64(type, w, h);
  if (size == 0 || size > UINT32_MAX) return {};
  std::vector<uint8_t> out(size);
  if (type == YUV_V210) {
    PackV210(w, h, src, out.data());
    return out;
  }
  const PlaneLayout l = GetPlaneLayout(type, w, h);
  const uint32_t bytes = l.sampleBytes;
  // P010 keeps its 10 bits at the top of each word.
  const int up = type == YUV_P010 ? 6 : 0;
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x)
      PutSample(out.data() + l.offset[0] + size_t(l.stride[0]) * y + bytes * x, bytes, uint32_t(src.y[src.At(x, y)]) << up);
  const PlaneOrder order = PlaneOrderOf(type);
  const uint32_t cw = (w + l.pixelsPerChromaSample - 1) / l.pixelsPerChromaSample;
  for (uint32_t r = 0; r < l.rows[1] && order != PlaneOrder::kYOnly; ++r)
    for (uint32_t c = 0; c < cw; ++c) {
      const size_t s = src.At(c * l.pixelsPerChromaSample, r * l.linesPerChromaRow);
      const uint32_t u = uint32_t(src.u[s]) << up, v = uint32_t(src.v[s]) << up;
      if (order == PlaneOrder::kYUV) {
        PutSample(out.data() + l.offset[1] + size_t(l.stride[1]) * r + bytes * c, bytes, u);
        PutSample(out.data() + l.offset[2] + size_t(l.stride[2]) * r + bytes * c, bytes, v);
      } else {
        uint8_t* pair = out.data() + l.offset[1] + size_t(l.stride[1]) * r + 2 * bytes * c;
        PutSample(pair, bytes, order == PlaneOrder::kYInterleavedUV ? u : v);
        PutSample(pair + bytes, bytes, order == PlaneOrder::kYInterleavedUV ? v : u);
      }
    }
  return out;
}

}  // namespace

std::vector<uint8_t> PackDeepFrame(YUVType type, uint32_t w, uint32_t h, const uint16_t* y, const uint16_t* u,
                                   const uint16_t* v) {
  if (!IsAddedType(type) || w == 0 || h == 0) return {};
  return PackAddedFrame(type, w, h, DeepPlanes{y, u, v, w});
}

std::vector<uint8_t> PackFrame(YUVType type, uint32_t w, uint32_t h, const uint8_t* Y,
                               const uint8_t* U, const uint8_t* V) {
  if (IsAddedType(type)) {
    // 8-bit samples at the format's depth: shifted up, as ffmpeg widens them.
    const size_t n = size_t(w) * h;
    const int up = BitDepthOf(type) - 8;
    std::vector<uint16_t> Y16(n), U16(n), V16(n);
    for (size_t i = 0; i < n; ++i) Y16[i] = uint16_t(Y[i] << up), U16[i] = uint16_t(U[i] << up), V16[i] = uint16_t(V[i] << up);
    return PackDeepFrame(type, w, h, Y16.data(), U16.data(), V16.data());
  }
  const YUVPara p = MakePara(CodeOfType(type), w, h);
  YUVType t;
  uint32_t size = 0;
  if (!GetTypeAndFrameSize(&p, &t, &size)) return {};
  std::vector<uint8_t> out(size);
  const PlaneLayout l = GetPlaneLayout(type, w, h);
  const SourcePlanes src{Y, U, V, w};
  switch (type) {
    case YUV_YV12:
    case YUV_IYUV:
    case YUV_YV16:
      PackPlanar(type, l, src, out.data());
      break;
    case YUV_NV12:
    case YUV_NV16:
      PackSemiPlanar(l, src, out.data());
      break;
    case YUV_YVYU:
    case YUV_YUYV:
    case YUV_UYVY:
    case YUV_IUYV:
      PackPacked422(type, l, src, out.data());
      break;
    case YUV_IYU2:
    case YUV_RGB32:
    case YUV_RGB24:
    case YUV_RGB565:
      PackPixels(type, src, size_t(w) * h, out.data());
      break;
    default:
      return {};
  }
  return out;
}

std::vector<uint8_t> MakePatternFrame(const YUVPara& para, uint32_t index) {
  YUVType type;
  uint32_t size;
  if (!GetTypeAndFrameSize(&para, &type, &size)) return {};
  const uint32_t w = para.width, h = para.height;
  const size_t n = size_t(w) * h;
  // Values at the format's depth: the 8-bit ones shifted up, but the ramp
  // uses every level the depth has.
  const int up = BitDepthOf(type) - 8;
  std::vector<uint16_t> Y(n), U(n), V(n);
  const uint32_t barWidth = std::max(1u, w / 8);
  const uint32_t shift = index * std::max(1u, w / 64);
  const uint32_t box = std::max(2u, std::min(w, h) / 6);
  const uint32_t travelX = w > box ? w - box : 1, travelY = h > box ? h - box : 1;
  const uint32_t bx = (index * 3) % travelX, by = (index * 2) % travelY;
  const uint32_t rampTop = h - h / 8;
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      const size_t i = size_t(y) * w + x;
      const auto& bar = kBars[((x + shift) / barWidth) % 8];
      uint32_t yy = bar[0] << up, uu = bar[1] << up, vv = bar[2] << up;
      if (y >= rampTop && h >= 8) {
        yy = (16u << up) + uint32_t((uint64_t(219u << up) * x) / std::max(1u, w - 1));
        uu = vv = 128u << up;
      }
      if (x >= bx && x < bx + box && y >= by && y < by + box) yy = 235u << up, uu = vv = 128u << up;
      Y[i] = uint16_t(yy), U[i] = uint16_t(uu), V[i] = uint16_t(vv);
    }
  if (IsAddedType(type)) return PackDeepFrame(type, w, h, Y.data(), U.data(), V.data());
  std::vector<uint8_t> Y8(Y.begin(), Y.end()), U8(U.begin(), U.end()), V8(V.begin(), V.end());
  return PackFrame(type, w, h, Y8.data(), U8.data(), V8.data());
}

}  // namespace corvane
