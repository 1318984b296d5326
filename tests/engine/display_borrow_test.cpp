// A surface that holds its frame's layout byte for byte reads the frame in
// place instead of copying it. Nothing observable may change with that: the
// surface dump and the picture must be the bytes a copied surface gives,
// every path that writes the surface (component views, fallbacks, padded
// pitches) must write its own storage and leave the caller's frame alone,
// and no frame may be read once the Draw that replaced it has begun, or after
// the surfaces are released (run these under AddressSanitizer: the frames
// are freed as soon as the contract lets them go).
#include <gtest/gtest.h>

#include "support/device_settings_guard.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/display.h"
#include "formats/result_codes.h"
#include "engine/surface.h"
#include "engine/surface_copy.h"
#include "engine/surface_device.h"
#include "support/frames.h"
#include "support/recording_video_window.h"

namespace corvane {
namespace {

using Bytes = std::vector<uint8_t>;

using testsupport::Pattern;

std::string Name(YUVType t) { return std::string(SurfaceFormatName(t)); }


// 5 divides none of the row lengths below, so every surface made under it
// has a padded pitch and must take the copy.
constexpr uint32_t kForceCopyAlign = 5;

// The surface dump a copied surface gives: the copy routine and the
// component view on a surface with padded rows, packed.
Bytes CopiedDump(const Bytes& frame, const FrameInfo& info, uint32_t mode) {
  auto s = Surface::Make(info.type, info.width, info.height, kForceCopyAlign);
  EXPECT_TRUE(s);
  if (!s) return {};
  EXPECT_TRUE(CopyFrameToSurface(frame.data(), info, *s));
  ApplyComponentView(*s, mode);
  return s->Packed();
}

// The last picture the window was given, rows packed at 4 bytes a pixel.
Bytes LastPicture(const testsupport::RecordingVideoWindow& wnd) {
  const auto last = wnd.Last();
  Bytes out;
  if (!last.picture) return out;
  for (uint32_t y = 0; y < last.height; ++y) {
    const uint8_t* row = last.picture->Row(y);
    out.insert(out.end(), row, row + 4 * size_t(last.width));
  }
  return out;
}

bool Borrowed(const Display& display) {
  Display::SurfaceState st;
  return display.GetSurfaceState(&st) && st.borrowed;
}

// ---- Which layouts are the frame's own ------------------------------------------

TEST(SurfaceLayout, HoldsTheFrameLayoutOnlyWhenTheCopyIsOneBlock) {
  for (int i = 0; i < kYUVTypeCount; ++i) {
    const YUVType t = YUVType(i);
    SCOPED_TRACE(Name(t));
    // Rows at their natural length: the own format is the frame, byte for
    // byte, and no other format is.
    auto s = Surface::Make(t, 16, 8, 1);
    ASSERT_TRUE(s);
    EXPECT_TRUE(s->HoldsFrameLayout(t));
    for (int j = 0; j < kYUVTypeCount; ++j) {
      if (j == i) continue;
      EXPECT_FALSE(s->HoldsFrameLayout(YUVType(j))) << Name(YUVType(j));
    }
    const FrameInfo info{16, 8, t};
    EXPECT_EQ(s->Size(), FrameBytes(info));
    const Bytes frame = Pattern(FrameBytes(info), 3 + uint32_t(i));
    ASSERT_TRUE(CopyFrameToSurface(frame.data(), info, *s));
    EXPECT_EQ(0, std::memcmp(s->Data(), frame.data(), frame.size()));

    // Padded rows (20 wide at 64 bytes), and an odd width (stored rounded up
    // to whole pixel pairs) are not; the added formats' surfaces are always
    // the frame's layout.
    const bool added = IsAddedType(t);
    EXPECT_EQ(Surface::Make(t, 20, 8, 64)->HoldsFrameLayout(t), added);
    EXPECT_EQ(Surface::Make(t, 15, 8, 1)->HoldsFrameLayout(t), added);
    // An odd height stores one more 4:2:0 chroma row than the frame has;
    // the other layouts store exactly the frame's rows.
    const bool has420Chroma = t == YUV_YV12 || t == YUV_IYUV || t == YUV_NV12;
    EXPECT_EQ(Surface::Make(t, 16, 7, 1)->HoldsFrameLayout(t), !has420Chroma);
  }
}

// ---- Borrowed and copied surfaces look the same ---------------------------------

TEST(DisplayBorrow, EveryFormatDumpsAndPaintsAsItsCopy) {
  // 128 × 32: every own-format row length is a multiple of 64 bytes, so
  // surfaces at the device's default alignment hold the frame's layout.
  const uint32_t w = 128, h = 32;
  struct Window {
    int32_t w, h;
  };
  // Unscaled, the row-by-row 2:1 shrink, and libyuv's general scaler.
  const Window windows[] = {{128, 32}, {64, 16}, {100, 30}};
  // The added formats' surfaces hold the frame's layout at any alignment, so
  // no setting makes them copy: they always read in place.
  for (int i = 0; i < kFirstAddedType; ++i) {
    const YUVType t = YUVType(i);
    const FrameInfo info{w, h, t};
    // Exactly the frame's bytes, so that a read past its end is caught.
    const Bytes frame = Pattern(FrameBytes(info), 11 + uint32_t(i));
    for (const Window& win : windows) {
      SCOPED_TRACE(Name(t) + " into " + std::to_string(win.w) + "x" + std::to_string(win.h));
      testsupport::RecordingVideoWindow borrowWnd(win.w, win.h), copyWnd(win.w, win.h);
      Display borrowing, copying;
      ASSERT_EQ(borrowing.Attach(&borrowWnd), kOk);
      ASSERT_EQ(copying.Attach(&copyWnd), kOk);
      ASSERT_EQ(borrowing.Draw(frame.data(), uint32_t(frame.size()), &info), kOk);
      {
        testsupport::DeviceSettingsGuard padded;
        SurfaceDevice::Instance().SetPitchAlignment(kForceCopyAlign);
        ASSERT_EQ(copying.Draw(frame.data(), uint32_t(frame.size()), &info), kOk);
      }
      ASSERT_TRUE(Borrowed(borrowing));
      ASSERT_FALSE(Borrowed(copying));

      Bytes borrowedDump, copiedDump;
      ASSERT_TRUE(borrowing.GetPackedSurface(&borrowedDump));
      ASSERT_TRUE(copying.GetPackedSurface(&copiedDump));
      EXPECT_EQ(borrowedDump, copiedDump);
      EXPECT_EQ(borrowedDump, frame);  // the own format's dump is the frame itself
      const Bytes borrowedPicture = LastPicture(borrowWnd), copiedPicture = LastPicture(copyWnd);
      ASSERT_EQ(borrowedPicture.size(), 4 * size_t(win.w) * size_t(win.h));
      EXPECT_EQ(borrowedPicture, copiedPicture);
    }
  }
}

TEST(DisplayBorrow, FallbacksAndPaddedPitchesCopy) {
  // A fallback surface never holds the frame's layout, and the copy into it
  // is the same whatever the alignment.
  const FrameInfo yv16{128, 32, YUV_YV16};
  const Bytes frame = Pattern(FrameBytes(yv16), 7);
  const uint32_t native = SurfaceDevice::Instance().NativeFormats();
  SurfaceDevice::Instance().SetNativeFormats(native & ~(1u << YUV_YV16));
  testsupport::RecordingVideoWindow wnd(64, 16);
  Display display;
  ASSERT_EQ(display.Attach(&wnd), kOk);
  const int32_t drawn = display.Draw(frame.data(), uint32_t(frame.size()), &yv16);
  SurfaceDevice::Instance().SetNativeFormats(native);
  ASSERT_EQ(drawn, kOk);
  Display::SurfaceState st;
  ASSERT_TRUE(display.GetSurfaceState(&st));
  EXPECT_EQ(st.format, YUV_YV12);
  EXPECT_FALSE(st.borrowed);

  // The default alignment pads a 352-pixel row (the CIF width) to 384.
  const FrameInfo cif{352, 288, YUV_YV12};
  const Bytes cifFrame = Pattern(FrameBytes(cif), 8);
  ASSERT_EQ(display.Draw(cifFrame.data(), uint32_t(cifFrame.size()), &cif), kOk);
  ASSERT_TRUE(display.GetSurfaceState(&st));
  EXPECT_EQ(st.pitch, 384u);
  EXPECT_FALSE(st.borrowed);
  Bytes dump;
  ASSERT_TRUE(display.GetPackedSurface(&dump));
  EXPECT_EQ(dump, cifFrame);
}

// ---- Switching between borrowed and own storage -------------------------------

TEST(DisplayBorrow, ComponentModesSwitchBetweenBorrowedAndOwnStorage) {
  for (YUVType t : {YUV_YV12, YUV_IYUV, YUV_YV16, YUV_NV12, YUV_NV16, YUV_YUYV, YUV_UYVY, YUV_IYU2}) {
    SCOPED_TRACE(Name(t));
    const FrameInfo info{128, 32, t};
    const Bytes first = Pattern(FrameBytes(info), 21), second = Pattern(FrameBytes(info), 22);
    const Bytes firstKept = first, secondKept = second;
    testsupport::RecordingVideoWindow wnd(64, 16);
    Display display;
    ASSERT_EQ(display.Attach(&wnd), kOk);
    Bytes dump;

    ASSERT_EQ(display.Draw(first.data(), uint32_t(first.size()), &info), kOk);
    EXPECT_TRUE(Borrowed(display));
    ASSERT_TRUE(display.GetPackedSurface(&dump));
    EXPECT_EQ(dump, first);
    const Bytes wholePicture = LastPicture(wnd);

    // A component view is written into the surface's own storage, never
    // into the frame it borrowed.
    ASSERT_EQ(display.SetComponentMode(kComponentY), kOk);
    ASSERT_EQ(display.Redraw(), kOk);
    EXPECT_FALSE(Borrowed(display));
    ASSERT_TRUE(display.GetPackedSurface(&dump));
    EXPECT_EQ(dump, CopiedDump(first, info, kComponentY));
    EXPECT_NE(dump, first);
    EXPECT_EQ(first, firstKept);

    // Back to the whole picture: borrowed again, the same picture as before.
    ASSERT_EQ(display.SetComponentMode(kComponentAll), kOk);
    ASSERT_EQ(display.Redraw(), kOk);
    EXPECT_TRUE(Borrowed(display));
    ASSERT_TRUE(display.GetPackedSurface(&dump));
    EXPECT_EQ(dump, first);
    EXPECT_EQ(LastPicture(wnd), wholePicture);

    // A new frame under a view, then the whole picture again.
    ASSERT_EQ(display.SetComponentMode(kComponentV), kOk);
    ASSERT_EQ(display.Draw(second.data(), uint32_t(second.size()), &info), kOk);
    EXPECT_FALSE(Borrowed(display));
    ASSERT_TRUE(display.GetPackedSurface(&dump));
    EXPECT_EQ(dump, CopiedDump(second, info, kComponentV));
    EXPECT_EQ(second, secondKept);
    ASSERT_EQ(display.SetComponentMode(kComponentAll), kOk);
    ASSERT_EQ(display.Draw(first.data(), uint32_t(first.size()), &info), kOk);
    EXPECT_TRUE(Borrowed(display));
    ASSERT_TRUE(display.GetPackedSurface(&dump));
    EXPECT_EQ(dump, first);
    EXPECT_EQ(LastPicture(wnd), wholePicture);
  }
}

TEST(DisplayBorrow, RGBFramesBorrowUnderAnyComponentMode) {
  // The component view leaves RGB surfaces alone, so there is nothing to
  // write and the frame is still read in place.
  const FrameInfo info{128, 32, YUV_RGB24};
  const Bytes frame = Pattern(FrameBytes(info), 31);
  testsupport::RecordingVideoWindow wnd(64, 16);
  Display display;
  ASSERT_EQ(display.Attach(&wnd), kOk);
  ASSERT_EQ(display.SetComponentMode(kComponentU), kOk);
  ASSERT_EQ(display.Draw(frame.data(), uint32_t(frame.size()), &info), kOk);
  EXPECT_TRUE(Borrowed(display));
  Bytes dump;
  ASSERT_TRUE(display.GetPackedSurface(&dump));
  EXPECT_EQ(dump, frame);
}

// ---- Lifetimes -------------------------------------------------------------------

TEST(DisplayBorrow, NoFrameIsReadAfterTheDrawThatReplacesItOrAfterRelease) {
  const FrameInfo info{128, 32, YUV_YV12};
  const uint32_t size = uint32_t(FrameBytes(info));
  auto make = [&](uint32_t seed) { return std::make_unique<Bytes>(Pattern(size, seed)); };
  testsupport::RecordingVideoWindow wnd(64, 16);
  Display display;
  ASSERT_EQ(display.Attach(&wnd), kOk);
  Bytes dump;

  // A draw refused for the window's placement still takes the earlier
  // frame back: the caller may free it, and the surface shows nothing
  // until a draw reaches it again, from the new frame.
  auto a = make(41), b = make(42);
  ASSERT_EQ(display.Draw(a->data(), size, &info), kOk);
  ASSERT_TRUE(Borrowed(display));
  wnd.SetVisible(false);
  EXPECT_EQ(display.Draw(b->data(), size, &info), kNotReady);
  a.reset();
  EXPECT_FALSE(Borrowed(display));
  EXPECT_FALSE(display.GetPackedSurface(&dump));
  wnd.SetVisible(true);
  ASSERT_EQ(display.Redraw(), kOk);
  EXPECT_TRUE(Borrowed(display));
  ASSERT_TRUE(display.GetPackedSurface(&dump));
  EXPECT_EQ(dump, *b);

  // A draw refused for its arguments forgets the kept frame: nothing is
  // left to redraw.
  auto c = make(43);
  EXPECT_EQ(display.Draw(c->data(), size - 1, &info), kNotReady);
  b.reset();
  EXPECT_FALSE(display.GetPackedSurface(&dump));
  EXPECT_EQ(display.Redraw(), kNotReady);

  // Frame after frame, each earlier one freed as soon as the next is drawn.
  ASSERT_EQ(display.Draw(c->data(), size, &info), kOk);
  auto d = make(44);
  ASSERT_EQ(display.Draw(d->data(), size, &info), kOk);
  c.reset();
  ASSERT_TRUE(display.GetPackedSurface(&dump));
  EXPECT_EQ(dump, *d);
  ASSERT_EQ(display.Redraw(), kOk);

  // Released: the kept frame may go, and a display attached again has no
  // frame to redraw.
  display.ReleaseSurfaces();
  d.reset();
  EXPECT_FALSE(display.GetPackedSurface(&dump));
  ASSERT_EQ(display.Attach(&wnd), kOk);
  EXPECT_EQ(display.Redraw(), kNotReady);
  EXPECT_FALSE(display.GetPackedSurface(&dump));
}

}  // namespace
}  // namespace corvane
