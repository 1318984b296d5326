// How the picture is looked at, as a plain value: the zoom command's size,
// the free zoom and pan, the aspect mode, the colour space and the frame
// size all of them are based on. The session keeps one and hands it to the
// graph and to the reference view; nothing here talks to the engine.
// (The component view lives in the display, where a format that has no
// such view turns it off; the session sets it there.)
#pragma once

#include <cstdint>
#include <optional>

#include "engine/display.h"
#include "engine/view_transform.h"
#include "formats/yuv_format.h"
#include "platform/video_window.h"

namespace session {

enum class Zoom : int { k50 = 0, k100 = 1, k200 = 2 };

// How the picture fills its area; the values are the stored setting's
// (0 the whole area, 1 16:9, 2 4:3, 3 5:4, 4 the frame's own ratio).
enum class AspectMode : int { kFill = 0, k16x9 = 1, k4x3 = 2, k5x4 = 3, kSource = 4 };
// A stored value as a mode: anything unknown fills the area, as the options
// sheet shows it.
inline AspectMode AspectModeOf(int32_t stored) {
  return stored >= 1 && stored <= 4 ? AspectMode(stored) : AspectMode::kFill;
}

struct ViewState {
  static constexpr uint32_t kIdleWidth = 352;
  static constexpr uint32_t kIdleHeight = 288;

  Zoom zoom = Zoom::k100;
  corvane::PictureView view;  // the free zoom and pan inside the picture area
  AspectMode aspect = AspectMode::kSource;
  corvane::ColourSpace colour;  // the user's choice of how the display reads YUV (the menus, the settings)
  // The range the open file's header names (a Y4M's XCOLORRANGE): it is
  // read with that range until the user picks one; none for a raw file.
  std::optional<corvane::YuvRange> fileRange;
  // The matrix a coded file's stream names, the same way.
  std::optional<corvane::YuvMatrix> fileMatrix;
  uint32_t pictureWidth = kIdleWidth, pictureHeight = kIdleHeight;  // the frame size zoom is based on

  // A new picture (a file opened, a new frame size): 100 %, the whole picture.
  void StartPicture(uint32_t width, uint32_t height) {
    pictureWidth = width;
    pictureHeight = height;
    zoom = Zoom::k100;
    view = {};
  }
  // No file: the idle size, 100 %, the whole picture; aspect and the
  // user's colour stay, a file's range goes.
  void Idle() {
    StartPicture(kIdleWidth, kIdleHeight);
    fileRange.reset();
    fileMatrix.reset();
  }
  // How the display reads YUV now: the file's matrix and range over the
  // user's while they hold.
  corvane::ColourSpace Colour() const {
    corvane::ColourSpace c = colour;
    if (fileMatrix) c.matrix = *fileMatrix;
    if (fileRange) c.range = *fileRange;
    return c;
  }

  // The rectangle the display fills at 1× in an area of w × h, by the
  // display's own rule.
  platform::Rect PictureRect(int areaW, int areaH) const {
    return corvane::AspectRect(int(aspect), areaW, areaH, pictureWidth, pictureHeight);
  }
  corvane::ViewMapping MapView(int areaW, int areaH) const {
    return corvane::MapView(view, PictureRect(areaW, areaH), pictureWidth, pictureHeight);
  }
};

}  // namespace session
