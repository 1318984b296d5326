// Surface contents after the copy and the component view, byte for byte:
// small hand-written examples of each routine, then every pairing of frame
// and surface format at odd sizes and both pitch kinds against expectations
// written per pixel from the frame layouts, and the fallback choice made by
// the display when the device refuses formats.
#include <gtest/gtest.h>

#include "support/device_settings_guard.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "engine/display.h"
#include "formats/result_codes.h"
#include "engine/surface.h"
#include "engine/surface_copy.h"
#include "formats/test_pattern.h"
#include "engine/surface_device.h"
#include "support/frames.h"
#include "support/recording_video_window.h"

namespace corvane {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes CopyPacked(const Bytes& frame, YUVType type, uint32_t w, uint32_t h, YUVType surface, uint32_t align = 64) {
  auto s = Surface::Make(surface, w, h, align);
  EXPECT_TRUE(s);
  EXPECT_TRUE(CopyFrameToSurface(frame.data(), FrameInfo{w, h, type}, *s));
  return s->Packed();
}

using testsupport::Pattern;

// ---- Hand-written examples ------------------------------------------------

TEST(SurfaceCopyExamples, YVYUThroughYUY2ExchangesTheChromaBytes) {
  const Bytes frame{10, 20, 11, 30, 12, 21, 13, 31};  // Y0 V Y1 U, 4×1
  EXPECT_EQ(CopyPacked(frame, YUV_YVYU, 4, 1, YUV_YUYV), (Bytes{10, 30, 11, 20, 12, 31, 13, 21}));
  EXPECT_EQ(CopyPacked(frame, YUV_YVYU, 4, 1, YUV_YVYU), frame);
}

TEST(SurfaceCopyExamples, IYU2ThroughUYVYDropsTheSecondPixelsChroma) {
  const Bytes frame{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};  // 4×1: U Y V per pixel
  EXPECT_EQ(CopyPacked(frame, YUV_IYU2, 4, 1, YUV_UYVY), (Bytes{1, 2, 3, 5, 7, 8, 9, 11}));
}

TEST(SurfaceCopyExamples, IUYVThroughUYVYInterleavesTheFields) {
  // 2×4: stored rows are lines 0, 2, then 1, 3.
  const Bytes frame{0, 0, 0, 0, 2, 2, 2, 2, 1, 1, 1, 1, 3, 3, 3, 3};
  EXPECT_EQ(CopyPacked(frame, YUV_IUYV, 2, 4, YUV_UYVY), (Bytes{0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3}));
  EXPECT_EQ(CopyPacked(frame, YUV_IUYV, 2, 4, YUV_IUYV), frame);  // own surface: stored order
}

TEST(SurfaceCopyExamples, RGB24ThroughRGB32IsClearedPaddedAndUpsideDown) {
  const Bytes frame{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};  // 2×2, B G R
  EXPECT_EQ(CopyPacked(frame, YUV_RGB24, 2, 2, YUV_RGB32),
            (Bytes{7, 8, 9, 0, 10, 11, 12, 0, 1, 2, 3, 0, 4, 5, 6, 0}));
  EXPECT_EQ(CopyPacked(frame, YUV_RGB24, 2, 2, YUV_RGB24), frame);
}

TEST(SurfaceCopyExamples, YV16ThroughBoth420SurfacesTakesEveryOtherChromaRow) {
  // 4×4: Y 0..15, U rows {100,101} {102,103} {104,105} {106,107}, V the same + 100.
  Bytes frame;
  for (int i = 0; i < 16; ++i) frame.push_back(uint8_t(i));
  for (int i = 0; i < 8; ++i) frame.push_back(uint8_t(100 + i));
  for (int i = 0; i < 8; ++i) frame.push_back(uint8_t(200 + i));
  Bytes y(frame.begin(), frame.begin() + 16);
  Bytes iyuv = y, yv12 = y;
  for (uint8_t v : {100, 101, 104, 105, 200, 201, 204, 205}) iyuv.push_back(v);  // U then V
  for (uint8_t v : {200, 201, 204, 205, 100, 101, 104, 105}) yv12.push_back(v);  // V then U
  EXPECT_EQ(CopyPacked(frame, YUV_YV16, 4, 4, YUV_YV12), iyuv);  // the "IYUV" surface
  EXPECT_EQ(CopyPacked(frame, YUV_YV16, 4, 4, YUV_IYUV), yv12);  // the "YV12" surface
  EXPECT_EQ(CopyPacked(frame, YUV_YV16, 4, 4, YUV_YV16), frame);
}

TEST(SurfaceCopyExamples, The420CodesCrossIntoTheOtherSurface) {
  // 2×2: Y 1..4, second plane 50, third plane 60.
  const Bytes frame{1, 2, 3, 4, 50, 60};
  EXPECT_EQ(CopyPacked(frame, YUV_YV12, 2, 2, YUV_YV12), frame);
  EXPECT_EQ(CopyPacked(frame, YUV_YV12, 2, 2, YUV_IYUV), (Bytes{1, 2, 3, 4, 60, 50}));
  EXPECT_EQ(CopyPacked(frame, YUV_IYUV, 2, 2, YUV_IYUV), frame);
  EXPECT_EQ(CopyPacked(frame, YUV_IYUV, 2, 2, YUV_YV12), (Bytes{1, 2, 3, 4, 60, 50}));
}

TEST(SurfaceCopyExamples, NV16ThroughNV12TakesEveryOtherChromaRow) {
  const Bytes frame{1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 20, 21, 30, 31, 40, 41};  // 2×4
  EXPECT_EQ(CopyPacked(frame, YUV_NV16, 2, 4, YUV_NV12), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 30, 31}));
  EXPECT_EQ(CopyPacked(frame, YUV_NV16, 2, 4, YUV_NV16), frame);
}

TEST(SurfaceCopyExamples, APairingWithoutARoutineCopiesNothing) {
  auto s = Surface::Make(YUV_UYVY, 2, 1, 64);
  const Bytes frame{9, 9, 9, 9};
  EXPECT_FALSE(CopyFrameToSurface(frame.data(), FrameInfo{2, 1, YUV_YUYV}, *s));
  EXPECT_EQ(s->Packed(), (Bytes{0, 0, 0, 0}));
}

// ---- Every pairing at odd sizes -------------------------------------------

// Expected surface bytes written per pixel from the frame layouts.
Bytes Expected(const Bytes& f, YUVType type, uint32_t w, uint32_t h, YUVType surf) {
  Bytes out;
  const size_t luma = size_t(w) * h;
  auto push = [&](size_t i) { out.push_back(f[i]); };
  auto pushLuma = [&] {
    for (size_t i = 0; i < luma; ++i) push(i);
  };
  switch (type) {
    case YUV_YVYU:
    case YUV_YUYV:
    case YUV_UYVY:
    case YUV_RGB32:
    case YUV_RGB565:
    case YUV_IUYV:
    case YUV_IYU2:
    case YUV_RGB24:
      if (surf == type) return Bytes(f.begin(), f.begin() + long(FrameBytes({w, h, type})));
      break;
    default:
      break;
  }
  if (type == YUV_YVYU && surf == YUV_YUYV) {
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t b = 0; b < 2 * w; ++b) {
        const size_t i = size_t(2 * w) * y + b;
        const bool whole = (b / 4) * 4 + 3 < 2 * w;
        push(whole && b % 4 == 1 ? i + 2 : whole && b % 4 == 3 ? i - 2 : i);
      }
  } else if ((type == YUV_YV12 || type == YUV_IYUV) && (surf == YUV_YV12 || surf == YUV_IYUV)) {
    pushLuma();
    const size_t second = luma, third = luma + luma / 4, cw = w / 2, ch = h / 2;
    const bool crossed = surf != type;
    for (size_t plane : {crossed ? third : second, crossed ? second : third})
      for (size_t r = 0; r < ch; ++r)
        for (size_t c = 0; c < cw; ++c) push(plane + cw * r + c);
  } else if (type == YUV_YV16 && surf == YUV_YV16) {
    // The V plane starts at w·h + (w·h)/2, which is not right after U when w is odd.
    pushLuma();
    for (size_t plane : {luma, luma + luma / 2})
      for (size_t i = 0; i < size_t(w / 2) * h; ++i) push(plane + i);
  } else if (type == YUV_YV16) {
    pushLuma();
    const size_t u = luma, v = luma + luma / 2, cw = w / 2;
    for (size_t plane : {surf == YUV_YV12 ? u : v, surf == YUV_YV12 ? v : u})
      for (size_t r = 0; r < h / 2; ++r)
        for (size_t c = 0; c < cw; ++c) push(plane + cw * (2 * r) + c);
  } else if (type == YUV_NV12 || type == YUV_NV16) {
    pushLuma();
    const size_t rows = surf == YUV_NV12 ? h / 2 : h, step = type == YUV_NV16 && surf == YUV_NV12 ? 2 : 1;
    for (size_t r = 0; r < rows; ++r)
      for (size_t c = 0; c < w; ++c) push(luma + w * (r * step) + c);
  } else if (type == YUV_IUYV && surf == YUV_UYVY) {
    for (uint32_t line = 0; line < h; ++line) {
      if (h % 2 && line == h - 1) {  // no stored line for it: the surface keeps zeros
        out.insert(out.end(), 2 * w, 0);
        continue;
      }
      const size_t stored = line % 2 == 0 ? line / 2 : h / 2 + line / 2;
      for (size_t b = 0; b < 2 * w; ++b) push(2 * w * stored + b);
    }
  } else if (type == YUV_IYU2 && surf == YUV_UYVY) {
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) {
        const size_t px = 3 * (size_t(w) * y + x);
        if (x % 2 == 0 && x + 1 < w) {
          push(px), push(px + 1), push(px + 2);
        } else if (x % 2 == 1) {
          push(px + 1);
        } else {  // the odd last pixel has no pair: its two bytes stay zero
          out.push_back(0), out.push_back(0);
        }
      }
  } else if (type == YUV_RGB24 && surf == YUV_RGB32) {
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) {
        const size_t px = 3 * (size_t(w) * (h - 1 - y) + x);
        push(px), push(px + 1), push(px + 2), out.push_back(0);
      }
  }
  return out;
}

struct Pairing {
  YUVType frame, surface;
};
const Pairing kPairings[] = {
    {YUV_YVYU, YUV_YVYU}, {YUV_YVYU, YUV_YUYV}, {YUV_YUYV, YUV_YUYV},   {YUV_UYVY, YUV_UYVY},
    {YUV_YV12, YUV_YV12}, {YUV_YV12, YUV_IYUV}, {YUV_IYUV, YUV_IYUV},   {YUV_IYUV, YUV_YV12},
    {YUV_YV16, YUV_YV16}, {YUV_YV16, YUV_YV12}, {YUV_YV16, YUV_IYUV},   {YUV_RGB32, YUV_RGB32},
    {YUV_RGB24, YUV_RGB24}, {YUV_RGB24, YUV_RGB32}, {YUV_RGB565, YUV_RGB565}, {YUV_NV12, YUV_NV12},
    {YUV_NV16, YUV_NV16}, {YUV_NV16, YUV_NV12}, {YUV_IUYV, YUV_IUYV},   {YUV_IUYV, YUV_UYVY},
    {YUV_IYU2, YUV_IYU2}, {YUV_IYU2, YUV_UYVY},
};

TEST(SurfaceCopy, EveryPairingAtOddSizesAndBothPitchKinds) {
  const std::pair<uint32_t, uint32_t> sizes[] = {{7, 5}, {13, 9}, {64, 6}, {2, 2}, {1, 1}, {33, 3}};
  for (const Pairing& p : kPairings)
    for (auto [w, h] : sizes)
      for (uint32_t align : {1u, 64u}) {
        SCOPED_TRACE(std::string(SurfaceFormatName(p.frame)) + " frame into " +
                     std::string(SurfaceFormatName(p.surface)) + " surface, " + std::to_string(w) + "x" +
                     std::to_string(h) + " pitch align " + std::to_string(align));
        const Bytes frame = Pattern(FrameBytes({w, h, p.frame}), w * 31 + h);
        auto s = Surface::Make(p.surface, w, h, align);
        ASSERT_TRUE(s);
        ASSERT_EQ(s->Pitch() % (align == 1 ? 1 : align), 0u);
        ASSERT_TRUE(CopyFrameToSurface(frame.data(), FrameInfo{w, h, p.frame}, *s));
        EXPECT_EQ(s->Packed(), Expected(frame, p.frame, w, h, p.surface));
      }
}

TEST(SurfaceCopy, PitchPaddingIsNotWrittenByRowCopies) {
  // 30×2 UYVY: rows of 60 bytes at a pitch of 64; the 4 padding bytes of each
  // row stay as the surface was made.
  const Bytes frame = Pattern(120);
  auto s = Surface::Make(YUV_UYVY, 30, 2, 64);
  ASSERT_EQ(s->Pitch(), 64u);
  ASSERT_TRUE(CopyFrameToSurface(frame.data(), FrameInfo{30, 2, YUV_UYVY}, *s));
  for (int row = 0; row < 2; ++row) {
    EXPECT_EQ(0, std::memcmp(s->Data() + 64 * row, frame.data() + 60 * row, 60));
    for (int b = 60; b < 64; ++b) EXPECT_EQ(s->Data()[64 * row + b], 0);
  }
}

// ---- Component views ------------------------------------------------------

// The component of each byte of Packed() for a w × h surface.
std::string Roles(YUVType surf, uint32_t w, uint32_t h) {
  std::string r;
  auto rep = [&](char c, size_t n) { r.append(n, c); };
  switch (surf) {
    case YUV_YVYU:
    case YUV_YUYV:
    case YUV_UYVY:
    case YUV_IUYV: {
      const std::string pat = surf == YUV_YVYU ? "YVYU" : surf == YUV_YUYV ? "YUYV" : "UYVY";
      for (uint32_t y = 0; y < h; ++y)
        for (uint32_t b = 0; b < 2 * w; ++b) r += pat[b % 4];
      break;
    }
    case YUV_IYU2:
      for (size_t i = 0; i < size_t(w) * h; ++i) r += "UYV";
      break;
    case YUV_YV12:
    case YUV_IYUV:
    case YUV_YV16: {
      const size_t c = size_t(w / 2) * (surf == YUV_YV16 ? h : h / 2);
      rep('Y', size_t(w) * h);
      rep(surf == YUV_IYUV ? 'V' : 'U', c);
      rep(surf == YUV_IYUV ? 'U' : 'V', c);
      break;
    }
    case YUV_NV12:
    case YUV_NV16:
      rep('Y', size_t(w) * h);
      for (size_t row = 0; row < (surf == YUV_NV12 ? h / 2 : h); ++row)
        for (size_t b = 0; b < w; ++b) r += "UV"[b % 2];  // every row starts with a U
      break;
    default:
      rep('-', Surface::Make(surf, w, h, 1)->Packed().size());
  }
  return r;
}

TEST(ComponentView, EverySurfaceFormatAndMode) {
  for (int f = 0; f < kFirstAddedType; ++f)
    for (uint32_t mode = 0; mode <= 4; ++mode)
      for (auto [w, h] : {std::pair<uint32_t, uint32_t>{7, 5}, {16, 4}}) {
        const YUVType surf = YUVType(f);
        SCOPED_TRACE(std::string(SurfaceFormatName(surf)) + " mode " + std::to_string(mode) + " " +
                     std::to_string(w) + "x" + std::to_string(h));
        auto s = Surface::Make(surf, w, h, 64);
        // Fill the natural bytes with a pattern that never holds 128.
        Bytes before = s->Packed();
        for (size_t i = 0; i < before.size(); ++i) before[i] = uint8_t(i % 100);
        size_t k = 0;
        for (int p = 0; p < s->PlaneCount(); ++p)
          for (uint32_t y = 0; y < s->Plane(p).rows; ++y)
            for (uint32_t b = 0; b < s->Plane(p).rowBytes; ++b)
              s->PlaneData(p)[size_t(s->Plane(p).pitch) * y + b] = before[k++];
        ApplyComponentView(*s, mode);
        const Bytes after = s->Packed();
        const std::string roles = Roles(surf, w, h);
        ASSERT_EQ(roles.size(), after.size());
        const char keep = mode == 1 ? 'Y' : mode == 2 ? 'U' : mode == 3 ? 'V' : '*';
        for (size_t i = 0; i < after.size(); ++i) {
          const bool kept = keep == '*' || roles[i] == '-' || roles[i] == keep;
          ASSERT_EQ(after[i], kept ? before[i] : 128) << "byte " << i << " role " << roles[i];
        }
      }
}

// The added formats' surfaces are their frames, so a component view must
// leave exactly the frame the pattern packer makes with the other components
// at mid-grey of the format's depth (odd sizes, partial v210 groups).
TEST(ComponentView, AddedFormatsKeepOneComponentAtTheirDepth) {
  const uint32_t w = 13, h = 5, n = w * h;
  for (int f = kFirstAddedType; f < kYUVTypeCount; ++f) {
    const YUVType t = YUVType(f);
    const int bits = BitDepthOf(t);
    const uint16_t mid = uint16_t(1u << (bits - 1)), top = uint16_t((1u << bits) - 1);
    std::vector<uint16_t> Y(n), U(n), V(n), grey(n, mid);
    for (uint32_t i = 0; i < n; ++i)
      Y[i] = uint16_t(i * 37 % top), U[i] = uint16_t(i * 53 % top), V[i] = uint16_t(i * 71 % top);
    const Bytes frame = PackDeepFrame(t, w, h, Y.data(), U.data(), V.data());
    for (uint32_t mode = kComponentY; mode <= kComponentV; ++mode) {
      SCOPED_TRACE(std::string(SurfaceFormatName(t)) + " mode " + std::to_string(mode));
      auto s = Surface::Make(t, w, h, 64);
      ASSERT_TRUE(CopyFrameToSurface(frame.data(), FrameInfo{w, h, t}, *s));
      ApplyComponentView(*s, mode);
      const Bytes want = PackDeepFrame(t, w, h, mode == kComponentY ? Y.data() : grey.data(),
                                       mode == kComponentU ? U.data() : grey.data(),
                                       mode == kComponentV ? V.data() : grey.data());
      EXPECT_EQ(s->Packed(), want);
    }
  }
}

TEST(ComponentView, YOnlyUYVYAndVOnlyIYUVSurface) {
  // Y only on UYVY: chroma bytes become 128, luma stays.
  auto s = Surface::Make(YUV_UYVY, 2, 1, 64);
  const Bytes uyvy{10, 20, 30, 40};
  ASSERT_TRUE(CopyFrameToSurface(uyvy.data(), FrameInfo{2, 1, YUV_UYVY}, *s));
  ApplyComponentView(*s, kComponentY);
  EXPECT_EQ(s->Packed(), (Bytes{128, 20, 128, 40}));
  // V only on the "IYUV" surface (Y, U, V): the third plane stays.
  auto p = Surface::Make(YUV_YV12, 2, 2, 64);
  const Bytes i420{1, 2, 3, 4, 50, 60};
  ASSERT_TRUE(CopyFrameToSurface(i420.data(), FrameInfo{2, 2, YUV_YV12}, *p));
  ApplyComponentView(*p, kComponentV);
  EXPECT_EQ(p->Packed(), (Bytes{128, 128, 128, 128, 128, 60}));
}

// ---- Fallbacks chosen by the display ---------------------------------------


uint32_t Without(std::initializer_list<YUVType> refused) {
  uint32_t m = SurfaceDevice::kAllFormats;
  for (YUVType t : refused) m &= ~(1u << t);
  return m;
}

TEST(DisplayFallback, EachFrameFormatTakesItsFallbackAndTheSameBytes) {
  struct Case {
    YUVType frame;
    std::initializer_list<YUVType> refused;
    int32_t result;
    YUVType surface;
  };
  const Case cases[] = {
      {YUV_YVYU, {YUV_YVYU}, kOk, YUV_YUYV},
      {YUV_YV12, {YUV_YV12}, kOk, YUV_IYUV},
      {YUV_YV16, {YUV_YV16}, kOk, YUV_YV12},
      {YUV_YV16, {YUV_YV16, YUV_YV12}, kOk, YUV_IYUV},
      {YUV_RGB24, {YUV_RGB24}, kOk, YUV_RGB32},
      {YUV_IYUV, {YUV_IYUV}, kOk, YUV_YV12},
      {YUV_IUYV, {YUV_IUYV}, kOk, YUV_UYVY},
      {YUV_IYU2, {YUV_IYU2}, kOk, YUV_UYVY},
      {YUV_NV16, {YUV_NV16}, kOk, YUV_NV12},
      {YUV_YUYV, {}, kOk, YUV_YUYV},
      {YUV_YUYV, {YUV_YUYV}, kNoSurface, YUV_NONE},
      {YUV_UYVY, {YUV_UYVY}, kNoSurface, YUV_NONE},
      {YUV_RGB32, {YUV_RGB32}, kNoSurface, YUV_NONE},
      {YUV_RGB565, {YUV_RGB565}, kNoSurface, YUV_NONE},
      {YUV_NV12, {YUV_NV12}, kNoSurface, YUV_NONE},
      {YUV_YVYU, {YUV_YVYU, YUV_YUYV}, kNoSurface, YUV_NONE},
      {YUV_YV16, {YUV_YV16, YUV_YV12, YUV_IYUV}, kNoSurface, YUV_NONE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(SurfaceFormatName(c.frame)) + " expecting " +
                 std::string(c.surface == YUV_NONE ? "none" : SurfaceFormatName(c.surface)));
    testsupport::DeviceSettingsGuard guard;
    SurfaceDevice::Instance().SetNativeFormats(Without(c.refused));
    testsupport::RecordingVideoWindow wnd(22, 14);
    Display display;
    ASSERT_EQ(display.Attach(&wnd), kOk);
    const FrameInfo info{22, 14, c.frame};
    const Bytes frame = Pattern(FrameBytes(info), 5);
    EXPECT_EQ(display.Draw(frame.data(), uint32_t(frame.size()), &info), c.result);
    Display::SurfaceState st;
    ASSERT_TRUE(display.GetSurfaceState(&st));
    EXPECT_EQ(st.format, c.surface);
    if (c.result != kOk) {
      EXPECT_EQ(wnd.PresentCount(), 0u);
      continue;
    }
    Bytes packed;
    ASSERT_TRUE(display.GetPackedSurface(&packed));
    EXPECT_EQ(packed, Expected(frame, c.frame, 22, 14, c.surface));
    EXPECT_EQ(wnd.PresentCount(), 1u);
  }
}

}  // namespace
}  // namespace corvane
