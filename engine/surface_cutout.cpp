// Parts of a surface read in place, for the zoomed view.
#include "engine/surface.h"

namespace corvane {

std::array<uint32_t, 2> Surface::CutAlignment(YUVType format) {
  switch (format) {
    case YUV_YV12:
    case YUV_IYUV:
    case YUV_NV12:
      return {2, 2};
    case YUV_YV16:
    case YUV_NV16:
    case YUV_YVYU:
    case YUV_YUYV:
    case YUV_UYVY:
      return {2, 1};
    case YUV_IYU2:
    case YUV_RGB32:
    case YUV_RGB24:
    case YUV_RGB565:
    case YUV_RGB555:
      return {1, 1};
    case YUV_I444:
    case YUV_GRAY:
    case YUV_I410:
    case YUV_GRAY10:
      return {1, 1};
    case YUV_NV21:
    case YUV_I010:
    case YUV_I012:
    case YUV_P010:
    case YUV_P016:
      return {2, 2};
    case YUV_I210:
      return {2, 1};
    case YUV_V210:
      return {6, 1};  // whole groups of 6 pixels
    default:  // IUYV keeps its lines in field order
      return {0, 0};
  }
}

namespace {

// Byte offset of column x in plane i of an added format.
uint64_t AddedColumnBytes(YUVType format, const PlaneLayout& l, int i, uint32_t x) {
  if (format == YUV_V210) return uint64_t(x / 6) * 16;
  if (i == 0) return uint64_t(x) * l.sampleBytes;
  const uint64_t sample = x / l.pixelsPerChromaSample;
  const bool pairs = PlaneOrderOf(format) == PlaneOrder::kYInterleavedUV ||
                     PlaneOrderOf(format) == PlaneOrder::kYInterleavedVU;
  return sample * l.sampleBytes * (pairs ? 2 : 1);
}

}  // namespace

std::unique_ptr<Surface> Surface::CutOut(uint32_t x, uint32_t y, uint32_t w, uint32_t h) const {
  const auto [ax, ay] = CutAlignment(m_format);
  if (ax == 0 || w == 0 || h == 0 || x % ax || y % ay || uint64_t(x) + w > m_width ||
      uint64_t(y) + h > m_height)
    return nullptr;
  std::unique_ptr<Surface> part(new Surface());
  part->m_format = m_format;
  part->m_width = w;
  part->m_height = h;
  part->m_pitch = m_pitch;
  part->m_planeCount = m_planeCount;
  part->m_size = m_size;
  part->m_borrowed = Bytes();
  // Bytes per pixel of plane 0 from its natural row length; chroma planes
  // hold one sample (planar) or one U,V pair (semi-planar) per two columns,
  // so column x starts x/2 or x bytes in.
  const uint32_t bpp0 = m_planes[0].rowBytes / (m_width ? m_width : 1);
  const PlaneLayout cut = GetPlaneLayout(m_format, w, h);
  for (int i = 0; i < m_planeCount; ++i) {
    const size_t k = size_t(i);
    SurfacePlane pl = m_planes[k];
    const uint32_t rowsPer = i == 0 ? 1 : cut.linesPerChromaRow;
    const uint64_t column = IsAddedType(m_format) ? AddedColumnBytes(m_format, cut, i, x)
                            : i == 0              ? uint64_t(x) * bpp0
                                                  : (m_planeCount == 3 ? x / 2 : x);
    pl.offset += size_t(uint64_t(y / rowsPer) * pl.pitch + column);
    pl.rowBytes = cut.stride[k];
    pl.rows = cut.rows[k];
    part->m_planes[k] = pl;
  }
  return part;
}

}  // namespace corvane
