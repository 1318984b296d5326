#include "engine/frame_picture.h"

#include <new>

#include "engine/surface.h"
#include "engine/surface_copy.h"
#include "engine/surface_device.h"
#include "formats/result_codes.h"

namespace corvane {

namespace {

// Converts a whole frame (FrameBytes(info) bytes) into the rows at bgra.
int32_t Convert(const uint8_t* data, const FrameInfo& info, ColourSpace colour, uint8_t* bgra, int32_t stride) {
  const SurfaceDevice& device = SurfaceDevice::Instance();
  std::unique_ptr<Surface> surface;
  for (YUVType format : SurfaceFormatsToTry(info.type)) {
    if (format == YUV_NONE) break;
    if ((surface = device.CreateSurface(format, info.width, info.height))) break;
  }
  if (!surface) return kNoSurface;
  // As the display fills its surface for the whole picture.
  if (surface->HoldsFrameLayout(info.type))
    surface->Borrow(data);
  else if (!CopyFrameToSurface(data, info, *surface))
    return kNoSurface;
  RenderScratch scratch;
  if (!device.Render(*surface, bgra, stride, int(info.width), int(info.height), scratch, colour)) return kNoObject;
  return kOk;
}

}  // namespace

int32_t FrameToPicture(const uint8_t* data, uint64_t size, const FrameInfo& info, platform::Picture* out,
                       ColourSpace colour) {
  if (!data || !out) return kNullArg;
  if (info.width == 0 || info.height == 0 || size < FrameBytes(info)) return kNotReady;
  try {
    platform::Picture picture = platform::Picture::Make(info.width, info.height);
    if (const int32_t r = Convert(data, info, colour, picture.pixels.get(), int32_t(picture.stride)); r != kOk)
      return r;
    *out = std::move(picture);
  } catch (const std::bad_alloc&) {
    return kNoObject;
  }
  return kOk;
}

bool ConvertFrameToBGRA(YUVType type, const uint8_t* frame, uint32_t w, uint32_t h, ColourSpace colour,
                        uint8_t* bgra, int32_t stride) {
  if (!frame || !bgra || w == 0 || h == 0) return false;
  try {
    return Convert(frame, FrameInfo{w, h, type}, colour, bgra, stride) == kOk;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

StillEncoder::PictureConverter DisplayPictureConverter(ColourSpace colour) {
  return [colour](YUVType type, const uint8_t* frame, uint32_t w, uint32_t h, uint8_t* bgra, int32_t stride) {
    return ConvertFrameToBGRA(type, frame, w, h, colour, bgra, stride);
  };
}

int32_t EncodeStillOf(StillEncoder& encoder, StillKind kind, const uint8_t* data, uint32_t size, const FrameInfo& info,
                      ColourSpace colour, uint8_t* out, uint32_t len, uint32_t* outLen, int quality) {
  encoder.SetPictureConverter(DisplayPictureConverter(colour));
  // The encoder takes the frame's own size; the buffer may hold more.
  const uint64_t frameSize = FrameSize64(info.type, info.width, info.height);
  if (frameSize > size) return kFail;
  if (kind == StillKind::kBmp)
    return encoder.EncodeBMP(info.type, data, uint32_t(frameSize), info.width, info.height, out, len, outLen);
  encoder.SetQuality(quality < 0 ? 0u : uint32_t(quality));
  return encoder.EncodeJPEG(info.type, data, uint32_t(frameSize), info.width, info.height, out, len, outLen);
}

}  // namespace corvane
