// One frame at its own size as the display converts it (the same surface,
// fallbacks and device conversion as the picture on screen), for the PNG
// still, the clipboard and `corvane-tool capture --png`. No component view:
// the frame itself.
//
// Threads: any; the caller keeps the frame's bytes valid for the call.
#pragma once

#include <cstdint>

#include "engine/frame_info.h"
#include "platform/video_window.h"

namespace corvane {

// kOk and the picture; kNotReady for an empty frame or fewer than its bytes;
// kNoSurface when the device takes neither its format nor a fallback;
// kNoObject when memory runs out.
int32_t FrameToPicture(const uint8_t* data, uint64_t size, const FrameInfo& info, platform::Picture* out);

}  // namespace corvane
