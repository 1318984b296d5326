// A video window without a screen: it keeps its client area as a BGRA canvas
// and paints every presented picture into it, as a widget would on its next
// paint. The command line renders through it; tests extend it to record the
// pictures. Thread-safe: geometry is set by its owner, pictures arrive on the
// presenting thread.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/video_window.h"

namespace corvane {

class OffscreenWindow : public platform::VideoWindow {
 public:
  // A visible window whose client area is width × height at (0, 0).
  OffscreenWindow(int32_t width, int32_t height);

  void SetClientRect(const platform::Rect& rc);  // desktop coordinates; resizes the canvas
  void SetVisible(bool visible);
  void SetMinimized(bool minimized);

  platform::Rect ClientRect() const override;
  bool IsVisible() const override;
  bool IsMinimized() const override;
  void Present(std::shared_ptr<const platform::Picture> picture) override;

  // The client area as painted so far: width·height pixels, 4 bytes each
  // (B, G, R, A), rows packed. Pixels never painted are all zero (alpha 0),
  // so an unpainted gap shows.
  std::vector<uint8_t> Canvas() const;
  int32_t CanvasWidth() const;
  int32_t CanvasHeight() const;

 protected:
  mutable std::mutex m_mutex;  // guards everything below

 private:
  platform::Rect m_clientRect;
  bool m_visible = true;
  bool m_minimized = false;
  std::vector<uint8_t> m_canvas;  // client-sized, packed rows
};

}  // namespace corvane
