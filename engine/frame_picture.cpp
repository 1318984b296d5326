#include "engine/frame_picture.h"

#include <new>

#include "engine/surface.h"
#include "engine/surface_copy.h"
#include "engine/surface_device.h"
#include "formats/result_codes.h"

namespace corvane {

int32_t FrameToPicture(const uint8_t* data, uint64_t size, const FrameInfo& info, platform::Picture* out) {
  if (!data || !out) return kNullArg;
  if (info.width == 0 || info.height == 0 || size < FrameBytes(info)) return kNotReady;
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
  try {
    platform::Picture picture = platform::Picture::Make(info.width, info.height);
    RenderScratch scratch;
    if (!device.Render(*surface, picture.pixels.get(), int(picture.stride), int(info.width), int(info.height),
                       scratch))
      return kNoObject;
    *out = std::move(picture);
  } catch (const std::bad_alloc&) {
    return kNoObject;
  }
  return kOk;
}

}  // namespace corvane
