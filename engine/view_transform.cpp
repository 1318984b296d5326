#include "engine/view_transform.h"

#include <algorithm>
#include <cmath>

namespace corvane {

int64_t ViewMapping::ColumnAt(int32_t x) const { return int64_t(std::floor((double(x) + 0.5 - x0) / sx)); }
int64_t ViewMapping::RowAt(int32_t y) const { return int64_t(std::floor((double(y) + 0.5 - y0) / sy)); }

platform::Rect ViewMapping::Visible() const {
  if (frameW == 0 || frameH == 0 || picture.IsEmpty()) return {};
  // The first screen column showing column 0 and the first past column
  // frameW - 1, from ColumnAt's rule; then checked with ColumnAt itself so
  // that rounding can never let an edge show a pixel outside the frame.
  auto first = [](double start, int32_t lo) { return std::max<int64_t>(lo, int64_t(std::ceil(start - 0.5))); };
  int64_t left = first(x0, picture.left), top = first(y0, picture.top);
  int64_t right = std::min<int64_t>(picture.right, int64_t(std::ceil(x0 + frameW * sx - 0.5)));
  int64_t bottom = std::min<int64_t>(picture.bottom, int64_t(std::ceil(y0 + frameH * sy - 0.5)));
  while (left < right && ColumnAt(int32_t(left)) < 0) ++left;
  while (right > left && ColumnAt(int32_t(right - 1)) >= int64_t(frameW)) --right;
  while (top < bottom && RowAt(int32_t(top)) < 0) ++top;
  while (bottom > top && RowAt(int32_t(bottom - 1)) >= int64_t(frameH)) --bottom;
  if (left >= right || top >= bottom) return {};
  return {int32_t(left), int32_t(top), int32_t(right), int32_t(bottom)};
}

std::optional<PixelPos> ViewMapping::FramePixelAt(int32_t x, int32_t y) const {
  const platform::Rect v = Visible();
  if (x < v.left || x >= v.right || y < v.top || y >= v.bottom) return std::nullopt;
  const int64_t c = std::clamp<int64_t>(ColumnAt(x), 0, int64_t(frameW) - 1);
  const int64_t r = std::clamp<int64_t>(RowAt(y), 0, int64_t(frameH) - 1);
  return PixelPos{uint32_t(c), uint32_t(r)};
}

int ViewMapping::PixelSize() const { return int(std::floor(std::min(sx, sy) + 1e-9)); }

PictureView ClampView(PictureView view, uint32_t frameW, uint32_t frameH) {
  view.step = std::clamp(view.step, 0, kZoomStepLast);
  // Zoomed in by z the picture rectangle shows frame/z of the frame, so its
  // centre may move (frame - frame/z)/2 either way; zoomed out the frame is
  // frame·z of the rectangle and may move (1/z - 1)·frame/2: both are
  // frame·|1 - 1/z|/2.
  const double z = view.Zoom();
  const double reach = std::abs(1.0 - 1.0 / z) / 2.0;
  view.offsetX = std::clamp(view.offsetX, -reach * frameW, reach * frameW);
  view.offsetY = std::clamp(view.offsetY, -reach * frameH, reach * frameH);
  if (view.step == kZoomStepWhole) view.offsetX = view.offsetY = 0;
  return view;
}

ViewMapping MapView(const PictureView& view, const platform::Rect& picture, uint32_t frameW, uint32_t frameH) {
  ViewMapping m;
  m.picture = picture;
  m.frameW = frameW;
  m.frameH = frameH;
  if (frameW == 0 || frameH == 0 || picture.IsEmpty()) return m;
  const double z = view.Zoom();
  m.sx = z * picture.Width() / frameW;
  m.sy = z * picture.Height() / frameH;
  const double cx = picture.left + picture.Width() / 2.0, cy = picture.top + picture.Height() / 2.0;
  m.x0 = cx - (frameW / 2.0 + view.offsetX) * m.sx;
  m.y0 = cy - (frameH / 2.0 + view.offsetY) * m.sy;
  return m;
}

PictureView ZoomViewAt(const PictureView& view, int steps, int32_t ax, int32_t ay, const platform::Rect& picture,
                       uint32_t frameW, uint32_t frameH) {
  if (frameW == 0 || frameH == 0 || picture.IsEmpty()) return view;
  const ViewMapping before = MapView(view, picture, frameW, frameH);
  // The frame point (continuous) under the anchor's centre stays there.
  const double fx = (ax + 0.5 - before.x0) / before.sx, fy = (ay + 0.5 - before.y0) / before.sy;
  PictureView next = view;
  next.step = std::clamp(view.step + steps, 0, kZoomStepLast);
  const double z = next.Zoom();
  const double sx = z * picture.Width() / frameW, sy = z * picture.Height() / frameH;
  const double cx = picture.left + picture.Width() / 2.0, cy = picture.top + picture.Height() / 2.0;
  // x0 = cx - (frameW/2 + offset)·sx must equal ax + ½ - fx·sx.
  next.offsetX = (cx - (ax + 0.5 - fx * sx)) / sx - frameW / 2.0;
  next.offsetY = (cy - (ay + 0.5 - fy * sy)) / sy - frameH / 2.0;
  return ClampView(next, frameW, frameH);
}

PictureView PanView(const PictureView& view, double dx, double dy, const platform::Rect& picture, uint32_t frameW,
                    uint32_t frameH) {
  if (frameW == 0 || frameH == 0 || picture.IsEmpty()) return view;
  const ViewMapping m = MapView(view, picture, frameW, frameH);
  PictureView next = view;
  next.offsetX -= dx / m.sx;
  next.offsetY -= dy / m.sy;
  return ClampView(next, frameW, frameH);
}

}  // namespace corvane
