// The free zoom and pan: the view maths on their own, and the display
// drawing a zoomed view, checked against the mapping the pointer readout
// uses and against the whole frame drawn at 1:1.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "engine/display.h"
#include "engine/view_overlay.h"
#include "engine/view_transform.h"
#include "formats/result_codes.h"
#include "formats/test_pattern.h"
#include "support/recording_video_window.h"

namespace corvane {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint32_t kFW = 64, kFH = 48;

uint32_t Pixel(const Bytes& canvas, int32_t width, int32_t x, int32_t y) {
  uint32_t v;
  std::memcpy(&v, canvas.data() + (size_t(y) * size_t(width) + size_t(x)) * 4, 4);
  return v | 0xFF000000u;
}

// Draws `frame` (kFW × kFH of `type`) into a w × h window through `view`.
Bytes Draw(const Bytes& frame, YUVType type, const PictureView& view, int32_t w, int32_t h) {
  testsupport::RecordingVideoWindow wnd{w, h};
  Display display;
  EXPECT_EQ(display.Attach(&wnd), kOk);
  display.SetView(view);
  const FrameInfo info{kFW, kFH, type};
  EXPECT_EQ(display.Draw(frame.data(), uint32_t(frame.size()), &info), kOk);
  return wnd.Canvas();
}

TEST(ViewMaths, ZoomingInAndOutKeepsThePixelUnderThePointer) {
  // Square pixels and, with a forced 16:9 rectangle, stretched ones.
  for (const platform::Rect picture : {platform::Rect{0, 0, 352, 288}, platform::Rect{0, 45, 352, 243}}) {
    SCOPED_TRACE(picture.top);
    const int32_t ax = 100, ay = 120;
    PictureView view;
    const std::optional<PixelPos> under = MapView(view, picture, 352, 288).FramePixelAt(ax, ay);
    ASSERT_TRUE(under);
    for (int s = kZoomStepWhole + 1; s <= kZoomStepLast; ++s) {
      view = ZoomViewAt(view, 1, ax, ay, picture, 352, 288);
      ASSERT_EQ(view.step, s);
      EXPECT_EQ(MapView(view, picture, 352, 288).FramePixelAt(ax, ay), under) << "in to step " << s;
    }
    EXPECT_EQ(ZoomViewAt(view, 1, ax, ay, picture, 352, 288), view);  // 64× is the last step
    EXPECT_NEAR(MapView(view, picture, 352, 288).sx, 64.0, 1e-9);
    while (view.step > kZoomStepWhole) {
      view = ZoomViewAt(view, -1, ax, ay, picture, 352, 288);
      EXPECT_EQ(MapView(view, picture, 352, 288).FramePixelAt(ax, ay), under) << "out to step " << view.step;
    }
    EXPECT_TRUE(view.IsWhole());
    // Below 1× the whole frame shows, an eighth of the rectangle at 1/8,
    // centred: zooming out around any point cannot move it off centre.
    view = ZoomViewAt(view, -10, ax, ay, picture, 352, 288);
    EXPECT_EQ(view.step, 0);
    const platform::Rect v = MapView(view, picture, 352, 288).Visible();
    EXPECT_EQ(v.Width(), 44);
    EXPECT_NEAR(v.Height(), picture.Height() / 8.0, 1.0);
  }
}

TEST(ViewMaths, PanStopsAtTheEdges) {
  const platform::Rect picture{10, 0, 362, 288};
  struct Row {
    int step;
    double dx, dy;
    // Expected: the frame's left and top screen edges, or the visible
    // rectangle's right and bottom edges.
    bool pinnedTopLeft;
  };
  const Row rows[] = {
      {8, 1e6, 1e6, true},     // 4×, dragged right and down: frame's top left at the rectangle's
      {8, -1e6, -1e6, false},  // 4×, dragged up and left: its bottom right
      {2, 1e6, 1e6, false},    // 1/4: the small picture stops at the rectangle's bottom right
      {2, -1e6, -1e6, true},   // and at its top left
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.step);
    PictureView view;
    view.step = r.step;
    view = PanView(view, r.dx, r.dy, picture, 352, 288);
    const ViewMapping m = MapView(view, picture, 352, 288);
    const platform::Rect v = m.Visible();
    if (r.pinnedTopLeft) {
      EXPECT_NEAR(m.x0, picture.left, 1e-6);
      EXPECT_NEAR(m.y0, picture.top, 1e-6);
    } else {
      EXPECT_NEAR(m.x0 + 352 * m.sx, picture.right, 1e-6);
      EXPECT_NEAR(m.y0 + 288 * m.sy, picture.bottom, 1e-6);
    }
    EXPECT_EQ(v.Intersection(picture), v);
    if (r.step > kZoomStepWhole) EXPECT_EQ(v, picture);  // zoomed in, no black shows
  }
  PictureView whole;
  EXPECT_TRUE(PanView(whole, 50, 50, picture, 352, 288).IsWhole());
}

// A frame of RGB32 in which every pixel has its own colour.
Bytes UniqueColours() {
  Bytes f(size_t(kFW) * kFH * 4);
  for (uint32_t y = 0; y < kFH; ++y)
    for (uint32_t x = 0; x < kFW; ++x) {
      uint8_t* p = &f[(size_t(y) * kFW + x) * 4];
      p[0] = uint8_t(x * 4), p[1] = uint8_t(y * 5), p[2] = uint8_t(255 - x * 2 - y), p[3] = 0;
    }
  return f;
}

// At every zoom step, panned to an odd place: black round the frame; once a
// frame pixel is a screen pixel or more, each screen pixel shows the frame
// pixel the pointer mapping names there (for big pixels, the corner that
// neither grid nor text covers); at 8 screen pixels a pixel has a grid
// line, at 16 its values in a readable colour. (Smaller, the picture is
// filtered; and at 1× the display draws as it always has.)
TEST(ZoomedDisplay, DrawsThePixelThePointerMapsTo) {
  const Bytes frame = UniqueColours();
  const int32_t W = 200, H = 150;  // 3.125 screen pixels a frame pixel at 1×: not a whole number
  const platform::Rect picture{0, 0, W, H};
  auto colourOf = [&](const PixelPos& p) {
    uint32_t v;
    std::memcpy(&v, &frame[(size_t(p.y) * kFW + p.x) * 4], 4);
    return v | 0xFF000000u;
  };
  for (int step = 0; step <= kZoomStepLast; ++step) {
    SCOPED_TRACE(step);
    PictureView view;
    view.step = step;
    view = PanView(view, 37.3, -21.7, picture, kFW, kFH);
    const Bytes canvas = Draw(frame, YUV_RGB32, view, W, H);
    const ViewMapping m = MapView(view, picture, kFW, kFH);
    const platform::Rect v = m.Visible();
    const int size = m.PixelSize();
    size_t cellsWithText = 0;
    for (int32_t y = 0; y < H; ++y)
      for (int32_t x = 0; x < W; ++x) {
        const std::optional<PixelPos> p = m.FramePixelAt(x, y);
        if (!p) {
          ASSERT_EQ(Pixel(canvas, W, x, y), 0xFF000000u) << x << "," << y;
          continue;
        }
        // (A cell cut by the right or bottom edge has its text where its
        // corner would be.)
        const bool corner = x + 1 < v.right && y + 1 < v.bottom && m.FramePixelAt(x + 1, y) != p &&
                            m.FramePixelAt(x, y + 1) != p;
        if (m.sx < 1 || m.sy < 1 || view.IsWhole()) continue;
        if (size < kGridPixelSize || corner)
          ASSERT_EQ(Pixel(canvas, W, x, y), colourOf(*p)) << x << "," << y;
        // A whole cell: the grid on its first row, the values in it.
        const bool cellStart = m.FramePixelAt(x - 1, y) != p && m.FramePixelAt(x, y - 1) != p && x > v.left &&
                               y > v.top && x + size < v.right && y + size < v.bottom;
        if (size >= kGridPixelSize && cellStart) {
          const uint32_t ink = OverlayTextColour(colourOf(*p));
          EXPECT_NE(Pixel(canvas, W, x + 1, y), colourOf(*p)) << "no grid at " << x << "," << y;
          int inked = 0;
          for (int dy = 1; dy < size - 1; ++dy)
            for (int dx = 1; dx < size - 1; ++dx) inked += Pixel(canvas, W, x + dx, y + dy) == ink;
          if (FitOverlayText(size, 3)) {
            EXPECT_GT(inked, 20) << "no values at " << x << "," << y;
            ++cellsWithText;
          } else {
            EXPECT_EQ(inked, 0);
          }
        }
      }
    if (FitOverlayText(size, 3) && 2 * size + 2 < H) EXPECT_GT(cellsWithText, 0u);  // a whole cell fits
  }
}

// The values of the widest samples each depth has (255, 1023, 4095, 65535)
// in cells of 16, 24, 32 and 48 screen pixels: in every whole cell the text
// stays off the grid and the cell's far edge, and its lines are three runs
// of rows with a clear row between them; where they do not fit (16) nothing
// is written.
TEST(ZoomedDisplay, PixelValuesNeverRunTogether) {
  struct Format {
    YUVType type;
    uint32_t code;
    int sampleBytes;
    uint16_t largest;
  };
  const Format formats[] = {{YUV_IYUV, fmt::IYUV, 1, 255},
                            {YUV_I010, fmt::I010, 2, 1023},
                            {YUV_I012, fmt::I012, 2, 4095},
                            {YUV_P016, fmt::P016, 2, 65535}};
  for (const Format& f : formats) {
    YUVPara para = MakePara(f.code, kFW, kFH);
    YUVType type;
    uint32_t bytes;
    ASSERT_TRUE(GetTypeAndFrameSize(&para, &type, &bytes));
    ASSERT_EQ(type, f.type);
    Bytes frame(bytes);
    for (size_t i = 0; i + size_t(f.sampleBytes) <= frame.size(); i += size_t(f.sampleBytes)) {
      frame[i] = uint8_t(f.largest & 0xFF);
      if (f.sampleBytes == 2) frame[i + 1] = uint8_t(f.largest >> 8);
    }
    const int digits = int(std::to_string(f.largest).size());
    // A picture of twice the frame's size: 8×, 12×, 16×, 24× give those cells.
    constexpr int32_t W = 2 * int32_t(kFW), H = 2 * int32_t(kFH);
    for (const int step : {10, 11, 12, 13}) {
      SCOPED_TRACE(testing::Message() << "type " << f.type << ", step " << step);
      const platform::Rect picture{0, 0, W, H};
      PictureView view;
      view.step = step;
      view = PanView(view, 3.3, 2.2, picture, kFW, kFH);
      const Bytes canvas = Draw(frame, type, view, W, H);
      const ViewMapping m = MapView(view, picture, kFW, kFH);
      const platform::Rect v = m.Visible();
      const std::optional<OverlayTextFit> fit = FitOverlayText(m.PixelSize(), digits);
      const int sizes[] = {16, 24, 32, 48};
      EXPECT_EQ(m.PixelSize(), sizes[step - 10]);
      EXPECT_EQ(fit.has_value(), step > 10);
      int cells = 0;
      for (int64_t r = m.RowAt(v.top); r <= m.RowAt(v.bottom - 1); ++r)
        for (int64_t c = m.ColumnAt(v.left); c <= m.ColumnAt(v.right - 1); ++c) {
          const platform::Rect cell{int32_t(std::ceil(m.x0 + c * m.sx - 0.5)), int32_t(std::ceil(m.y0 + r * m.sy - 0.5)),
                                    int32_t(std::ceil(m.x0 + (c + 1) * m.sx - 0.5)),
                                    int32_t(std::ceil(m.y0 + (r + 1) * m.sy - 0.5))};
          if (cell.Intersection(v) != cell) continue;  // only whole cells
          ++cells;
          const uint32_t ink = OverlayTextColour(Pixel(canvas, W, cell.right - 1, cell.bottom - 1));
          std::vector<bool> rowInked(size_t(cell.Height()), false);
          for (int32_t y = cell.top; y < cell.bottom; ++y)
            for (int32_t x = cell.left; x < cell.right; ++x) {
              if (Pixel(canvas, W, x, y) != ink) continue;
              ASSERT_TRUE(x > cell.left && x < cell.right - 1 && y > cell.top && y < cell.bottom - 1)
                  << "ink on the cell's edge at " << x << "," << y;
              rowInked[size_t(y - cell.top)] = true;
            }
          int runs = 0;
          for (size_t y = 0; y < rowInked.size(); ++y) runs += rowInked[y] && (y == 0 || !rowInked[y - 1]);
          EXPECT_EQ(runs, fit ? 3 : 0) << "cell " << c << "," << r;
        }
      EXPECT_GT(cells, 0);
    }
  }
}

// Each format through the cut-out (and IUYV, which is never cut, through the
// whole conversion): at 4×, panned so that the cut starts on odd columns and
// rows, every visible screen pixel equals the frame drawn whole at 1:1 at
// the pixel the mapping names.
TEST(ZoomedDisplay, EveryFormatShowsWhatTheWholeFrameShows) {
  const uint32_t codes[] = {fmt::YV12, fmt::IYUV, fmt::NV12, fmt::NV16, fmt::YV16, fmt::YUYV, fmt::YVYU,
                            fmt::UYVY, fmt::IUYV, fmt::IYU2, fmt::RGB4, fmt::RGB3, fmt::RGB2, fmt::I444,
                            fmt::NV21, fmt::GRAY, fmt::I010, fmt::I210, fmt::I410, fmt::I012, fmt::GRAY10,
                            fmt::P010, fmt::P016, fmt::V210};
  const platform::Rect picture{0, 0, int32_t(kFW), int32_t(kFH)};
  for (uint32_t code : codes) {
    YUVPara para = MakePara(code, kFW, kFH);
    YUVType type;
    uint32_t size;
    ASSERT_TRUE(GetTypeAndFrameSize(&para, &type, &size));
    SCOPED_TRACE(type);
    const Bytes frame = MakePatternFrame(para, 3);
    const Bytes whole = Draw(frame, type, {}, int32_t(kFW), int32_t(kFH));
    for (const double pan : {-13.3, 9.9}) {
      PictureView view;
      view.step = 8;  // 4×: no grid yet
      view = PanView(view, pan, -pan, picture, kFW, kFH);
      const Bytes zoomed = Draw(frame, type, view, int32_t(kFW), int32_t(kFH));
      const ViewMapping m = MapView(view, picture, kFW, kFH);
      for (int32_t y = 0; y < int32_t(kFH); ++y)
        for (int32_t x = 0; x < int32_t(kFW); ++x) {
          const std::optional<PixelPos> p = m.FramePixelAt(x, y);
          ASSERT_TRUE(p);
          ASSERT_EQ(Pixel(zoomed, int32_t(kFW), x, y), Pixel(whole, int32_t(kFW), int32_t(p->x), int32_t(p->y)))
              << x << "," << y << " pan " << pan;
        }
    }
  }
}

TEST(ViewOverlay, ValuesAndTheirText) {
  // I420 (code YV12): chroma of pixel (5, 3) is the sample (2, 1) of each plane.
  const YUVPara para = MakePara(fmt::YV12, 8, 6);
  Bytes i420(8 * 6 * 3 / 2);
  for (size_t i = 0; i < i420.size(); ++i) i420[i] = uint8_t(i);
  FrameBuffer b;
  b.pData = i420.data();
  b.nSize = uint32_t(i420.size());
  b.nType = YUV_YV12;
  b.nWidth = para.width;
  b.nHeight = para.height;
  const size_t u = 48, v = 48 + 12;
  EXPECT_EQ(FramePixelValues(b, 5, 3), (PixelValues{{3 * 8 + 5, int(u + 1 * 4 + 2), int(v + 1 * 4 + 2)}, false}));
  EXPECT_EQ(FramePixelValues(b, 8, 0), std::nullopt);
  // RGB565: five, six and five bits as stored.
  Bytes rgb565(8 * 6 * 2);
  rgb565[0] = 0x1F | 0x20, rgb565[1] = 0xF8;  // red 31, green 1, blue 31
  b.pData = rgb565.data();
  b.nSize = uint32_t(rgb565.size());
  b.nType = YUV_RGB565;
  EXPECT_EQ(FramePixelValues(b, 0, 0), (PixelValues{{31, 1, 31}, true}));

  EXPECT_EQ(OverlayLines({{235, 16, 128}, false}, false), (std::array<std::string, 3>{"235", "16", "128"}));
  EXPECT_EQ(OverlayLines({{235, 16, 128}, false}, true), (std::array<std::string, 3>{"Y235", "U16", "V128"}));
  EXPECT_EQ(OverlayLines({{1, 2, 3}, true}, true), (std::array<std::string, 3>{"R1", "G2", "B3"}));
  // Grey formats: Y alone; 10-bit values in full.
  EXPECT_EQ(OverlayLines({{1023, -1, -1}, false}, true), (std::array<std::string, 3>{"Y1023", "", ""}));
  // The fit: three lines with a clear row round each need 20 rows; letters
  // where the widest value with its letter fits too; the font doubles at 48
  // when that still fits.
  const struct {
    int size, digits;
    std::optional<std::pair<int, bool>> fit;  // scale, labels
  } fits[] = {{16, 3, std::nullopt}, {19, 2, std::nullopt}, {20, 3, std::pair{1, true}}, {20, 4, std::pair{1, false}},
              {20, 5, std::nullopt}, {24, 5, std::pair{1, false}}, {26, 5, std::pair{1, true}},
              {48, 5, std::pair{2, false}}, {48, 3, std::pair{2, true}}, {64, 5, std::pair{2, true}}};
  for (const auto& f : fits) {
    const std::optional<OverlayTextFit> got = FitOverlayText(f.size, f.digits);
    ASSERT_EQ(got.has_value(), f.fit.has_value()) << f.size << " " << f.digits;
    if (got) EXPECT_EQ(std::pair(got->scale, got->labels), *f.fit) << f.size << " " << f.digits;
  }
  EXPECT_EQ(DigitsOfDepth(8), 3);
  EXPECT_EQ(DigitsOfDepth(10), 4);
  EXPECT_EQ(DigitsOfDepth(12), 4);
  EXPECT_EQ(DigitsOfDepth(16), 5);
  // Black on white and yellow, white on black and blue (BT.709 luma).
  EXPECT_EQ(OverlayTextColour(0xFFFFFFFFu), 0xFF000000u);
  EXPECT_EQ(OverlayTextColour(0xFFFFFF00u), 0xFF000000u);
  EXPECT_EQ(OverlayTextColour(0xFF000000u), 0xFFFFFFFFu);
  EXPECT_EQ(OverlayTextColour(0xFF0000FFu), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace corvane
