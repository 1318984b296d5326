#include "engine/surface_copy.h"

#include <cstring>
#include <utility>

namespace corvane {

namespace {

void CopyRows(uint8_t* dst, size_t dstPitch, const uint8_t* src, size_t srcStride, size_t rowBytes,
              uint32_t rows) {
  if (rows == 0 || rowBytes == 0) return;
  if (dstPitch == rowBytes && srcStride == rowBytes) {
    std::memcpy(dst, src, rowBytes * rows);
    return;
  }
  for (uint32_t y = 0; y < rows; ++y, dst += dstPitch, src += srcStride) std::memcpy(dst, src, rowBytes);
}

// Plane i of the frame.
struct FramePlane {
  const uint8_t* p;
  size_t stride;
  uint32_t rows;
};
FramePlane FramePlaneOf(const uint8_t* data, const FrameInfo& f, int i) {
  const PlaneLayout l = GetPlaneLayout(f.type, f.width, f.height);
  return {data + l.offset[size_t(i)], l.stride[size_t(i)], l.rows[size_t(i)]};
}

void CopyPlane(Surface& s, int plane, const FramePlane& src, size_t srcStep = 1) {
  const SurfacePlane& dp = s.Plane(plane);
  CopyRows(s.PlaneData(plane), dp.pitch, src.p, src.stride * srcStep, dp.rowBytes, dp.rows);
}

// Packed 4:2:2 and the other one-plane layouts: rows of rowBytes.
void CopyPacked(const uint8_t* data, const FrameInfo& f, Surface& s) {
  CopyPlane(s, 0, FramePlaneOf(data, f, 0));
}

void CopyYVYUToYUY2(const uint8_t* data, const FrameInfo& f, Surface& s) {
  CopyPacked(data, f, s);
  const SurfacePlane& pl = s.Plane(0);
  uint8_t* row = s.PlaneData(0);
  for (uint32_t y = 0; y < pl.rows; ++y, row += pl.pitch)
    for (uint32_t i = 0; i + 3 < pl.rowBytes; i += 4) std::swap(row[i + 1], row[i + 3]);
}

// Planar into a planar surface of the other order or (YV16, chromaStep 2)
// into a 4:2:0 one: each chroma plane goes where the surface keeps it.
void CopyPlanarByRole(const uint8_t* data, const FrameInfo& f, Surface& s, size_t chromaStep) {
  const ChromaPlanes from = ChromaPlanesOf(f.type), to = ChromaPlanesOf(s.Format());
  CopyPlane(s, 0, FramePlaneOf(data, f, 0));
  CopyPlane(s, to.u, FramePlaneOf(data, f, from.u), chromaStep);
  CopyPlane(s, to.v, FramePlaneOf(data, f, from.v), chromaStep);
}

void CopyPlanes(const uint8_t* data, const FrameInfo& f, Surface& s, size_t chromaStep = 1) {
  for (int i = 0; i < s.PlaneCount(); ++i) CopyPlane(s, i, FramePlaneOf(data, f, i), i == 0 ? 1 : chromaStep);
}

// The lines of both fields, each to its display row; an odd height's last
// line, outside the fields, is not copied.
void CopyIUYVToUYVY(const uint8_t* data, const FrameInfo& f, Surface& s) {
  const SurfacePlane& pl = s.Plane(0);
  const FramePlane src = FramePlaneOf(data, f, 0);
  uint8_t* dst = s.PlaneData(0);
  for (uint32_t y = 0; y < f.height; ++y)
    if (IUYVLineInField(y, f.height))
      std::memcpy(dst + size_t(pl.pitch) * y, src.p + src.stride * IUYVStoredRow(y, f.height), src.stride);
}

void CopyIYU2ToUYVY(const uint8_t* data, const FrameInfo& f, Surface& s) {
  const SurfacePlane& pl = s.Plane(0);
  const size_t srcRow = 3 * size_t(f.width);
  uint8_t* dst = s.PlaneData(0);
  for (uint32_t y = 0; y < f.height; ++y, dst += pl.pitch) {
    const uint8_t* src = data + srcRow * y;
    uint8_t* d = dst;
    for (uint32_t x = 0; x + 1 < f.width; x += 2, src += 6, d += 4) {
      d[0] = src[0];  // U0
      d[1] = src[1];  // Y0
      d[2] = src[2];  // V0
      d[3] = src[4];  // Y1; U1 and V1 are dropped
    }
  }
}

void CopyRGB24ToRGB32(const uint8_t* data, const FrameInfo& f, Surface& s) {
  const SurfacePlane& pl = s.Plane(0);
  std::memset(s.Data(), 0, size_t(pl.pitch) * f.height);
  for (uint32_t y = 0; y < f.height; ++y) {
    const uint8_t* src = data + 3 * size_t(f.width) * y;
    uint8_t* d = s.PlaneData(0) + size_t(pl.pitch) * (f.height - 1 - y);
    for (uint32_t x = 0; x < f.width; ++x, src += 3, d += 4) {
      d[0] = src[0];
      d[1] = src[1];
      d[2] = src[2];
    }
  }
}

// Pixel-pair roles of the packed surfaces: 'Y', 'U' or 'V' for each byte.
const char* PairRoles(YUVType format) {
  switch (format) {
    case YUV_YVYU: return "YVYU";
    case YUV_YUYV: return "YUYV";
    case YUV_UYVY:
    case YUV_IUYV: return "UYVY";
    default: return nullptr;
  }
}

char KeptComponent(uint32_t mode) { return mode == kComponentY ? 'Y' : mode == kComponentU ? 'U' : 'V'; }

void FillPlane(Surface& s, int plane) {
  const SurfacePlane& pl = s.Plane(plane);
  uint8_t* row = s.PlaneData(plane);
  if (pl.pitch == pl.rowBytes) {
    std::memset(row, 128, size_t(pl.pitch) * pl.rows);
    return;
  }
  for (uint32_t y = 0; y < pl.rows; ++y, row += pl.pitch) std::memset(row, 128, pl.rowBytes);
}

// Sets to 128 every byte of plane whose role (pattern[offset % period])
// is not the kept component.
void FillInterleaved(Surface& s, int plane, const char* pattern, size_t period, char keep) {
  const SurfacePlane& pl = s.Plane(plane);
  bool kill[4] = {};
  for (size_t i = 0; i < period; ++i) kill[i] = pattern[i] != keep;
  uint8_t* row = s.PlaneData(plane);
  for (uint32_t y = 0; y < pl.rows; ++y, row += pl.pitch)
    for (uint32_t i = 0; i < pl.rowBytes; ++i)
      if (kill[i % period]) row[i] = 128;
}

// The added formats: samples of sampleBytes bytes (little-endian words), set
// to value where pattern[sample % period] is not the kept component (every
// sample when pattern is null).
void FillSamples(Surface& s, int plane, uint32_t sampleBytes, uint32_t value, const char* pattern, size_t period,
                 char keep) {
  const SurfacePlane& pl = s.Plane(plane);
  const uint32_t n = pl.rowBytes / sampleBytes;
  uint8_t* row = s.PlaneData(plane);
  for (uint32_t y = 0; y < pl.rows; ++y, row += pl.pitch)
    for (uint32_t i = 0; i < n; ++i) {
      if (pattern && pattern[i % period] == keep) continue;
      row[sampleBytes * i] = uint8_t(value);
      if (sampleBytes == 2) row[sampleBytes * i + 1] = uint8_t(value >> 8);
    }
}

// v210's fields by place: word j of a group of four holds the roles
// kV210Roles[j] from its low bits up. The others become 512.
void FillV210(Surface& s, char keep) {
  static constexpr const char* kV210Roles[4] = {"UYV", "YUY", "VYU", "YVY"};
  uint32_t keepMask[4] = {};
  for (int j = 0; j < 4; ++j)
    for (int f = 0; f < 3; ++f)
      if (kV210Roles[j][f] == keep) keepMask[j] |= 0x3FFu << (10 * f);
  const SurfacePlane& pl = s.Plane(0);
  // The groups that hold pixels; the row's padding stays as it is.
  const uint32_t used = (s.Width() + 5) / 6 * 16;
  uint8_t* row = s.PlaneData(0);
  for (uint32_t y = 0; y < pl.rows; ++y, row += pl.pitch)
    for (uint32_t i = 0; i + 4 <= used; i += 4) {
      uint8_t* q = row + i;
      const uint32_t m = keepMask[(i / 4) % 4];
      uint32_t v = uint32_t(q[0]) | uint32_t(q[1]) << 8 | uint32_t(q[2]) << 16 | uint32_t(q[3]) << 24;
      v = (v & m) | ((512u | 512u << 10 | 512u << 20) & ~m & 0x3FFFFFFFu);
      q[0] = uint8_t(v), q[1] = uint8_t(v >> 8), q[2] = uint8_t(v >> 16), q[3] = uint8_t(v >> 24);
    }
}

void ApplyAddedComponentView(Surface& s, char keep) {
  const YUVType t = s.Format();
  if (t == YUV_V210) return FillV210(s, keep);
  const uint32_t bytes = GetPlaneLayout(t, s.Width(), s.Height()).sampleBytes;
  // Mid-grey at the format's depth; P010 and P016 keep their data at the top.
  const uint32_t neutral = t == YUV_P010 || t == YUV_P016 ? 0x8000u : 128u << (BitDepthOf(t) - 8);
  if (keep != 'Y') FillSamples(s, 0, bytes, neutral, nullptr, 1, keep);
  switch (PlaneOrderOf(t)) {
    case PlaneOrder::kYUV:
      if (keep != 'U') FillSamples(s, 1, bytes, neutral, nullptr, 1, keep);
      if (keep != 'V') FillSamples(s, 2, bytes, neutral, nullptr, 1, keep);
      return;
    case PlaneOrder::kYInterleavedUV:
    case PlaneOrder::kYInterleavedVU:
      FillSamples(s, 1, bytes, neutral, PlaneOrderOf(t) == PlaneOrder::kYInterleavedUV ? "UV" : "VU", 2, keep);
      return;
    default:
      return;
  }
}

}  // namespace

uint64_t FrameBytes(const FrameInfo& f) {
  if (f.type == YUV_RGB555) return 2 * uint64_t(f.width) * f.height;  // no code, but a surface format
  return FrameSize64(f.type, f.width, f.height);
}

bool CopyFrameToSurface(const uint8_t* data, const FrameInfo& f, Surface& s) {
  if (s.Width() != f.width || s.Height() != f.height) return false;
  const YUVType to = s.Format();
  if (IsAddedType(f.type)) {
    if (to != f.type) return false;
    return CopyPlanes(data, f, s), true;
  }
  switch (f.type) {
    case YUV_YVYU:
      if (to == YUV_YVYU) return CopyPacked(data, f, s), true;
      if (to == YUV_YUYV) return CopyYVYUToYUY2(data, f, s), true;
      return false;
    case YUV_YUYV:
    case YUV_UYVY:
    case YUV_RGB32:
    case YUV_RGB565:
    case YUV_RGB555:
      if (to != f.type) return false;
      return CopyPacked(data, f, s), true;
    case YUV_YV12:
    case YUV_IYUV:
      if (to != YUV_YV12 && to != YUV_IYUV) return false;
      return CopyPlanarByRole(data, f, s, 1), true;
    case YUV_YV16:
      if (to == YUV_YV16) return CopyPlanes(data, f, s), true;
      if (to == YUV_YV12 || to == YUV_IYUV) return CopyPlanarByRole(data, f, s, 2), true;
      return false;
    case YUV_NV12:
      if (to != YUV_NV12) return false;
      return CopyPlanes(data, f, s), true;
    case YUV_NV16:
      if (to == YUV_NV16) return CopyPlanes(data, f, s), true;
      if (to == YUV_NV12) return CopyPlanes(data, f, s, 2), true;
      return false;
    case YUV_IUYV:
      if (to == YUV_IUYV) return CopyPacked(data, f, s), true;
      if (to == YUV_UYVY) return CopyIUYVToUYVY(data, f, s), true;
      return false;
    case YUV_IYU2:
      if (to == YUV_IYU2) return CopyPacked(data, f, s), true;
      if (to == YUV_UYVY) return CopyIYU2ToUYVY(data, f, s), true;
      return false;
    case YUV_RGB24:
      if (to == YUV_RGB24) return CopyPacked(data, f, s), true;
      if (to == YUV_RGB32) return CopyRGB24ToRGB32(data, f, s), true;
      return false;
    default:
      return false;
  }
  return false;
}

void ApplyComponentView(Surface& s, uint32_t mode) {
  if (mode == kComponentAll || mode > kComponentV) return;
  const char keep = KeptComponent(mode);
  if (IsAddedType(s.Format())) return ApplyAddedComponentView(s, keep);
  switch (s.Format()) {
    case YUV_YVYU:
    case YUV_YUYV:
    case YUV_UYVY:
    case YUV_IUYV:
      FillInterleaved(s, 0, PairRoles(s.Format()), 4, keep);
      return;
    case YUV_IYU2:
      FillInterleaved(s, 0, "UYV", 3, keep);
      return;
    case YUV_YV12:
    case YUV_YV16:
    case YUV_IYUV: {
      const ChromaPlanes cp = ChromaPlanesOf(s.Format());
      if (keep != 'Y') FillPlane(s, 0);
      if (keep != 'U') FillPlane(s, cp.u);
      if (keep != 'V') FillPlane(s, cp.v);
      return;
    }
    case YUV_NV12:
    case YUV_NV16:
      if (keep != 'Y') FillPlane(s, 0);
      if (keep == 'Y')
        FillPlane(s, 1);
      else
        FillInterleaved(s, 1, "UV", 2, keep);
      return;
    case YUV_RGB32:
    case YUV_RGB24:
    case YUV_RGB565:
    default:
      return;
  }
}

}  // namespace corvane
