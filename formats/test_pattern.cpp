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

}  // namespace

std::vector<uint8_t> PackFrame(YUVType type, uint32_t w, uint32_t h, const uint8_t* Y,
                               const uint8_t* U, const uint8_t* V) {
  YUVPara p;
  p.format = CodeOfType(type);
  p.width = w;
  p.height = h;
  YUVType t;
  uint32_t size = 0;
  if (!GetTypeAndFrameSize(&p, &t, &size)) return {};
  std::vector<uint8_t> out(size);
  uint8_t* o = out.data();
  const PlaneLayout l = GetPlaneLayout(type, w, h);
  auto at = [w](const uint8_t* plane, uint32_t x, uint32_t y) { return plane[size_t(y) * w + x]; };
  switch (type) {
    case YUV_YV12:
    case YUV_IYUV:
    case YUV_YV16: {
      std::copy(Y, Y + size_t(w) * h, o);
      const bool vFirst = type == YUV_IYUV;
      uint8_t* p1 = o + l.offset[1];
      uint8_t* p2 = o + l.offset[2];
      const uint32_t ystep = type == YUV_YV16 ? 1 : 2;
      for (uint32_t r = 0; r < l.rows[1]; ++r)
        for (uint32_t c = 0; c < l.stride[1]; ++c) {
          const size_t i = size_t(r) * l.stride[1] + c;
          const uint8_t u = at(U, 2 * c, r * ystep), v = at(V, 2 * c, r * ystep);
          p1[i] = vFirst ? v : u;
          p2[i] = vFirst ? u : v;
        }
      break;
    }
    case YUV_NV12:
    case YUV_NV16: {
      std::copy(Y, Y + size_t(w) * h, o);
      uint8_t* uv = o + l.offset[1];
      const uint32_t ystep = type == YUV_NV16 ? 1 : 2;
      for (uint32_t r = 0; r < l.rows[1]; ++r)
        for (uint32_t c = 0; c + 1 < w; c += 2) {
          uv[size_t(r) * w + c] = at(U, c, r * ystep);
          uv[size_t(r) * w + c + 1] = at(V, c, r * ystep);
        }
      break;
    }
    case YUV_YVYU:
    case YUV_YUYV:
    case YUV_UYVY:
    case YUV_IUYV: {
      for (uint32_t y = 0; y < h; ++y) {
        // IUYV stores the even lines first, then the odd ones.
        // With an odd height the last even line has no place and is dropped.
        uint32_t row = y;
        if (type == YUV_IUYV) {
          if (y % 2 == 0 && y / 2 >= h / 2) continue;
          row = y % 2 == 0 ? y / 2 : h / 2 + y / 2;
        }
        uint8_t* d = o + size_t(row) * 2 * w;
        for (uint32_t x = 0; x + 1 < w; x += 2) {
          const uint8_t y0 = at(Y, x, y), y1 = at(Y, x + 1, y), u = at(U, x, y), v = at(V, x, y);
          uint8_t* q = d + 2 * x;
          switch (type) {
            case YUV_YVYU: q[0] = y0, q[1] = v, q[2] = y1, q[3] = u; break;
            case YUV_YUYV: q[0] = y0, q[1] = u, q[2] = y1, q[3] = v; break;
            default: q[0] = u, q[1] = y0, q[2] = v, q[3] = y1; break;
          }
        }
      }
      break;
    }
    case YUV_IYU2:
      for (size_t i = 0; i < size_t(w) * h; ++i) {
        o[3 * i] = U[i];
        o[3 * i + 1] = Y[i];
        o[3 * i + 2] = V[i];
      }
      break;
    case YUV_RGB32:
    case YUV_RGB24:
    case YUV_RGB565:
      for (size_t i = 0; i < size_t(w) * h; ++i) {
        uint8_t r, g, b;
        YuvToRgb(Y[i], U[i], V[i], &r, &g, &b);
        if (type == YUV_RGB32) {
          o[4 * i] = b, o[4 * i + 1] = g, o[4 * i + 2] = r, o[4 * i + 3] = 0;
        } else if (type == YUV_RGB24) {
          o[3 * i] = b, o[3 * i + 1] = g, o[3 * i + 2] = r;
        } else {
          const uint16_t px = uint16_t(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
          o[2 * i] = uint8_t(px), o[2 * i + 1] = uint8_t(px >> 8);
        }
      }
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
  std::vector<uint8_t> Y(n), U(n), V(n);
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
      uint8_t yy = bar[0], uu = bar[1], vv = bar[2];
      if (y >= rampTop && h >= 8) {
        yy = uint8_t(16 + (219u * x) / std::max(1u, w - 1));
        uu = vv = 128;
      }
      if (x >= bx && x < bx + box && y >= by && y < by + box) yy = 235, uu = vv = 128;
      Y[i] = yy, U[i] = uu, V[i] = vv;
    }
  return PackFrame(type, w, h, Y.data(), U.data(), V.data());
}

}  // namespace corvane
