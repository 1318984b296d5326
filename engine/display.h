// The display: puts one frame at a time into a video window. It keeps one
// surface in the frame's own format (or a fallback the device accepts),
// copies the frame into it with the component view applied (or, when that
// copy would reproduce the frame byte for byte, lets the surface read the
// frame in place), and has the surface device convert and scale it into the
// window's picture rectangle, with black bars when an aspect ratio is forced.
// The finished picture, the whole client area, goes to the window through
// VideoWindow::Present; the window composes it onto whatever screens it is on.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/frame_info.h"
#include "engine/surface.h"
#include "engine/surface_device.h"
#include "engine/view_render.h"
#include "engine/view_transform.h"
#include "platform/video_window.h"

namespace corvane {

// Aspect modes: 0 the whole window, 1 16:9, 2 4:3, 3 5:4, 4 the frame's own
// width:height.
constexpr int kAspectFill = 0;
constexpr int kAspect16x9 = 1;
constexpr int kAspect4x3 = 2;
constexpr int kAspect5x4 = 3;
constexpr int kAspectSource = 4;

// The picture's rectangle in a W × H client area (client coordinates) for an
// aspect mode. A ratio a:b gives the picture the full height when the window
// is wider than a:b (H·a < W·b, compared exactly), else the full width; the
// other side is rounded down and centred, and the right or bottom bar takes
// the odd pixel of the remainder. Mode 4 needs a frame of known width and
// height; modes out of range, and mode 1 or 4 without a frame geometry, give
// the whole window.
platform::Rect AspectRect(int mode, int32_t clientW, int32_t clientH, uint32_t frameW, uint32_t frameH);

class Display {
 public:
  // A client area narrower or lower than this is not drawn into.
  static constexpr int32_t kMinDrawSize = 10;

  Display();
  ~Display();
  Display(const Display&) = delete;
  Display& operator=(const Display&) = delete;

  // Attaches the display to a window it does not own and that must outlive
  // it (or the next ReleaseSurfaces). kNullArg for a null window.
  int32_t Attach(platform::VideoWindow* wnd);

  // Draws a frame. data must stay valid and unchanged until the next Draw or
  // ReleaseSurfaces: Redraw copies it again, and a surface that holds the
  // frame's layout byte for byte reads it in place rather than copying it
  // (Surface::Borrow). Every Draw, even a refused one, ends those borrows
  // before anything else, so the bytes of an earlier frame are never read
  // after the call that replaces them has begun; a Draw refused for its
  // arguments forgets the kept frame as well. Results: 0; kNullArg for null
  // data or info; kNotReady for a
  // window that cannot be drawn into (hidden, minimised, under 10×10), for a display that is not attached, or for fewer bytes than
  // the frame needs; kNoSurface when neither the frame's format nor a
  // fallback is accepted; kNoObject when memory for a picture runs out;
  // kDrawCancelled when `stop` was requested while it drew.
  //
  // A cancelled draw presents nothing and keeps the frame kept before it
  // (a Redraw draws that one): its bytes must stay valid until a draw that
  // is not cancelled. A huge frame's draw reads `stop` between bands of
  // rows (RenderScratch::stop), so it ends within milliseconds.
  int32_t Draw(const void* data, uint32_t size, const FrameInfo* info, RenderStop stop = {});
  // Draws the kept frame again (kNotReady without one; kDrawCancelled as
  // above, the kept frame staying kept).
  int32_t Redraw(RenderStop stop = {});

  int32_t SetAspectMode(int mode);
  // The matrix and range YUV frames are read with (BT.601 limited until set).
  void SetColourSpace(ColourSpace colour);
  // The free zoom and pan inside the picture rectangle; a whole view draws
  // as before, any other only the part it shows, with its overlay
  // (view_overlay.h). Takes effect at the next Draw or Redraw.
  void SetView(const PictureView& view);
  // kOk when mode (0..3) was taken, kNotReady when mode > 3 (nothing changes).
  int32_t SetComponentMode(uint32_t mode);
  uint32_t GetComponentMode() const;

  // Releases the surface and forgets the kept frame (its bytes may go now);
  // the display is detached.
  void ReleaseSurfaces();

  // Inspection, for the command line and tests.
  struct SurfaceState {
    bool ready = false;
    YUVType format = YUV_NONE;
    FrameInfo madeFor;
    uint32_t pitch = 0;
    bool borrowed = false;  // reads the kept frame in place instead of a copy
  };
  // False while the display is not attached.
  bool GetSurfaceState(SurfaceState* out) const;
  // The surface's bytes packed at natural row lengths (Surface::Packed), the
  // same whether the surface copied the frame or reads it in place. False
  // for no surface, or one emptied by a Draw that did not reach it.
  bool GetPackedSurface(std::vector<uint8_t>* out) const;

 private:
  int32_t CheckPlacement();
  int32_t PrepareSurface(const FrameInfo& info);
  int32_t DrawKeptFrame(const RenderStop& stop);
  void FillSurface();
  void EndBorrow();
  int32_t Blit();
  // The picture rectangle `dest` of the area's picture, as the view shows it.
  bool RenderZoomed(const Surface& surface, const platform::Rect& dest, uint8_t* pixels, int stride);
  std::shared_ptr<platform::Picture> AcquirePicture(uint32_t w, uint32_t h);

  // Every public operation runs under m_lock; everything below is guarded by it.
  // The display's lock comes after the renderer's (the renderer calls in
  // with its own lock held) and is never held while calling anything that
  // takes another engine lock; VideoWindow calls must not block on it.
  mutable std::mutex m_lock;

  platform::VideoWindow* m_window = nullptr;  // not owned
  FrameInfo m_frame;                        // the frame being drawn
  platform::Rect m_clientRect;                // the window's client area
  int m_aspectMode = 0;
  const uint8_t* m_sourceBytes = nullptr;          // the frame's bytes (not owned), kept for Redraw;
                                            // the only pointer a surface may borrow
  uint32_t m_srcSize = 0;                  // bytes at m_sourceBytes
  PictureView m_view;
  // The surface and what it was made for.
  std::unique_ptr<Surface> m_surface;
  bool m_surfaceReady = false;     // made for the current frame
  FrameInfo m_surfaceMadeFor;      // width, height and type the surface was made for
  YUVType m_surfaceFormat = YUV_NONE;  // the frame's format or a fallback
  uint32_t m_surfacePitch = 0;
  // The surface borrowed the kept frame's bytes and a Draw took them back
  // before it reached the surface (a refused placement): it shows nothing
  // until a draw refreshes it.
  bool m_surfaceEmptied = false;
  uint32_t m_componentMode = 0;
  ColourSpace m_colour;
  bool m_attached = false;

  RenderScratch m_scratch;
  ViewScratch m_viewScratch;
  // Pictures handed out before; reused once the window has let go of them.
  std::vector<std::shared_ptr<platform::Picture>> m_pictures;
};

}  // namespace corvane
