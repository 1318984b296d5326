// The window the engine draws into, seen from the engine's side: the client
// area's geometry and state, and one hand-over call for finished pictures. The Qt video widget implements it; tests and the command line use
// in-memory windows. No Qt here.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

// Left, top inclusive; right, bottom exclusive.
struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  Rect Intersection(const Rect& o) const {
    Rect r{left > o.left ? left : o.left, top > o.top ? top : o.top,
           right < o.right ? right : o.right, bottom < o.bottom ? bottom : o.bottom};
    if (r.IsEmpty()) return Rect{};
    return r;
  }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// A finished picture: width × height pixels of 4 bytes in memory order
// blue, green, red, alpha (alpha is always 255), rows `stride` bytes apart,
// top row first. This is QImage::Format_ARGB32 / Format_RGB32 on a
// little-endian machine and libyuv's "ARGB".
struct Picture {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t stride = 0;  // bytes, at least 4·width
  // Owned storage; at least stride·height bytes. Aligned for SIMD.
  struct Free {
    void operator()(uint8_t* p) const;
  };
  std::unique_ptr<uint8_t[], Free> pixels;

  uint8_t* Row(uint32_t y) { return pixels.get() + size_t(y) * stride; }
  const uint8_t* Row(uint32_t y) const { return pixels.get() + size_t(y) * stride; }

  // A picture of w × h with rows rounded up to 64 bytes; contents undefined.
  static Picture Make(uint32_t w, uint32_t h);
};

class VideoWindow {
 public:
  virtual ~VideoWindow() = default;

  // Every query may be called from any thread: the presenting thread asks
  // them before each draw. Implementations answer from a snapshot they keep
  // up to date on their own thread, never by calling into widgets.

  // The client area in desktop coordinates (its size is the drawing size).
  virtual Rect ClientRect() const = 0;
  virtual bool IsVisible() const = 0;
  virtual bool IsMinimized() const = 0;

  // Hands over a finished picture of the whole client area (its size is the
  // ClientRect's the display last read). Called on the presenting thread;
  // must not block on the window's own thread.
  //
  // Ownership: the picture is shared and immutable from now on. The window
  // may keep its reference as long as it likes (typically until the next
  // paint); the presenter reuses the storage only after every other reference
  // is gone, so the window never sees it change.
  virtual void Present(std::shared_ptr<const Picture> picture) = 0;
};

// Told when a presented frame has another geometry than the one before
// (a spliced file changing segment). Called on the presenting thread, which
// must not wait for the window: implementations post the notice to their own
// thread (and may drop a stale duplicate).
class FrameSizeListener {
 public:
  virtual ~FrameSizeListener() = default;
  virtual void OnFrameSizeChanged(uint32_t width, uint32_t height) = 0;
};

}  // namespace platform
