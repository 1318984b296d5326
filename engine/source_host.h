// What the frame source asks of its owner (the playback graph) while it runs.
// Called from the reader thread and the user-interface thread; implementations
// must be thread-safe. The source may call SetSegmentPara and FlushQueue while
// holding its own lock, so an implementation must not call back into the
// source from them.
#pragma once

#include <cstdint>

#include "formats/yuv_format.h"

namespace corvane {

// What the engine has to tell the user. The engine holds no texts: the caller
// turns a notice into its own words (the window's message box, the command
// line's error line).
enum class Notice : int32_t {
  kSplicedParaRefused = 1,  // parameters cannot be saved into a spliced file
};

class SourceHost {
 public:
  virtual ~SourceHost() = default;

  // Whether playback is paused (the repeat check does nothing then).
  virtual bool IsPaused() const = 0;
  // Speed factor, 1/16 to 16.
  virtual float GetSpeed() const = 0;
  // Number of the frame last presented (1 before any).
  virtual uint32_t GetLastPresentedFrame() const = 0;
  // The reader entered another segment of a spliced file: frames presented
  // from now on use this record (interval; geometry and type travel in the buffers).
  virtual void SetSegmentPara(const YUVPara& para) = 0;
  // Moves every full buffer back to the free list.
  virtual void FlushQueue() = 0;
  // File size and frame count, kept for the window's queries.
  virtual void SetFileInfo(uint64_t size, uint32_t frameCount) = 0;
  // The one message the engine has for the user.
  virtual void ShowNotice(Notice notice) = 0;
};

}  // namespace corvane
