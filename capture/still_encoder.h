// StillEncoder: the still-capture object the playback graph keeps, one per graph.
// It turns one frame into the complete bytes of a BMP or JPEG file in a
// buffer the caller owns; it never touches the disk. It holds only the JPEG
// quality and has no lock: the graph calls it under the renderer's lock.
#pragma once

#include <cstdint>

#include "formats/yuv_format.h"  // YUVType only (header use, no link dependency)

namespace corvane {

class StillEncoder {
 public:
  StillEncoder() = default;
  virtual ~StillEncoder() = default;

  // 32-bit bottom-up BMP of types 2 (UYVY), 3 (Y,U,V 4:2:0), 5 (RGB32) and
  // 10 (Y,V,U 4:2:0): 54 header bytes then 4·w·H bytes of pixels. Planar
  // 4:2:0 frames of 704×288 and 704×240 are line-doubled (H = 2h); every other
  // frame keeps its height, UYVY and RGB32 at those sizes included.
  // 0, with *outLen = 54 + 4·w·H; E_FAIL (kGeneralFail) when the frame or the
  // output is null, w is outside 96..3840, h outside 64..3072, capacity is
  // below 54 + 4·w·H, the type is not one of the four, the frame does not
  // suit its conversion routine, or a temporary buffer cannot be had. On
  // failure *outLen is not written and the output is not a file.
  int32_t EncodeBMP(YUVType type, const uint8_t* frame, uint32_t frameSize, uint32_t w, uint32_t h,
                    uint8_t* out, uint32_t capacity, uint32_t* outLen);

  // 1..100 is stored, 0 and anything above 100 store 85. Returns 0.
  int32_t SetQuality(uint32_t quality);
  uint32_t Quality() const { return m_quality; }

  // Baseline JPEG of types 3 and 10 at m_quality. 0 with *outLen the file
  // length; E_FAIL otherwise (see the checks in the .cpp). *outLen is set to 0
  // once the checks have passed and the frame is prepared.
  int32_t EncodeJPEG(YUVType type, const uint8_t* frame, uint32_t frameSize, uint32_t w, uint32_t h,
                     uint8_t* out, uint32_t capacity, uint32_t* outLen);

  // 54 + 4·w·H for the picture EncodeBMP makes of a w × h frame of `type`.
  static uint64_t BmpFileSize(YUVType type, uint32_t w, uint32_t h);

 private:
  uint32_t m_quality = 85;
};

}  // namespace corvane
