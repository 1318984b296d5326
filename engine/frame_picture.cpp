#include "engine/frame_picture.h"

#include "engine/surface_copy.h"
#include "engine/surface_device.h"

namespace corvane {

bool ConvertFrameToBGRA(YUVType type, const uint8_t* frame, uint32_t w, uint32_t h, ColourSpace colour,
                        uint8_t* bgra, int32_t stride) {
  if (!frame || !bgra) return false;
  std::unique_ptr<Surface> s = Surface::Make(type, w, h, 1);
  if (!s) return false;
  // A surface that holds the frame's layout reads it in place.
  if (s->HoldsFrameLayout(type))
    s->Borrow(frame);
  else if (!CopyFrameToSurface(frame, FrameInfo{w, h, type}, *s))
    return false;
  RenderScratch scratch;
  return SurfaceDevice::Instance().Render(*s, bgra, stride, int(w), int(h), scratch, colour);
}

StillEncoder::PictureConverter DisplayPictureConverter(ColourSpace colour) {
  return [colour](YUVType type, const uint8_t* frame, uint32_t w, uint32_t h, uint8_t* bgra, int32_t stride) {
    return ConvertFrameToBGRA(type, frame, w, h, colour, bgra, stride);
  };
}

}  // namespace corvane
