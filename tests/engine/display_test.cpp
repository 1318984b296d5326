// The display through its public operations with a recording window: the
// aspect rectangle and its bars, placement refusals, monitors, redraw,
// component changes, the CVideoOutput wrapper, scaling quality and drawing
// from another thread.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "engine/display.h"
#include "formats/result_codes.h"
#include "engine/surface_copy.h"
#include "support/recording_video_window.h"

namespace corvane {
namespace {

using Bytes = std::vector<uint8_t>;
using platform::Rect;

// A w × h RGB32 frame of one colour.
Bytes SolidRGB32(uint32_t w, uint32_t h, uint8_t b, uint8_t g, uint8_t r) {
  Bytes f(size_t(w) * h * 4);
  for (size_t i = 0; i < f.size(); i += 4) f[i] = b, f[i + 1] = g, f[i + 2] = r, f[i + 3] = 0;
  return f;
}

uint32_t PixelAt(const Bytes& canvas, int32_t W, int32_t x, int32_t y) {
  uint32_t v;
  std::memcpy(&v, &canvas[(size_t(y) * W + x) * 4], 4);
  return v;
}

// libyuv's ARGB column filter weighs with 127ths and truncates, so a
// stretched flat colour comes out up to two levels lower (200 -> 198);
// picture pixels are compared within 2.
::testing::AssertionResult Near(uint32_t got, uint32_t want) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = int((got >> shift) & 0xFF), b = int((want >> shift) & 0xFF);
    if (a - b > 2 || b - a > 2)
      return ::testing::AssertionFailure() << got << " is not near " << want;
  }
  return ::testing::AssertionSuccess();
}

// ---- Aspect rectangle -------------------------------------------------------

TEST(AspectRect, StatedExamples) {
  // 4:3 in 800×400: 533 wide (400·4/3), bars 133 left and 134 right.
  EXPECT_EQ(AspectRect(kAspect4x3, 800, 400, 352, 288), (Rect{133, 0, 666, 400}));
  // 16:9 in 400×400: 225 high, bars 87 on top and 88 below.
  EXPECT_EQ(AspectRect(kAspect16x9, 400, 400, 352, 288), (Rect{0, 87, 400, 312}));
  EXPECT_EQ(AspectRect(kAspect5x4, 1000, 1000, 352, 288), (Rect{0, 100, 1000, 900}));
  EXPECT_EQ(AspectRect(kAspectFill, 800, 400, 352, 288), (Rect{0, 0, 800, 400}));
  // Exact ratio: no bars either way.
  EXPECT_EQ(AspectRect(kAspect16x9, 1600, 900, 352, 288), (Rect{0, 0, 1600, 900}));
  // Unknown modes, and the frame's own ratio without a frame, fill the window.
  EXPECT_EQ(AspectRect(7, 800, 400, 352, 288), (Rect{0, 0, 800, 400}));
  EXPECT_EQ(AspectRect(kAspectSource, 800, 400, 0, 288), (Rect{0, 0, 800, 400}));
}

TEST(AspectRect, SourceRatioNeverExceedsTheWindow) {
  // 352×288 in 800×600: the quotients 600/288 and 800/352 are both 2, and
  // comparing them would make the picture 800×654, taller than the window.
  // Compared exactly it is 733×600 with bars of 33 and 34.
  EXPECT_EQ(AspectRect(kAspectSource, 800, 600, 352, 288), (Rect{33, 0, 766, 600}));
  // Every window and ratio: the picture lies inside the window, touches two
  // opposite sides and is centred with the odd pixel on the right or bottom.
  const std::pair<uint32_t, uint32_t> frames[] = {{352, 288}, {176, 144}, {1920, 1080}, {7, 5}, {1, 100}};
  for (int mode = 1; mode <= 4; ++mode)
    for (auto [fw, fh] : frames)
      for (int32_t W = 10; W < 420; W += 37)
        for (int32_t H = 10; H < 420; H += 29) {
          const Rect r = AspectRect(mode, W, H, fw, fh);
          SCOPED_TRACE(::testing::Message() << "mode " << mode << " frame " << fw << "x" << fh << " window " << W
                                            << "x" << H);
          ASSERT_GE(r.left, 0);
          ASSERT_GE(r.top, 0);
          ASSERT_LE(r.right, W);
          ASSERT_LE(r.bottom, H);
          ASSERT_TRUE((r.left == 0 && r.right == W) || (r.top == 0 && r.bottom == H));
          const int32_t lb = r.left, rb = W - r.right, tb = r.top, bb = H - r.bottom;
          ASSERT_TRUE(rb == lb || rb == lb + 1);
          ASSERT_TRUE(bb == tb || bb == tb + 1);
        }
}

// ---- Drawing with bars ----------------------------------------------------

struct Drawn {
  int32_t result;
  Bytes canvas;
};

Drawn DrawSolid(testsupport::RecordingVideoWindow& wnd, int aspect, uint32_t fw, uint32_t fh) {
  Display display;
  EXPECT_EQ(display.Attach(&wnd), kOk);
  display.SetAspectMode(aspect);
  const Bytes frame = SolidRGB32(fw, fh, 10, 200, 30);
  const FrameInfo info{fw, fh, YUV_RGB32};
  const int32_t r = display.Draw(frame.data(), uint32_t(frame.size()), &info);
  return {r, wnd.Canvas()};
}

TEST(DisplayBars, BarsArePaintedBlackAndNothingIsLeftUnpainted) {
  const uint32_t kPicture = 0xFF1EC80Au, kBlack = 0xFF000000u;
  {
    testsupport::RecordingVideoWindow wnd(800, 400);
    const Drawn d = DrawSolid(wnd, kAspect4x3, 352, 288);
    ASSERT_EQ(d.result, kOk);
    for (int32_t y : {0, 199, 399}) {
      EXPECT_EQ(PixelAt(d.canvas, 800, 0, y), kBlack);
      EXPECT_EQ(PixelAt(d.canvas, 800, 132, y), kBlack);
      EXPECT_TRUE(Near(PixelAt(d.canvas, 800, 133, y), kPicture));
      EXPECT_TRUE(Near(PixelAt(d.canvas, 800, 665, y), kPicture));
      EXPECT_EQ(PixelAt(d.canvas, 800, 666, y), kBlack);  // the right bar is 134 wide
      EXPECT_EQ(PixelAt(d.canvas, 800, 799, y), kBlack);
    }
    ASSERT_EQ(wnd.PresentCount(), 1u);
    EXPECT_EQ(wnd.Last().dest, (Rect{0, 0, 800, 400}));
  }
  {
    testsupport::RecordingVideoWindow wnd(400, 400);
    const Drawn d = DrawSolid(wnd, kAspect16x9, 352, 288);
    EXPECT_EQ(PixelAt(d.canvas, 400, 200, 86), kBlack);
    EXPECT_TRUE(Near(PixelAt(d.canvas, 400, 200, 87), kPicture));
    EXPECT_TRUE(Near(PixelAt(d.canvas, 400, 200, 311), kPicture));
    EXPECT_EQ(PixelAt(d.canvas, 400, 200, 312), kBlack);
  }
  // The frame's own ratio in a window of nearly the same shape: the picture
  // fits and both bars are painted.
  testsupport::RecordingVideoWindow wnd(800, 600);
  const Drawn d = DrawSolid(wnd, kAspectSource, 352, 288);
  ASSERT_EQ(d.result, kOk);
  EXPECT_EQ(PixelAt(d.canvas, 800, 32, 0), kBlack);
  EXPECT_TRUE(Near(PixelAt(d.canvas, 800, 33, 0), kPicture));
  EXPECT_TRUE(Near(PixelAt(d.canvas, 800, 765, 599), kPicture));
  EXPECT_EQ(PixelAt(d.canvas, 800, 766, 599), kBlack);
  for (size_t i = 3; i < d.canvas.size(); i += 4) ASSERT_EQ(d.canvas[i], 255) << "unpainted pixel " << i / 4;
}

// ---- Placement --------------------------------------------------------------

TEST(DisplayPlacement, RefusesWindowsThatCannotBeDrawnInto) {
  const Bytes frame = SolidRGB32(16, 16, 1, 2, 3);
  const FrameInfo info{16, 16, YUV_RGB32};
  auto attempt = [&](testsupport::RecordingVideoWindow& wnd) {
    Display display;
    EXPECT_EQ(display.Attach(&wnd), kOk);
    return display.Draw(frame.data(), uint32_t(frame.size()), &info);
  };
  {
    testsupport::RecordingVideoWindow wnd(9, 200);
    EXPECT_EQ(attempt(wnd), kNotReady);
    EXPECT_EQ(wnd.PresentCount(), 0u);
  }
  {
    testsupport::RecordingVideoWindow wnd(200, 9);
    EXPECT_EQ(attempt(wnd), kNotReady);
  }
  {
    testsupport::RecordingVideoWindow wnd(10, 10);
    EXPECT_EQ(attempt(wnd), kOk);
    EXPECT_EQ(wnd.PresentCount(), 1u);
  }
  {
    testsupport::RecordingVideoWindow wnd(100, 100);
    wnd.SetVisible(false);
    EXPECT_EQ(attempt(wnd), kNotReady);
    EXPECT_EQ(wnd.PresentCount(), 0u);
  }
  {
    testsupport::RecordingVideoWindow wnd(100, 100);
    wnd.SetMinimized(true);
    EXPECT_EQ(attempt(wnd), kNotReady);
  }
  {
    // Wherever the client area lies on the desktop, even off every screen,
    // it is drawn: the window system composes it onto the screens it is on.
    testsupport::RecordingVideoWindow wnd(100, 100);
    for (const Rect at : {Rect{1920, 10, 2020, 110}, Rect{10, -100, 110, 0}, Rect{-5000, 0, -4900, 100}}) {
      wnd.SetClientRect(at);
      EXPECT_EQ(attempt(wnd), kOk);
    }
    EXPECT_EQ(wnd.PresentCount(), 3u);
  }
}

TEST(DisplayPlacement, OnePictureOfTheWholeClientAreaWhereverItIs) {
  // A window spanning two monitors gets one picture of its whole client
  // area, as one on a single monitor does.
  testsupport::RecordingVideoWindow wnd(200, 100);
  wnd.SetClientRect({900, 50, 1100, 150});
  Display display;
  ASSERT_EQ(display.Attach(&wnd), kOk);
  const Bytes frame = SolidRGB32(40, 20, 50, 60, 70);
  const FrameInfo info{40, 20, YUV_RGB32};
  ASSERT_EQ(display.Draw(frame.data(), uint32_t(frame.size()), &info), kOk);
  auto presents = wnd.Presents();
  ASSERT_EQ(presents.size(), 1u);
  EXPECT_EQ(presents[0].dest, (Rect{0, 0, 200, 100}));
  Display::SurfaceState st;
  ASSERT_TRUE(display.GetSurfaceState(&st));
  EXPECT_TRUE(st.ready);
  const Bytes canvas = wnd.Canvas();
  for (size_t i = 3; i < canvas.size(); i += 4) ASSERT_EQ(canvas[i], 255);
  EXPECT_TRUE(Near(PixelAt(canvas, 200, 99, 50), 0xFF463C32u));
  EXPECT_TRUE(Near(PixelAt(canvas, 200, 100, 50), 0xFF463C32u));

  wnd.ClearPresents();
  wnd.SetClientRect({1200, 50, 1400, 150});
  ASSERT_EQ(display.Draw(frame.data(), uint32_t(frame.size()), &info), kOk);
  presents = wnd.Presents();
  ASSERT_EQ(presents.size(), 1u);
  EXPECT_EQ(presents[0].dest, (Rect{0, 0, 200, 100}));
}

// ---- Operations and state -----------------------------------------------------

TEST(DisplayOperations, RefuseNullArgumentsAndWorkOnceAttached) {
  Display out;
  const FrameInfo info{16, 16, YUV_RGB32};
  const Bytes frame = SolidRGB32(16, 16, 1, 2, 3);
  EXPECT_EQ(out.Redraw(), kNotReady);
  EXPECT_EQ(out.Draw(frame.data(), uint32_t(frame.size()), &info), kNotReady);  // not attached
  EXPECT_EQ(out.Attach(nullptr), kNullArg);

  testsupport::RecordingVideoWindow wnd(32, 32);
  ASSERT_EQ(out.Attach(&wnd), kOk);
  EXPECT_EQ(out.Draw(nullptr, 16, &info), kNullArg);
  EXPECT_EQ(out.Draw(frame.data(), 0, &info), kNotReady);
  EXPECT_EQ(out.Draw(frame.data(), uint32_t(frame.size()), nullptr), kNullArg);
  // Fewer bytes than the frame needs: refused rather than read past the end.
  EXPECT_EQ(out.Draw(frame.data(), uint32_t(frame.size() - 1), &info), kNotReady);
  EXPECT_EQ(out.Redraw(), kNotReady);  // no frame yet
  EXPECT_EQ(out.Draw(frame.data(), uint32_t(frame.size()), &info), kOk);
  EXPECT_EQ(out.Redraw(), kOk);
  EXPECT_EQ(wnd.PresentCount(), 2u);
  EXPECT_EQ(out.SetComponentMode(3), kOk);
  EXPECT_EQ(out.SetComponentMode(4), kNotReady);
  EXPECT_EQ(out.GetComponentMode(), 3u);
  EXPECT_EQ(out.SetAspectMode(kAspect4x3), kOk);
  out.ReleaseSurfaces();
  EXPECT_EQ(out.Redraw(), kNotReady);
}

TEST(DisplayRedraw, CopiesTheKeptFrameAgainWithTheNewComponentView) {
  testsupport::RecordingVideoWindow wnd(8, 4);
  wnd.SetClientRect({0, 0, 16, 16});  // 16 × 16, so that the 10 × 10 minimum is met
  Display display;
  ASSERT_EQ(display.Attach(&wnd), kOk);
  Bytes frame(8 * 4 * 2);
  for (size_t i = 0; i < frame.size(); i += 4) frame[i] = 40, frame[i + 1] = 90, frame[i + 2] = 41, frame[i + 3] = 200;
  const FrameInfo info{8, 4, YUV_UYVY};
  ASSERT_EQ(display.Draw(frame.data(), uint32_t(frame.size()), &info), kOk);
  Bytes packed;
  ASSERT_TRUE(display.GetPackedSurface(&packed));
  EXPECT_EQ(packed, frame);
  EXPECT_EQ(display.SetComponentMode(kComponentY), kOk);
  ASSERT_EQ(display.Redraw(), kOk);
  ASSERT_TRUE(display.GetPackedSurface(&packed));
  for (size_t i = 0; i < packed.size(); i += 4) {
    ASSERT_EQ(packed[i], 128);
    ASSERT_EQ(packed[i + 1], 90);
    ASSERT_EQ(packed[i + 2], 128);
    ASSERT_EQ(packed[i + 3], 200);
  }
  // Back to the whole picture: the frame's own bytes again.
  display.SetComponentMode(kComponentAll);
  ASSERT_EQ(display.Redraw(), kOk);
  ASSERT_TRUE(display.GetPackedSurface(&packed));
  EXPECT_EQ(packed, frame);
  EXPECT_EQ(wnd.PresentCount(), 3u);
  // A hidden window refuses the redraw as it refuses a draw.
  wnd.SetVisible(false);
  EXPECT_EQ(display.Redraw(), kNotReady);
}

TEST(DisplaySurfaces, RemadeWhenGeometryOrTypeChanges) {
  testsupport::RecordingVideoWindow wnd(64, 64);
  Display display;
  ASSERT_EQ(display.Attach(&wnd), kOk);
  Display::SurfaceState st;
  const Bytes a(size_t(352) * 288 * 3 / 2, 100), b(size_t(176) * 144 * 2, 100);
  const FrameInfo fa{352, 288, YUV_YV12}, fb{176, 144, YUV_YUYV};
  ASSERT_EQ(display.Draw(a.data(), uint32_t(a.size()), &fa), kOk);
  ASSERT_TRUE(display.GetSurfaceState(&st));
  EXPECT_EQ(st.madeFor, fa);
  EXPECT_EQ(st.format, YUV_YV12);
  EXPECT_EQ(st.pitch, 384u);  // 352 rounded up to 64 bytes
  ASSERT_EQ(display.Draw(b.data(), uint32_t(b.size()), &fb), kOk);
  ASSERT_TRUE(display.GetSurfaceState(&st));
  EXPECT_EQ(st.madeFor, fb);
  EXPECT_EQ(st.format, YUV_YUYV);
  EXPECT_EQ(st.pitch, 384u);
  // Released: nothing to draw into until attached again.
  display.ReleaseSurfaces();
  EXPECT_EQ(display.Draw(b.data(), uint32_t(b.size()), &fb), kNotReady);
  ASSERT_EQ(display.Attach(&wnd), kOk);
  EXPECT_EQ(display.Draw(b.data(), uint32_t(b.size()), &fb), kOk);
}

// ---- Pictures -------------------------------------------------------------------

TEST(DisplayPictures, DownscalingFiltersInsteadOfPointSampling) {
  // One-pixel black and white columns shrunk to half width: point sampling
  // would give all white or all black; a filter gives grey.
  const uint32_t w = 64, h = 32;
  Bytes frame(size_t(w) * h * 4);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) std::memset(&frame[(size_t(y) * w + x) * 4], x % 2 ? 255 : 0, 4);
  testsupport::RecordingVideoWindow wnd(32, 16);
  Display display;
  ASSERT_EQ(display.Attach(&wnd), kOk);
  const FrameInfo info{w, h, YUV_RGB32};
  ASSERT_EQ(display.Draw(frame.data(), uint32_t(frame.size()), &info), kOk);
  const Bytes canvas = wnd.Canvas();
  for (uint32_t x = 2; x < 30; ++x) {
    const uint8_t g = canvas[(size_t(8) * 32 + x) * 4 + 1];
    EXPECT_GT(g, 90) << x;
    EXPECT_LT(g, 165) << x;
  }
}

TEST(DisplayPictures, YUVLevelsBecomeTheirColours) {
  // BT.601 limited range: Y 235 is white, Y 16 black, neutral chroma grey.
  testsupport::RecordingVideoWindow wnd(16, 16);
  Display display;
  ASSERT_EQ(display.Attach(&wnd), kOk);
  Bytes frame(16 * 16 * 3 / 2, 128);
  std::memset(frame.data(), 235, 16 * 8);
  std::memset(frame.data() + 16 * 8, 16, 16 * 8);
  const FrameInfo info{16, 16, YUV_YV12};
  ASSERT_EQ(display.Draw(frame.data(), uint32_t(frame.size()), &info), kOk);
  const Bytes c = wnd.Canvas();
  EXPECT_EQ(PixelAt(c, 16, 5, 2), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(c, 16, 5, 12), 0xFF000000u);
}

TEST(DisplayPictures, APictureTheWindowStillHoldsIsNeverWrittenAgain) {
  testsupport::RecordingVideoWindow wnd(16, 16);
  wnd.SetKeepPictures(0);  // the window lets go at once, so pictures can be reused
  Display display;
  ASSERT_EQ(display.Attach(&wnd), kOk);
  const FrameInfo info{16, 16, YUV_RGB32};
  const Bytes red = SolidRGB32(16, 16, 0, 0, 255), blue = SolidRGB32(16, 16, 255, 0, 0);
  ASSERT_EQ(display.Draw(red.data(), uint32_t(red.size()), &info), kOk);
  wnd.SetKeepPictures(1);
  ASSERT_EQ(display.Draw(red.data(), uint32_t(red.size()), &info), kOk);
  const auto held = wnd.Last().picture;  // like a widget waiting to paint it
  ASSERT_TRUE(held);
  for (int i = 0; i < 5; ++i) ASSERT_EQ(display.Draw(blue.data(), uint32_t(blue.size()), &info), kOk);
  uint32_t px;
  std::memcpy(&px, held->Row(3) + 12, 4);
  EXPECT_EQ(px, 0xFFFF0000u);
  std::memcpy(&px, wnd.Last().picture->Row(3) + 12, 4);
  EXPECT_EQ(px, 0xFF0000FFu);
}

TEST(DisplayThreads, DrawsOnThePresentingThreadWhileModesChange) {
  testsupport::RecordingVideoWindow wnd(320, 180);
  wnd.SetKeepPictures(2);
  Display out;
  ASSERT_EQ(out.Attach(&wnd), kOk);
  const FrameInfo info{176, 144, YUV_NV12};
  Bytes frame(size_t(176) * 144 * 3 / 2, 90);
  std::thread::id presenter;
  std::thread t([&] {
    presenter = std::this_thread::get_id();
    for (int i = 0; i < 200; ++i) ASSERT_EQ(out.Draw(frame.data(), uint32_t(frame.size()), &info), kOk);
  });
  for (int i = 0; i < 200; ++i) {
    out.SetAspectMode(i % 5);
    out.SetComponentMode(uint32_t(i % 4));
    out.Redraw();
  }
  t.join();
  size_t fromPresenter = 0;
  for (const auto& p : wnd.Presents()) fromPresenter += p.thread == presenter;
  EXPECT_EQ(fromPresenter, 200u);
  const Bytes canvas = wnd.Canvas();
  for (size_t i = 3; i < canvas.size(); i += 4) ASSERT_EQ(canvas[i], 255);
}

}  // namespace
}  // namespace corvane
