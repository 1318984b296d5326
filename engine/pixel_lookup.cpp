#include "engine/pixel_lookup.h"

#include "formats/yuv_format.h"

namespace corvane {

namespace {

// Byte offsets of one pixel's Y, U and V within its frame.
struct SampleOffsets {
  uint64_t y, u, v;
};

// Planar and semi-planar layouts: luma in plane 0, chroma where the plane
// order puts it (the U,V pairs of a semi-planar row: U even, V odd).
SampleOffsets PlanarSamples(YUVType type, const PlaneLayout& l, uint32_t x, uint32_t y) {
  const uint64_t row = y / l.linesPerChromaRow;
  const ChromaPlanes cp = ChromaPlanesOf(type);
  SampleOffsets o{};
  o.y = uint64_t(l.stride[0]) * y + x;
  if (PlaneOrderOf(type) == PlaneOrder::kYInterleavedUV) {
    o.u = l.offset[1] + uint64_t(l.stride[1]) * row + 2 * (x / 2);
    o.v = o.u + 1;
  } else {
    const uint64_t c = uint64_t(l.stride[1]) * row + x / 2;
    o.u = l.offset[size_t(cp.u)] + c;
    o.v = l.offset[size_t(cp.v)] + c;
  }
  return o;
}

// Packed 4:2:2 layouts: both chroma bytes of the pixel's pair, its own luma
// byte; IUYV's line at its stored row.
SampleOffsets PackedSamples(YUVType type, const PlaneLayout& l, uint32_t x, uint32_t y) {
  const uint32_t row = type == YUV_IUYV ? IUYVStoredRow(y, l.rows[0]) : y;
  const uint64_t pair = uint64_t(l.stride[0]) * row + 2 * (x - x % 2);
  const uint64_t odd = x % 2;
  switch (type) {
    case YUV_YVYU: return {pair + 2 * odd, pair + 3, pair + 1};
    case YUV_YUYV: return {pair + 2 * odd, pair + 1, pair + 3};
    default: return {pair + 1 + 2 * odd, pair, pair + 2};  // UYVY, IUYV
  }
}

// The added formats: native values (0..1023 for 10 bits, P010's from the top
// of its words, v210's fields); grey formats have no U and V (-1).
void LookUpAddedPixel(const FrameBuffer& b, const PlaneLayout& l, uint32_t x, uint32_t y, int* Y, int* U, int* V) {
  const uint8_t* d = b.Bytes();
  if (b.nType == YUV_V210) {
    // Fields of a group: U0 Y0 V0 Y1 U1 Y2 V1 Y3 U2 Y4 V2 Y5, three a word.
    const uint8_t* group = d + uint64_t(l.stride[0]) * y + 16 * uint64_t(x / 6);
    auto field = [group](uint32_t n) {
      const uint8_t* w = group + 4 * (n / 3);
      const uint32_t word = uint32_t(w[0]) | uint32_t(w[1]) << 8 | uint32_t(w[2]) << 16 | uint32_t(w[3]) << 24;
      return int((word >> (10 * (n % 3))) & 0x3FF);
    };
    const uint32_t p = x % 6;
    *Y = field(2 * p + 1), *U = field(4 * (p / 2)), *V = field(4 * (p / 2) + 2);
    return;
  }
  const uint32_t n = l.sampleBytes;
  const int down = b.nType == YUV_P010 ? 6 : 0;
  auto at = [d, n, down](uint64_t offset) { return (n == 2 ? int(d[offset] | d[offset + 1] << 8) : int(d[offset])) >> down; };
  *Y = at(uint64_t(l.stride[0]) * y + uint64_t(n) * x);
  *U = *V = -1;
  const uint64_t row = y / l.linesPerChromaRow, col = x / l.pixelsPerChromaSample;
  switch (PlaneOrderOf(b.nType)) {
    case PlaneOrder::kYUV:
      *U = at(l.offset[1] + uint64_t(l.stride[1]) * row + n * col);
      *V = at(l.offset[2] + uint64_t(l.stride[2]) * row + n * col);
      break;
    case PlaneOrder::kYInterleavedUV:
    case PlaneOrder::kYInterleavedVU: {
      const uint64_t pair = l.offset[1] + uint64_t(l.stride[1]) * row + 2 * n * col;
      const bool uFirst = PlaneOrderOf(b.nType) == PlaneOrder::kYInterleavedUV;
      *U = at(uFirst ? pair : pair + n);
      *V = at(uFirst ? pair + n : pair);
      break;
    }
    default:
      break;
  }
}

// Y, U, V of pixel (x, y) located as each layout stores it. False when the
// format has no YUV samples or a byte lies outside the frame.
bool LookUpPixel(const FrameBuffer& b, uint32_t x, uint32_t y, int* Y, int* U, int* V) {
  const uint32_t w = b.nWidth, h = b.nHeight;
  if (x >= w || y >= h || !b.Bytes()) return false;
  const uint64_t frameSize = FrameSize64(b.nType, w, h);
  if (frameSize == 0 || frameSize > b.nSize) return false;
  const PlaneLayout l = GetPlaneLayout(b.nType, w, h);
  if (IsAddedType(b.nType)) {
    // Every sample of a pixel inside the frame lies inside the frame's bytes.
    LookUpAddedPixel(b, l, x, y, Y, U, V);
    return true;
  }
  SampleOffsets o{};
  switch (b.nType) {
    case YUV_YV12:
    case YUV_IYUV:
    case YUV_YV16:
    case YUV_NV12:
    case YUV_NV16:
      o = PlanarSamples(b.nType, l, x, y);
      break;
    case YUV_YVYU:
    case YUV_YUYV:
    case YUV_UYVY:
    case YUV_IUYV:
      o = PackedSamples(b.nType, l, x, y);
      break;
    case YUV_IYU2: {
      const uint64_t p = uint64_t(l.stride[0]) * y + 3 * uint64_t(x);
      o = {p + 1, p, p + 2};  // U Y V
      break;
    }
    default:
      return false;
  }
  if (o.y >= frameSize || o.u >= frameSize || o.v >= frameSize) return false;
  const uint8_t* d = b.Bytes();
  *Y = d[o.y], *U = d[o.u], *V = d[o.v];
  return true;
}

}  // namespace

bool LookUpYUV(const FrameBuffer& frame, uint32_t x, uint32_t y, int* Y, int* U, int* V) {
  return LookUpPixel(frame, x, y, Y, U, V);
}

}  // namespace corvane
