#include "engine/offscreen_window.h"

#include <algorithm>
#include <cstring>

namespace corvane {

OffscreenWindow::OffscreenWindow(int32_t width, int32_t height)
    : m_clientRect{0, 0, width, height},
      m_canvas(size_t(std::max(width, 0)) * size_t(std::max(height, 0)) * 4, 0) {}

void OffscreenWindow::SetClientRect(const platform::Rect& rc) {
  std::scoped_lock lock(m_mutex);
  if (rc.Width() != m_clientRect.Width() || rc.Height() != m_clientRect.Height())
    m_canvas.assign(size_t(std::max(rc.Width(), 0)) * size_t(std::max(rc.Height(), 0)) * 4, 0);
  m_clientRect = rc;
}

void OffscreenWindow::SetVisible(bool visible) {
  std::scoped_lock lock(m_mutex);
  m_visible = visible;
}

void OffscreenWindow::SetMinimized(bool minimized) {
  std::scoped_lock lock(m_mutex);
  m_minimized = minimized;
}

platform::Rect OffscreenWindow::ClientRect() const {
  std::scoped_lock lock(m_mutex);
  return m_clientRect;
}

bool OffscreenWindow::IsVisible() const {
  std::scoped_lock lock(m_mutex);
  return m_visible;
}

bool OffscreenWindow::IsMinimized() const {
  std::scoped_lock lock(m_mutex);
  return m_minimized;
}

void OffscreenWindow::Present(std::shared_ptr<const platform::Picture> picture) {
  if (!picture) return;
  std::scoped_lock lock(m_mutex);
  // Paint what falls inside the client area (resized since the draw read
  // it, perhaps), as a widget clips its paint.
  const int32_t W = m_clientRect.Width(), H = m_clientRect.Height();
  const platform::Rect dest{0, 0, int32_t(picture->width), int32_t(picture->height)};
  const platform::Rect clip = dest.Intersection(platform::Rect{0, 0, W, H});
  const int32_t w = std::min<int32_t>(clip.Width(), int32_t(picture->width) - (clip.left - dest.left));
  for (int32_t y = clip.top; y < clip.bottom && y - dest.top < int32_t(picture->height); ++y) {
    if (w <= 0) break;
    const uint8_t* src = picture->Row(uint32_t(y - dest.top)) + 4 * size_t(clip.left - dest.left);
    std::memcpy(&m_canvas[(size_t(y) * size_t(W) + size_t(clip.left)) * 4], src, 4 * size_t(w));
  }
}

std::vector<uint8_t> OffscreenWindow::Canvas() const {
  std::scoped_lock lock(m_mutex);
  return m_canvas;
}

int32_t OffscreenWindow::CanvasWidth() const {
  std::scoped_lock lock(m_mutex);
  return m_clientRect.Width();
}

int32_t OffscreenWindow::CanvasHeight() const {
  std::scoped_lock lock(m_mutex);
  return m_clientRect.Height();
}

}  // namespace corvane
