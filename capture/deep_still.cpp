#include "capture/deep_still.h"

#include <algorithm>

namespace corvane {

namespace {

// Reads sample i of a row of the frame's plane as an 8-bit value.
struct SampleTo8 {
  uint32_t bytes;
  int shift;  // right shift after adding half of what it drops
  uint8_t operator()(const uint8_t* row, uint64_t i) const {
    if (bytes == 1) return row[i];
    const uint32_t v = uint32_t(row[2 * i]) | uint32_t(row[2 * i + 1]) << 8;
    return uint8_t(std::min<uint32_t>(255, (v + (1u << (shift - 1))) >> shift));
  }
};

}  // namespace

bool RoundsTo8Bit420(YUVType type) { return IsAddedType(type) && type != YUV_V210; }

bool RoundTo8Bit420(YUVType type, const uint8_t* frame, uint32_t w, uint32_t h, uint8_t* out) {
  if (!RoundsTo8Bit420(type) || !frame || !out) return false;
  const PlaneLayout l = GetPlaneLayout(type, w, h);
  // P010 and P016 keep their data at the top of each word.
  const int shift = type == YUV_P010 || type == YUV_P016 ? 8 : BitDepthOf(type) - 8;
  const SampleTo8 read{l.sampleBytes, shift};
  uint8_t* y = out;
  for (uint32_t r = 0; r < h; ++r)
    for (uint32_t x = 0; x < w; ++x) y[size_t(r) * w + x] = read(frame + uint64_t(l.stride[0]) * r, x);
  const uint32_t cw = w / 2, ch = h / 2;
  uint8_t* u = out + size_t(w) * h;
  uint8_t* v = u + size_t(cw) * ch;
  const PlaneOrder order = PlaneOrderOf(type);
  for (uint32_t j = 0; j < ch; ++j)
    for (uint32_t i = 0; i < cw; ++i) {
      const size_t o = size_t(j) * cw + i;
      if (order == PlaneOrder::kYOnly) {
        u[o] = v[o] = 128;
        continue;
      }
      const uint64_t row = (2 * j) / l.linesPerChromaRow, col = (2 * i) / l.pixelsPerChromaSample;
      if (order == PlaneOrder::kYUV) {
        u[o] = read(frame + l.offset[1] + uint64_t(l.stride[1]) * row, col);
        v[o] = read(frame + l.offset[2] + uint64_t(l.stride[2]) * row, col);
      } else {
        const uint8_t* pairs = frame + l.offset[1] + uint64_t(l.stride[1]) * row;
        const bool uFirst = order == PlaneOrder::kYInterleavedUV;
        u[o] = read(pairs, 2 * col + (uFirst ? 0 : 1));
        v[o] = read(pairs, 2 * col + (uFirst ? 1 : 0));
      }
    }
  return true;
}

}  // namespace corvane
