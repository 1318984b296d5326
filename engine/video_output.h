// The renderer's handle on the display: owns one CDDrawDisplay and forwards
// to it. Create and Destroy are called by the display's owner (the renderer,
// under its own lock); the drawing operations are safe from any thread, the
// display serialises them.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/ddraw_display.h"
#include "engine/frame_info.h"
#include "platform/video_window.h"

namespace corvane {

class CVideoOutput {
 public:
  CVideoOutput();
  ~CVideoOutput();  // Destroy()
  CVideoOutput(const CVideoOutput&) = delete;
  CVideoOutput& operator=(const CVideoOutput&) = delete;

  // Destroys any display, makes a new one and attaches it to wnd (not owned;
  // it must outlive the display). kGeneralFail (0x80004005) when the window
  // cannot take a display; a non-negative result is success.
  int32_t Create(platform::VideoWindow* wnd);
  // Releases the display's surfaces and deletes it.
  void Destroy();

  // Draws a frame: data (size bytes, geometry and type in info) is borrowed
  // until the next Draw or Destroy, since Redraw copies it again.
  // kGeneralFail for null data, size 0, null info or no display; otherwise
  // the display's result.
  int32_t Draw(const void* data, uint32_t size, const FrameInfo* info);
  int32_t Redraw();                    // kGeneralFail without display
  int32_t SetAspectMode(int mode);     // kGeneralFail without display
  uint32_t SetComponentMode(uint32_t mode);  // 1 taken, 0 refused (mode > 3) or no display
  uint32_t GetComponentMode() const;         // 0 without display

  // The display, or null; borrowed, valid until Create or Destroy.
  CDDrawDisplay* Display() const { return m_pDisplay.get(); }

 private:
  std::unique_ptr<CDDrawDisplay> m_pDisplay;  // changed only by Create and Destroy
};

}  // namespace corvane
