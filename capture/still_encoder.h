// StillEncoder: the still-capture object the playback graph keeps, one per graph.
// It turns one frame into the complete bytes of a BMP or JPEG file in a
// buffer the caller owns; it never touches the disk. It holds only the JPEG
// quality and has no lock: the graph calls it under the renderer's lock.
//
// It is also the one place that says which frames a still can be made of
// (CheckFrame) and how much output that takes (OutputCapacity); callers that
// want to refuse a frame early ask it instead of repeating the rules.
#pragma once

#include <cstdint>
#include <functional>

#include "formats/yuv_format.h"

namespace corvane {

enum class StillKind { kBmp, kJpeg };

class StillEncoder {
 public:
  // Frame sizes a still can be made of, both kinds.
  static constexpr uint32_t kMinWidth = 96, kMaxWidth = 3840, kMinHeight = 64, kMaxHeight = 3072;

  StillEncoder() = default;
  virtual ~StillEncoder() = default;

  // Whether a w × h frame of `type` can be saved as `kind`, checked in this
  // order: kUnsupportedFormat when the kind does not take the type (BMP takes
  // UYVY, YV12, IYUV and RGB32, and every added format when a picture
  // converter is set; JPEG YV12 and IYUV, and the added formats but v210);
  // kUnsupportedSize when w
  // is outside 96..3840 or h outside 64..3072; kUnalignedSize for a JPEG
  // whose width is not a multiple of 16 or a UYVY BMP of odd width or height;
  // otherwise kOk.
  static int32_t CheckFrame(StillKind kind, YUVType type, uint32_t w, uint32_t h);

  // Converts a w × h frame of an added format to BGRA rows (4·w bytes each,
  // `stride` apart), as the display shows it. The encoder has no colour
  // conversion of its own for those formats; the player and the command
  // line set the display's.
  using PictureConverter = std::function<bool(YUVType type, const uint8_t* frame, uint32_t w, uint32_t h,
                                              uint8_t* bgra, int32_t stride)>;
  void SetPictureConverter(PictureConverter converter) { m_convert = std::move(converter); }

  // Output capacity that is always enough for the still of a frame that
  // CheckFrame accepts. BMP: BmpFileSize. JPEG: the encoder's worst case for
  // the coded frame (line-doubled, then padded to whole MCUs), which is also
  // at least the frame size EncodeJPEG asks for.
  static uint64_t OutputCapacity(StillKind kind, YUVType type, uint32_t w, uint32_t h);

  // 32-bit bottom-up BMP of types 2 (UYVY), 3 (Y,U,V 4:2:0), 5 (RGB32) and
  // 10 (Y,V,U 4:2:0), and of the added formats through the picture
  // converter (kUnsupportedFormat without one): 54 header bytes then 4·w·H
  // bytes of pixels. Planar
  // 4:2:0 frames of 704×288 and 704×240 are line-doubled (H = 2h); every other
  // frame keeps its height, UYVY and RGB32 at those sizes included.
  // kOk, with *outLen = 54 + 4·w·H. Failures, checked in this order:
  // kNullArg when the frame, the output or outLen is null; CheckFrame's codes;
  // kNotReady when frameSize is not the type's frame size for w × h; kFail
  // when capacity is below 54 + 4·w·H or a temporary buffer cannot be had.
  // On failure *outLen is not written and the output is not a file.
  int32_t EncodeBMP(YUVType type, const uint8_t* frame, uint32_t frameSize, uint32_t w, uint32_t h,
                    uint8_t* out, uint32_t capacity, uint32_t* outLen);

  // 1..100 is stored, 0 and anything above 100 store 85. Returns kOk.
  int32_t SetQuality(uint32_t quality);
  uint32_t Quality() const { return m_quality; }

  // Baseline JPEG of types 3 and 10 at m_quality, and of the added formats
  // but v210 after RoundTo8Bit420 (then coded as type 3). kOk with *outLen the file
  // length. Failures, checked in this order: kNullArg when the frame, the
  // output or outLen is null; CheckFrame's codes; kNotReady when frameSize is
  // not (3·w·h) / 2; kFail when capacity is below frameSize, memory cannot
  // be had, or the file does not fit the output (found only while coding).
  // *outLen is not written by the checks; it is set to 0 once they have
  // passed and the frame is prepared.
  int32_t EncodeJPEG(YUVType type, const uint8_t* frame, uint32_t frameSize, uint32_t w, uint32_t h,
                     uint8_t* out, uint32_t capacity, uint32_t* outLen);

  // 54 + 4·w·H for the picture EncodeBMP makes of a w × h frame of `type`.
  static uint64_t BmpFileSize(YUVType type, uint32_t w, uint32_t h);

 private:
  uint32_t m_quality = 85;
  PictureConverter m_convert;
};

}  // namespace corvane
