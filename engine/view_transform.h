// The free zoom and pan of the picture area: which part of the frame the
// picture rectangle shows and how large a frame pixel is on screen. The
// picture rectangle is the one the display fills at 1× (AspectRect of the
// area); the view zooms inside it in fixed steps and pans, and the display,
// the pointer readout and the overlay all map through the one ViewMapping
// made here, so that what is drawn under the pointer is what is read out.
//
// Threads: plain values and pure functions.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "platform/video_window.h"

namespace corvane {

struct ZoomStep {
  int num;
  int den;
  double Value() const { return double(num) / double(den); }
};

// 1/8 up to 64×; above 1× the steps the eye reads as "twice as close" with
// a step between (×1.5 or ×1.33).
inline constexpr std::array<ZoomStep, 17> kZoomSteps{{{1, 8},
                                                      {1, 6},
                                                      {1, 4},
                                                      {1, 3},
                                                      {1, 2},
                                                      {1, 1},
                                                      {2, 1},
                                                      {3, 1},
                                                      {4, 1},
                                                      {6, 1},
                                                      {8, 1},
                                                      {12, 1},
                                                      {16, 1},
                                                      {24, 1},
                                                      {32, 1},
                                                      {48, 1},
                                                      {64, 1}}};
inline constexpr int kZoomStepWhole = 5;  // 1×: the whole picture
inline constexpr int kZoomStepLast = int(kZoomSteps.size()) - 1;

// The view: a zoom step and where the frame sits. The offset is how far the
// frame point at the centre of the picture rectangle lies from the frame's
// own centre, in frame pixels, so the view means the same in any window
// size and in full screen.
struct PictureView {
  int step = kZoomStepWhole;
  double offsetX = 0;
  double offsetY = 0;

  double Zoom() const { return kZoomSteps[size_t(step)].Value(); }
  // The whole picture in its rectangle: the display's plain path.
  bool IsWhole() const { return step == kZoomStepWhole && offsetX == 0 && offsetY == 0; }
  friend bool operator==(const PictureView&, const PictureView&) = default;
};

struct PixelPos {
  uint32_t x = 0;
  uint32_t y = 0;
  friend bool operator==(const PixelPos&, const PixelPos&) = default;
};

// The view laid onto an area: frame pixel (i, j) covers the screen
// rectangle [x0 + i·sx, x0 + (i+1)·sx) × [y0 + j·sy, y0 + (j+1)·sy).
struct ViewMapping {
  platform::Rect picture;  // the picture rectangle (what 1× fills)
  uint32_t frameW = 0;
  uint32_t frameH = 0;
  double sx = 1, sy = 1;  // screen pixels per frame pixel
  double x0 = 0, y0 = 0;  // screen position of the frame's top left corner

  // The frame column and row that a screen column or row shows (the frame
  // pixel whose area holds the centre of the screen pixel); may lie outside
  // the frame.
  int64_t ColumnAt(int32_t x) const;
  int64_t RowAt(int32_t y) const;
  // The screen rectangle the frame covers, clipped to the picture
  // rectangle: every screen pixel in it shows a frame pixel. Empty when none.
  platform::Rect Visible() const;
  // The frame pixel shown at a screen point; none outside Visible().
  std::optional<PixelPos> FramePixelAt(int32_t x, int32_t y) const;
  // Screen pixels per frame pixel, rounded down: the size a pixel's square
  // has on screen (the smaller side).
  int PixelSize() const;
};

// `picture`: the picture rectangle in the area (AspectRect); frame: w × h.
ViewMapping MapView(const PictureView& view, const platform::Rect& picture, uint32_t frameW, uint32_t frameH);

// The view kept in bounds: zoomed in, the picture rectangle shows frame
// everywhere; zoomed out, the whole frame stays inside the picture
// rectangle; at 1× it is centred.
PictureView ClampView(PictureView view, uint32_t frameW, uint32_t frameH);

// `steps` zoom steps in (positive) or out, keeping the frame point under the
// screen point (ax, ay) where it is (as far as the bounds let it).
PictureView ZoomViewAt(const PictureView& view, int steps, int32_t ax, int32_t ay, const platform::Rect& picture,
                       uint32_t frameW, uint32_t frameH);
// Moves the frame by (dx, dy) screen pixels, as a drag does.
PictureView PanView(const PictureView& view, double dx, double dy, const platform::Rect& picture, uint32_t frameW,
                    uint32_t frameH);

}  // namespace corvane
