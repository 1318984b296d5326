// The quality graph's look, shared by its layout (quality_graph.cpp) and its
// painting (quality_graph_paint.cpp).
#pragma once

#include <QColor>
#include <QRect>
#include <cmath>
#include <cstdint>

namespace ui::graph_look {

// The graph keeps its own light face whatever the style, so the plane
// colours read the same everywhere.
inline const QColor kBackground(250, 250, 250);
inline const QColor kText(60, 60, 60);
inline const QColor kGrid(225, 225, 225);
inline const QColor kMarker(156, 39, 176);
inline const QColor kLowest(0, 0, 0);
// Y, U, V; R, G, B; the average.
inline const QColor kYuvColours[3] = {QColor(64, 64, 64), QColor(31, 119, 180), QColor(214, 39, 40)};
inline const QColor kRgbColours[3] = {QColor(214, 39, 40), QColor(44, 160, 44), QColor(31, 119, 180)};
inline const QColor kAverageColour(255, 127, 14);
inline const QColor kStatisticColour(23, 150, 170);

inline constexpr int kPad = 4;

// SSIM's lines: the plane's colour halfway to the background.
inline QColor Paler(const QColor& c) {
  return QColor((c.red() + kBackground.red()) / 2, (c.green() + kBackground.green()) / 2,
                (c.blue() + kBackground.blue()) / 2);
}

// The x of frame (1-based) of `planned` in `plot`.
inline int XIn(const QRect& plot, uint32_t planned, uint32_t frame) {
  if (frame == 0 || planned == 0) return -1;
  if (planned == 1) return plot.left();
  return plot.left() + int(std::lround(double(frame - 1) * (plot.width() - 1) / double(planned - 1)));
}

}  // namespace ui::graph_look
