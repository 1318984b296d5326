#include "analysis/difference_picture.h"

#include <algorithm>

namespace corvane::analysis {

namespace {

template <typename Sample>
uint8_t Level(const uint8_t* a, const uint8_t* b, uint32_t x, int gain) {
  const int d = int(reinterpret_cast<const Sample*>(a)[x]) - int(reinterpret_cast<const Sample*>(b)[x]);
  return uint8_t(128 + std::min(127, (d < 0 ? -d : d) * gain));
}

// Plane p of a and b, differenced into a full-size w x h plane at `dst`
// (each chroma sample repeated over the pixels it covers).
template <typename Sample>
void DifferencePlane(const PlaneView& a, const PlaneView& b, int gain, uint32_t w, uint32_t h, uint8_t* dst,
                     ptrdiff_t dstStep, size_t rowBytes) {
  const uint32_t xShift = a.width < w ? 1 : 0;
  const uint32_t yShift = a.height < h ? 1 : 0;
  std::vector<uint8_t> row(a.width);
  for (uint32_t y = 0; y < h; ++y) {
    const uint32_t sy = std::min(y >> yShift, a.height - 1);
    const uint8_t* ra = a.data + ptrdiff_t(sy) * a.stride;
    const uint8_t* rb = b.data + ptrdiff_t(sy) * b.stride;
    for (uint32_t x = 0; x < a.width; ++x) row[x] = Level<Sample>(ra, rb, x, gain);
    uint8_t* out = dst + y * rowBytes;
    if (xShift == 0 && dstStep == 1) {
      std::copy(row.begin(), row.end(), out);
    } else {
      for (uint32_t x = 0; x < w; ++x) out[ptrdiff_t(x) * dstStep] = row[std::min(x >> xShift, a.width - 1)];
    }
  }
}

}  // namespace

YUVType DifferencePicture(const PlanarFrame& a, const PlanarFrame& b, int gain, std::vector<uint8_t>* out) {
  const uint32_t w = a.planes[0].width, h = a.planes[0].height;
  const size_t plane = size_t(w) * h;
  const bool rgb = a.sampling == Sampling::kRgb;
  const YUVType type = a.planeCount == 1 ? YUV_GRAY : rgb ? YUV_RGB24 : YUV_I444;
  out->resize(plane * size_t(a.planeCount));
  for (int p = 0; p < a.planeCount; ++p) {
    // RGB24 keeps B, G, R in each pixel's three bytes; the planes are R, G, B.
    uint8_t* dst = rgb ? out->data() + (2 - p) : out->data() + plane * size_t(p);
    const ptrdiff_t step = rgb ? 3 : 1;
    const size_t rowBytes = rgb ? size_t(w) * 3 : w;
    const PlaneView& pa = a.planes[size_t(p)];
    const PlaneView& pb = b.planes[size_t(p)];
    if (a.Deep())
      DifferencePlane<uint16_t>(pa, pb, gain, w, h, dst, step, rowBytes);
    else
      DifferencePlane<uint8_t>(pa, pb, gain, w, h, dst, step, rowBytes);
  }
  return type;
}

bool Comparable(YUVType a, uint32_t aw, uint32_t ah, YUVType b, uint32_t bw, uint32_t bh) {
  return aw == bw && ah == bh && SamplingOf(a) == SamplingOf(b) && CompareDepth(a, b) != 0;
}

}  // namespace corvane::analysis
