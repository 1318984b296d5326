// The surface device: what stands in for the video card behind the display.
// It makes surfaces in the formats it accepts and turns a surface into a BGRA
// picture scaled to a destination rectangle (colour conversion and scaling, the
// work a video card does in its blit), with libyuv.
//
// One device serves the whole process (every display shares it). Its native
// set says which surface formats it accepts; a display whose frame format is
// not in the set falls back as a display on hardware that refuses the format
// would. The set is configurable so that every fallback runs in tests and can
// be chosen from the command line; by default every format is native, since
// libyuv (with the device's own row handling for IUYV and IYU2) converts them
// all.
//
// Conversion runs on the calling thread, the presenting thread; the device
// keeps no per-call state, so displays on different threads may render at once.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "formats/colour_space.h"
#include "engine/surface.h"
#include "formats/yuv_format.h"

namespace corvane {

// A growable aligned buffer for intermediate planes, owned by its caller and
// reused from frame to frame so that steady playback allocates nothing.
class ScratchBuffer {
 public:
  uint8_t* Get(size_t bytes);  // contents undefined; valid until the next Get
 private:
  struct Free {
    void operator()(uint8_t* p) const;
  };
  std::unique_ptr<uint8_t[], Free> m_p;
  size_t m_size = 0;
};

// Lets whoever asked for a render end it early from another thread: the
// render reads it between bands of rows and gives up (returns false) once
// the counter it watches has moved past the value it was given. A default
// RenderStop is never requested. The counter must outlive the render.
class RenderStop {
 public:
  RenderStop() = default;
  RenderStop(const std::atomic<uint64_t>& counter, uint64_t seen) : m_counter(&counter), m_seen(seen) {}
  bool Requested() const { return m_counter && m_counter->load(std::memory_order_relaxed) != m_seen; }

 private:
  const std::atomic<uint64_t>* m_counter = nullptr;
  uint64_t m_seen = 0;
};

// What one render may use for intermediate pictures: a caller keeps one per
// thread that renders (a display keeps one, under its lock).
struct RenderScratch {
  ScratchBuffer planar;  // the surface as planes at its own size
  ScratchBuffer scaled;  // those planes at the destination size
  ScratchBuffer row;     // one row of neutral chroma (grey formats)
  std::unique_ptr<Surface> eightBit;  // a deep surface rounded to 8 bits, to be scaled
  // Set by the caller for the render under way. Read between bands of rows
  // where a render walks a huge surface (the deep formats' rounding, the
  // row-by-row shrink), so a render of a 1.6 GB frame ends within a few
  // milliseconds of the request instead of a second later.
  RenderStop stop;
};

class SurfaceDevice {
 public:
  static constexpr uint32_t kAllFormats = (1u << kYUVTypeCount) - 1;
  static constexpr uint32_t kDefaultPitchAlign = 64;

  static SurfaceDevice& Instance();

  // The native set as a bit mask over YUVType ids. Changing it affects the
  // surfaces made afterwards; surfaces already made keep their format until
  // their display remakes them (new geometry or format).
  void SetNativeFormats(uint32_t mask) { m_native.store(mask & kAllFormats); }
  uint32_t NativeFormats() const { return m_native.load(); }
  bool IsNative(YUVType format) const {
    return format >= 0 && format < kYUVTypeCount && (m_native.load() >> format) & 1u;
  }

  // Rows of the surfaces made from now on are a multiple of this many bytes
  // (1: exactly the row length where the layout allows).
  void SetPitchAlignment(uint32_t bytes) { m_pitchAlign.store(bytes == 0 ? 1 : bytes); }
  uint32_t PitchAlignment() const { return m_pitchAlign.load(); }

  // A surface of format for a w × h frame; null when the format is not in the
  // native set or the memory cannot be had. The caller owns it.
  std::unique_ptr<Surface> CreateSurface(YUVType format, uint32_t width, uint32_t height) const;

  // Converts the surface to BGRA and scales it to dw × dh, written at dst
  // (rows dstStride bytes apart; alpha 255). Scaling filters bilinearly, or
  // with a box filter when shrinking by 2 or more; YUV surfaces are scaled
  // before conversion, so a smaller window converts fewer pixels; when every
  // plane shrinks by 3:2, 2:1 or 3:1 (or stays) that happens row by row with
  // the kernels of scale_kernels.h, straight into dst. Returns
  // false for an empty destination or a surface without a format.
  // YUV is read with the colour space's matrix and range (RGB surfaces
  // ignore it); samples deeper than 8 bits keep their depth through the
  // scaling and are rounded to 8 bits only in the conversion.
  bool Render(const Surface& surface, uint8_t* dst, int dstStride, int dw, int dh, RenderScratch& scratch,
              ColourSpace colour = {}) const;

 private:
  SurfaceDevice() = default;
  std::atomic<uint32_t> m_native{kAllFormats};
  std::atomic<uint32_t> m_pitchAlign{kDefaultPitchAlign};
};

// Fills a rectangle of a BGRA picture with opaque black.
void FillBlack(uint8_t* pixels, int stride, int x, int y, int w, int h);

}  // namespace corvane
