// What a zoomed view draws over the picture: a thin grid between the frame
// pixels once a pixel is 8 screen pixels or more, each pixel's values as
// small text where they fit in its cell (from 20 screen pixels for three
// lines of up to four digits), and a small overview of where the view
// is in the frame while zoomed in. Drawn by the display into the finished
// picture with a 3×5 pixel font of its own, so the text is the same on every
// machine and in every screenshot.
//
// Threads: pure functions; the display calls them on the presenting thread.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/frame_queue.h"
#include "engine/pixel_lookup.h"
#include "engine/view_transform.h"

namespace corvane {

inline constexpr int kGridPixelSize = 8;  // screen pixels per frame pixel for the grid

// One frame pixel's samples: Y, U, V (the chroma sample that covers the
// pixel, for subsampled chroma) or R, G, B as the frame stores them (5 or 6
// bits each for the 16-bit formats).
struct PixelValues {
  std::array<int, 3> c{};
  bool rgb = false;
  friend bool operator==(const PixelValues&, const PixelValues&) = default;
};

// The values of frame pixel (x, y) of a frame buffer; none outside the frame
// or for a format without samples the lookup knows.
std::optional<PixelValues> FramePixelValues(const FrameBuffer& frame, uint32_t x, uint32_t y);

// The three lines of a pixel's text, top to bottom; with labels ("Y235")
// when the pixel has room for them, else the numbers alone. A component the
// format does not have (U and V of a grey format, given as -1) has no line.
std::array<std::string, 3> OverlayLines(const PixelValues& values, bool labels);

// How the values are written in a cell `size` screen pixels square whose
// samples have at most `digits` digits (3 for 8 bits, 4 for 10 and 12, 5
// for 16): the font's scale, whether the lines carry their letters, and
// where each line goes. Every line keeps a clear pixel above, below and to
// either side, and none touches the grid on the cell's first row and
// column, so the lines never run into each other. None where even the
// numbers alone do not fit: then the cell shows its colour and grid only.
struct OverlayTextFit {
  int scale = 1;        // screen pixels per pixel of the 3×5 font
  bool labels = false;  // "Y235" rather than "235"
  int lineHeight = 5;   // screen rows of one line
  int gap = 1;          // clear rows between the lines and above the first
  // The width of a line of `chars` characters, in screen pixels.
  int LineWidth(int chars) const;
};
std::optional<OverlayTextFit> FitOverlayText(int size, int digits);
// Decimal digits of the largest sample of `bits` bits.
int DigitsOfDepth(int bits);
// Text (and grid) colour on a pixel shown as `bgra`: black on a light pixel,
// white on a dark one, by its BT.709 luma.
uint32_t OverlayTextColour(uint32_t bgra);

// Draws the grid, the values and the overview into the area's picture (the
// view already rendered into it). `values` gives a frame pixel's values,
// which have at most `digits` digits.
void DrawViewOverlay(uint8_t* pixels, int stride, const PictureView& view, const ViewMapping& mapping, int digits,
                     const std::function<std::optional<PixelValues>(uint32_t, uint32_t)>& values);

}  // namespace corvane
