// What the renderer asks of its owner (the playback graph) while it presents.
// Called on the presenting thread (the clock's, or the user-interface thread
// during a seek) with the renderer's lock held, so an implementation must not
// call back into the renderer.
#pragma once

#include "formats/yuv_format.h"

namespace corvane {

class RendererHost {
 public:
  virtual ~RendererHost() = default;

  // The frame being presented has another interval, geometry or format than
  // the one before it (a spliced file entered another segment).
  virtual void OnFormatChange(const YUVPara& para) = 0;
  // Whether the window is minimised: a frame that could not be drawn into a
  // minimised window still counts as shown.
  virtual bool IsMinimized() const = 0;
};

}  // namespace corvane
