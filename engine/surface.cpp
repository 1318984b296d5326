#include "engine/surface.h"

#include "engine/page_memory.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace corvane {

namespace {

constexpr std::array<std::string_view, kYUVTypeCount> kSurfaceNames{
    "YVYU", "YUY2", "UYVY", "IYUV", "YV16", "RGB32", "RGB24",
    "RGB565", "RGB555", "NV12", "YV12", "IUYV", "IYU2", "NV16",
    "I444", "NV21", "GRAY", "I010", "I210", "I410", "I012", "GRAY10", "P010", "P016", "V210"};

uint32_t RoundUp(uint32_t v, uint32_t a) { return a <= 1 ? v : (v + a - 1) / a * a; }

}  // namespace

std::string_view SurfaceFormatName(YUVType format) {
  if (format < 0 || format >= kYUVTypeCount) return {};
  return kSurfaceNames[size_t(format)];
}

std::optional<YUVType> SurfaceFormatForName(std::string_view name) {
  std::string upper(name);
  for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
  for (size_t i = 0; i < kSurfaceNames.size(); ++i)
    if (kSurfaceNames[i] == upper) return YUVType(i);
  return std::nullopt;
}

std::array<YUVType, 3> SurfaceFormatsToTry(YUVType t) {
  switch (t) {
    case YUV_YVYU: return {t, YUV_YUYV, YUV_NONE};
    case YUV_YV12: return {t, YUV_IYUV, YUV_NONE};
    case YUV_YV16: return {t, YUV_YV12, YUV_IYUV};
    case YUV_RGB24: return {t, YUV_RGB32, YUV_NONE};
    case YUV_IYUV: return {t, YUV_YV12, YUV_NONE};
    case YUV_IUYV: return {t, YUV_UYVY, YUV_NONE};
    case YUV_IYU2: return {t, YUV_UYVY, YUV_NONE};
    case YUV_NV16: return {t, YUV_NV12, YUV_NONE};
    default: return {t, YUV_NONE, YUV_NONE};
  }
}

void Surface::Free::operator()(uint8_t* p) const {
  if (size != 0) FreeZeroed(p, size);
  else std::free(p);
}

void Surface::FillNeutral() const {
  m_neutralPending = false;
  if (m_planeCount > 1) std::memset(m_bytes.get() + m_planes[1].offset, 128, m_size - m_planes[1].offset);
}

uint64_t Surface::LayOutPlanes(uint32_t pitchAlign) {
  if (IsAddedType(m_format)) {
    // The added formats' surfaces hold the frame's own layout: their rows are
    // read by libyuv at any stride, and the odd sizes are already rounded up.
    const PlaneLayout frame = GetPlaneLayout(m_format, m_width, m_height);
    m_planeCount = frame.planeCount;
    m_pitch = frame.stride[0];
    for (int i = 0; i < m_planeCount; ++i) {
      const size_t k = size_t(i);
      m_planes[k] = {size_t(frame.offset[k]), frame.stride[k], frame.stride[k], frame.rows[k]};
    }
    return FrameSize64(m_format, m_width, m_height);
  }
  // Rows and row lengths are the frame's; the surface adds the pitch and the
  // storage of odd sizes. Stored widths round odd frame widths up to even:
  // converters read whole pixel pairs and ceil(w/2) chroma samples.
  const PlaneLayout frame = GetPlaneLayout(m_format, m_width, m_height);
  const uint64_t we = (uint64_t(m_width) + 1) & ~uint64_t(1);
  m_planeCount = frame.planeCount;
  if (m_planeCount == 1) {
    m_pitch = RoundUp(uint32_t(we * (frame.stride[0] / m_width)), pitchAlign);
  } else {
    m_pitch = RoundUp(uint32_t(we), pitchAlign < 2 ? 2 : pitchAlign);
    if (m_pitch % 2) m_pitch += 1;  // so that P/2 holds ceil(w/2) samples
  }
  // Planar chroma rows are half the luma pitch; the plane of U,V pairs is as
  // long as the luma's. An odd height stores one more 4:2:0 chroma row.
  const uint32_t chromaPitch = m_planeCount == 3 ? m_pitch / 2 : m_pitch;
  const uint32_t chromaStored = (m_height + frame.linesPerChromaRow - 1) / frame.linesPerChromaRow;
  uint64_t end = 0;
  for (int i = 0; i < m_planeCount; ++i) {
    const size_t k = size_t(i);
    const uint32_t pitch = i == 0 ? m_pitch : chromaPitch, stored = i == 0 ? m_height : chromaStored;
    m_planes[k] = {size_t(end), pitch, frame.stride[k], frame.rows[k]};
    end += uint64_t(pitch) * stored;
  }
  return end;
}

bool Surface::Allocate(uint64_t size) {
  m_size = size_t(size);
  const size_t alloc = (m_size + 63) & ~size_t(63);
  if (alloc >= kPageMemoryThreshold) {
    uint8_t* p = AllocateZeroed(alloc, 64);  // page-aligned
    if (!p) return false;
    m_bytes = std::unique_ptr<uint8_t[], Free>(p, Free{alloc});
  } else {
    auto* p = static_cast<uint8_t*>(std::aligned_alloc(64, alloc));
    if (!p) return false;
    m_bytes.reset(p);
    std::memset(p, 0, alloc);
  }
  m_neutralPending = m_planeCount > 1;
  return true;
}

std::unique_ptr<Surface> Surface::Make(YUVType format, uint32_t w, uint32_t h, uint32_t pitchAlign) {
  if (format < 0 || format >= kYUVTypeCount || w == 0 || h == 0) return nullptr;
  const uint64_t we = (uint64_t(w) + 1) & ~uint64_t(1);
  if (we * 4 > UINT32_MAX / 2 || FrameSize64(format, w, h) > UINT32_MAX) return nullptr;
  std::unique_ptr<Surface> s(new Surface());
  s->m_format = format;
  s->m_width = w;
  s->m_height = h;
  if (!s->Allocate(s->LayOutPlanes(pitchAlign))) return nullptr;
  return s;
}

bool Surface::HoldsFrameLayout(YUVType frameType) const {
  if (frameType != m_format) return false;
  const PlaneLayout l = GetPlaneLayout(frameType, m_width, m_height);
  if (l.planeCount != m_planeCount) return false;
  uint64_t end = 0;
  for (int i = 0; i < m_planeCount; ++i) {
    const SurfacePlane& pl = m_planes[size_t(i)];
    const size_t k = size_t(i);
    if (pl.offset != l.offset[k] || pl.pitch != l.stride[k] || pl.rowBytes != l.stride[k] || pl.rows != l.rows[k])
      return false;
    end = std::max(end, uint64_t(l.offset[k]) + uint64_t(l.stride[k]) * l.rows[k]);
  }
  // Storage beyond the frame's last row (the extra chroma row of an odd
  // height) is read by the converters, and a frame has no such bytes.
  return end == m_size;
}

std::vector<uint8_t> Surface::Packed() const {
  std::vector<uint8_t> out;
  size_t total = 0;
  for (int i = 0; i < m_planeCount; ++i) total += size_t(m_planes[size_t(i)].rowBytes) * m_planes[size_t(i)].rows;
  out.reserve(total);
  for (int i = 0; i < m_planeCount; ++i) {
    const SurfacePlane& pl = m_planes[size_t(i)];
    const uint8_t* row = Bytes() + pl.offset;
    for (uint32_t y = 0; y < pl.rows; ++y, row += pl.pitch) out.insert(out.end(), row, row + pl.rowBytes);
  }
  return out;
}

}  // namespace corvane
