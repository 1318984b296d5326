#include "engine/deep_render.h"

#include <immintrin.h>

#include <algorithm>

#include "engine/device_common.h"
#include "formats/v210.h"
#include "engine/yuv_to_bgra.h"

namespace corvane {

namespace {

using namespace device;

// 16-bit planes; strides in samples, as libyuv's 16-bit routines take them.
struct Planes16 {
  const uint16_t* y;
  int ys;
  const uint16_t* u;
  int us;
  const uint16_t* v;
  int vs;
};

const uint16_t* Words(const Surface& s, int plane) { return reinterpret_cast<const uint16_t*>(s.PlaneData(plane)); }
int WordPitch(const Surface& s, int plane) { return int(s.Plane(plane).pitch / 2); }

// Planar 10- and 12-bit at their own size (u and v null: grey).
bool Planar16ToARGB(YUVType t, const Planes16& p, int w, int h, uint8_t* dst, int dstStride, ColourSpace colour) {
  const Sub sub = t == YUV_I410 || t == YUV_GRAY10 ? Sub::k444 : t == YUV_I210 || t == YUV_V210 ? Sub::k422 : Sub::k420;
  const int depth = t == YUV_I012 ? 12 : 10;
  Planar16ToBGRA(sub, p.y, p.ys, p.u, p.us, p.v, p.vs, dst, dstStride, w, h, CoefficientsFor(colour, depth));
  return true;
}

bool RenderGray(const Surface& s, uint8_t* dst, int dstStride, int dw, int dh, RenderScratch& scratch,
                ColourSpace colour) {
  const int w = int(s.Width()), h = int(s.Height());
  const uint8_t* y = s.PlaneData(0);
  int ys = int(s.Plane(0).pitch);
  if (w != dw || h != dh) {
    const int st = Stride64(dw);
    uint8_t* b = scratch.scaled.Get(size_t(st) * dh);
    if (!b) return false;
    libyuv::ScalePlane(y, ys, w, h, b, st, dw, dh, FilterFor(w, h, dw, dh));
    y = b, ys = st;
  }
  GreyToBGRA(y, ys, dst, dstStride, dw, dh, CoefficientsFor(colour, 8));
  return true;
}

// 10-bit grey: the luma plane alone, chroma neutral.
bool RenderGray10(const Surface& s, uint8_t* dst, int dstStride, ColourSpace colour) {
  return Planar16ToARGB(YUV_GRAY10, {Words(s, 0), WordPitch(s, 0), nullptr, 0, nullptr, 0}, int(s.Width()),
                        int(s.Height()), dst, dstStride, colour);
}

// P010 and P016, read through their top 10 bits: taken apart into 10-bit
// planes and drawn as I010. (libyuv's direct P010 conversion keeps only 8 of
// the bits, a level off on average against ffmpeg.)
bool RenderP010(const Surface& s, uint8_t* dst, int dstStride, RenderScratch& scratch, ColourSpace colour) {
  const int w = int(s.Width()), h = int(s.Height());
  const int cw = (w + 1) / 2, ch = (h + 1) / 2;
  const int py = Stride64(w), pc = Stride64(cw);
  auto* b = reinterpret_cast<uint16_t*>(scratch.planar.Get(2 * (size_t(py) * h + 2 * size_t(pc) * ch)));
  if (!b) return false;
  uint16_t* iy = b;
  uint16_t* iu = iy + size_t(py) * h;
  uint16_t* iv = iu + size_t(pc) * ch;
  if (libyuv::P010ToI010(Words(s, 0), WordPitch(s, 0), Words(s, 1), WordPitch(s, 1), iy, py, iu, pc, iv, pc, w, h) !=
      0)
    return false;
  return Planar16ToARGB(YUV_I010, {iy, py, iu, pc, iv, pc}, w, h, dst, dstStride, colour);
}

// v210: unpacked row by row into 10-bit 4:2:2 planes.
bool RenderV210(const Surface& s, uint8_t* dst, int dstStride, RenderScratch& scratch, ColourSpace colour) {
  const int w = int(s.Width()), h = int(s.Height());
  const int ys = Stride64(w), cs = Stride64((w + 1) / 2);
  auto* b = reinterpret_cast<uint16_t*>(scratch.planar.Get(2 * (size_t(ys) + 2 * size_t(cs)) * h));
  if (!b) return false;
  uint16_t* y = b;
  uint16_t* u = y + size_t(ys) * h;
  uint16_t* v = u + size_t(cs) * h;
  const V210RowFn unpack = BestV210Row();
  const uint8_t* row = s.PlaneData(0);
  for (int r = 0; r < h; ++r, row += s.Plane(0).pitch)
    unpack(row, y + size_t(ys) * r, u + size_t(cs) * r, v + size_t(cs) * r, w);
  return Planar16ToARGB(YUV_V210, {y, ys, u, cs, v, cs}, w, h, dst, dstStride, colour);
}

void RoundSamplesPlain(const uint16_t* src, uint8_t* dst, int n, int shift) {
  const uint32_t half = 1u << (shift - 1);
  for (int i = 0; i < n; ++i) dst[i] = uint8_t(std::min<uint32_t>(255, (src[i] + half) >> shift));
}

__attribute__((target("avx2"))) void RoundSamplesAvx2(const uint16_t* src, uint8_t* dst, int n, int shift) {
  const __m256i half = _mm256_set1_epi16(int16_t(1 << (shift - 1)));
  const __m128i count = _mm_cvtsi32_si128(shift);
  int i = 0;
  for (; i + 32 <= n; i += 32) {
    // Adding half can carry out of 16 bits only for words above 65535 - half:
    // saturating adds keep them at the top, where they belong.
    const __m256i a = _mm256_srl_epi16(_mm256_adds_epu16(_mm256_loadu_si256((const __m256i*)(src + i)), half), count);
    const __m256i b =
        _mm256_srl_epi16(_mm256_adds_epu16(_mm256_loadu_si256((const __m256i*)(src + i + 16)), half), count);
    _mm256_storeu_si256((__m256i*)(dst + i), _mm256_permute4x64_epi64(_mm256_packus_epi16(a, b), 0xD8));
  }
  RoundSamplesPlain(src + i, dst + i, n - i, shift);
}

// The rounding asks whether to stop once every this many rows: 3 MB of a
// 16384-wide I410 frame, a millisecond or two.
constexpr uint32_t kRowsBetweenStops = 32;
bool StopAt(const RenderStop& stop, uint32_t row) { return row % kRowsBetweenStops == 0 && stop.Requested(); }

// Rows of `n` samples of a 16-bit plane rounded into an 8-bit one; false
// when stopped part way.
bool RoundPlane(const uint8_t* src, uint32_t srcPitch, uint8_t* dst, uint32_t dstPitch, int n, uint32_t rows,
                int shift, const RenderStop& stop) {
  for (uint32_t r = 0; r < rows; ++r) {
    if (StopAt(stop, r)) return false;
    RoundSamplesTo8(reinterpret_cast<const uint16_t*>(src + size_t(srcPitch) * r), dst + size_t(dstPitch) * r, n,
                    shift);
  }
  return true;
}

// The 8-bit surface a deep format is rounded into before it is scaled.
YUVType EightBitFormatOf(YUVType t) {
  switch (t) {
    case YUV_I210:
    case YUV_V210: return YUV_YV16;
    case YUV_I410:
    case YUV_GRAY10: return YUV_I444;
    case YUV_P010:
    case YUV_P016: return YUV_NV12;
    default: return YUV_YV12;  // I010, I012; planes Y, U, V
  }
}

// Rounds the deep surface s into scratch.eightBit (made or remade for its
// size and format). Chroma rows and columns are rounded up, as the deep
// layouts and the 8-bit surfaces' storage both hold them. Null when
// scratch.stop is requested part way (or no memory).
const Surface* RoundToEightBit(const Surface& s, RenderScratch& scratch) {
  const YUVType t = s.Format(), to = EightBitFormatOf(t);
  const uint32_t w = s.Width(), h = s.Height();
  std::unique_ptr<Surface>& e = scratch.eightBit;
  if (!e || e->Format() != to || e->Width() != w || e->Height() != h) {
    e = Surface::Make(to, w, h, SurfaceDevice::kDefaultPitchAlign);
    if (!e) return nullptr;  // chroma starts neutral: GRAY10's stays so
  }
  const int shift = t == YUV_P010 || t == YUV_P016 ? 8 : BitDepthOf(t) - 8;
  const uint32_t cw = (w + 1) / 2, ch = (h + 1) / 2;
  switch (t) {
    case YUV_V210: {
      // Unpacked a row at a time, then rounded into the 4:2:2 planes.
      auto* row = reinterpret_cast<uint16_t*>(scratch.row.Get(2 * (size_t(w) + 2 * cw)));
      if (!row) return nullptr;
      uint16_t *u = row + w, *v = u + cw;
      const V210RowFn unpack = BestV210Row();
      for (uint32_t r = 0; r < h; ++r) {
        if (StopAt(scratch.stop, r)) return nullptr;
        unpack(s.PlaneData(0) + size_t(s.Plane(0).pitch) * r, row, u, v, int(w));
        RoundSamplesTo8(row, e->PlaneData(0) + size_t(e->Plane(0).pitch) * r, int(w), 2);
        RoundSamplesTo8(u, e->PlaneData(1) + size_t(e->Plane(1).pitch) * r, int(cw), 2);
        RoundSamplesTo8(v, e->PlaneData(2) + size_t(e->Plane(2).pitch) * r, int(cw), 2);
      }
      return e.get();
    }
    case YUV_P010:
    case YUV_P016:
      if (!RoundPlane(s.PlaneData(0), s.Plane(0).pitch, e->PlaneData(0), e->Plane(0).pitch, int(w), h, shift,
                      scratch.stop) ||
          !RoundPlane(s.PlaneData(1), s.Plane(1).pitch, e->PlaneData(1), e->Plane(1).pitch, int(2 * cw), ch, shift,
                      scratch.stop))
        return nullptr;
      return e.get();
    default: {
      // Planar: Y, U, V into the 8-bit surface's planes of those roles.
      const ChromaPlanes to8 = ChromaPlanesOf(to);
      const int planes = s.PlaneCount();
      for (int i = 0; i < planes; ++i) {
        const int dstPlane = i == 0 ? 0 : i == 1 ? to8.u : to8.v;
        const int n = int(s.Plane(i).rowBytes / 2);
        if (!RoundPlane(s.PlaneData(i), s.Plane(i).pitch, e->PlaneData(dstPlane), e->Plane(dstPlane).pitch, n,
                        s.Plane(i).rows, shift, scratch.stop))
          return nullptr;
      }
      return e.get();
    }
  }
}

}  // namespace

void RoundSamplesTo8(const uint16_t* src, uint8_t* dst, int n, int shift) {
  static const auto best = __builtin_cpu_supports("avx2") ? RoundSamplesAvx2 : RoundSamplesPlain;
  best(src, dst, n, shift);
}

bool RenderDeep(const Surface& s, uint8_t* dst, int dstStride, int dw, int dh, RenderScratch& scratch,
                ColourSpace colour) {
  if ((dw != int(s.Width()) || dh != int(s.Height())) && s.Format() != YUV_GRAY) {
    const Surface* e = RoundToEightBit(s, scratch);
    return e && !scratch.stop.Requested() &&
           SurfaceDevice::Instance().Render(*e, dst, dstStride, dw, dh, scratch, colour);
  }
  switch (s.Format()) {
    case YUV_GRAY: return RenderGray(s, dst, dstStride, dw, dh, scratch, colour);
    case YUV_GRAY10: return RenderGray10(s, dst, dstStride, colour);
    case YUV_P010:
    case YUV_P016: return RenderP010(s, dst, dstStride, scratch, colour);
    case YUV_V210: return RenderV210(s, dst, dstStride, scratch, colour);
    case YUV_I010:
    case YUV_I210:
    case YUV_I410:
    case YUV_I012: {
      const Planes16 p{Words(s, 0), WordPitch(s, 0), Words(s, 1), WordPitch(s, 1), Words(s, 2), WordPitch(s, 2)};
      return Planar16ToARGB(s.Format(), p, int(s.Width()), int(s.Height()), dst, dstStride, colour);
    }
    default: return false;
  }
}

}  // namespace corvane
