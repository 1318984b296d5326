// One frame at its own size as the display converts it (the same surface,
// fallbacks and device conversion as the picture on screen, read with the
// chosen colour space), for the PNG still, the clipboard, `corvane-tool
// capture --png` and the BMP of the added formats. No component view: the
// frame itself.
//
// Threads: any; the caller keeps the frame's bytes valid for the call.
#pragma once

#include <cstdint>

#include "capture/still_encoder.h"
#include "engine/frame_info.h"
#include "formats/colour_space.h"
#include "platform/video_window.h"

namespace corvane {

// kOk and the picture; kNotReady for an empty frame or fewer than its bytes;
// kNoSurface when the device takes neither its format nor a fallback;
// kNoObject when memory runs out.
int32_t FrameToPicture(const uint8_t* data, uint64_t size, const FrameInfo& info, platform::Picture* out,
                       ColourSpace colour = {});

// The same into the caller's BGRA rows (4·w bytes each, `stride` apart;
// negative: bottom-up). False when the frame cannot be converted.
bool ConvertFrameToBGRA(YUVType type, const uint8_t* frame, uint32_t w, uint32_t h, ColourSpace colour,
                        uint8_t* bgra, int32_t stride);

// The still encoder's converter for the added formats, reading with colour.
StillEncoder::PictureConverter DisplayPictureConverter(ColourSpace colour);

// The BMP or JPEG still of a frame in memory (its own type and size; the
// buffer may hold more than the frame) into `out`, as the playback graph's
// capture makes it: the added formats converted as the display shows them
// with `colour`. The encoder's codes; kFail when the buffer holds less than
// a frame.
int32_t EncodeStillOf(StillEncoder& encoder, StillKind kind, const uint8_t* data, uint32_t size, const FrameInfo& info,
                      ColourSpace colour, uint8_t* out, uint32_t len, uint32_t* outLen, int quality);

}  // namespace corvane
