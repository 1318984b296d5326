#include "capture/still_encoder.h"

#include <cstring>
#include <memory>
#include <new>

#include "capture/colour_convert.h"
#include "capture/jpeg_encoder.h"
#include "formats/result_codes.h"

namespace corvane {

namespace {

constexpr uint32_t kMinWidth = 96, kMaxWidth = 3840, kMinHeight = 64, kMaxHeight = 3072;
constexpr uint32_t kBmpHeaderSize = 54;  // 14-byte file header + 40-byte BITMAPINFOHEADER
constexpr uint32_t kBmpInfoSize = 40;

// 704×288 and 704×240 are half-height (one field) frames of 704×576 and
// 704×480 pictures; the writers double their lines.
bool IsHalfHeight(uint32_t w, uint32_t h) { return w == 704 && (h == 288 || h == 240); }

bool IsPlanar420(YUVType type) { return type == YUV_YV12 || type == YUV_IYUV; }

void Le16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void Le32(uint8_t* p, uint32_t v) {
  Le16(p, v);
  Le16(p + 2, v >> 16);
}

void WriteBmpHeader(uint8_t* p, uint32_t w, uint32_t H) {
  std::memset(p, 0, kBmpHeaderSize);
  p[0] = 'B';
  p[1] = 'M';
  Le32(p + 2, kBmpHeaderSize + 4 * w * H);  // file size
  Le32(p + 10, kBmpHeaderSize);              // offset of the pixels
  Le32(p + 14, kBmpInfoSize);
  Le32(p + 18, w);
  Le32(p + 22, H);  // positive: rows stored bottom-up
  Le16(p + 26, 1);  // planes
  Le16(p + 28, 32); // bits a pixel
  // compression 0 (BI_RGB), image size, resolutions and colour counts all 0
}

std::unique_ptr<uint8_t[]> Allocate(size_t n) { return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[n]); }

}  // namespace

uint64_t StillEncoder::BmpFileSize(YUVType type, uint32_t w, uint32_t h) {
  const uint64_t H = (IsPlanar420(type) && IsHalfHeight(w, h)) ? 2ull * h : h;
  return kBmpHeaderSize + 4ull * w * H;
}

int32_t StillEncoder::EncodeBMP(YUVType type, const uint8_t* frame, uint32_t frameSize, uint32_t w, uint32_t h,
                          uint8_t* out, uint32_t capacity, uint32_t* outLen) {
  if (!frame || !out || !outLen) return kGeneralFail;
  if (w < kMinWidth || w > kMaxWidth || h < kMinHeight || h > kMaxHeight) return kGeneralFail;
  if (type != YUV_UYVY && type != YUV_YV12 && type != YUV_RGB32 && type != YUV_IYUV) return kGeneralFail;
  // Line doubling is defined on planar 4:2:0 frames; UYVY and RGB32 frames of
  // these sizes are saved at their own height.
  const bool doubled = IsPlanar420(type) && IsHalfHeight(w, h);
  const uint32_t H = doubled ? 2 * h : h;
  const uint64_t fileSize = BmpFileSize(type, w, h);
  if (uint64_t(capacity) < fileSize) return kGeneralFail;

  WriteBmpHeader(out, w, H);

  std::unique_ptr<uint8_t[]> doubledFrame;
  if (doubled) {
    const size_t size = (size_t(w) * H * 3) / 2;
    doubledFrame = Allocate(size);
    if (!doubledFrame) return kGeneralFail;
    if (!DoubleLines(frame, doubledFrame.get(), w, H)) return kGeneralFail;
    frame = doubledFrame.get();
    frameSize = uint32_t((uint64_t(w) * H * 3) >> 1);
  }

  // Rows go straight to their bottom-up place (last picture row first in the
  // file): the same bytes as converting top-down and exchanging rows after.
  const int32_t stride = int32_t(4 * w);
  uint8_t* bottomUp = out + kBmpHeaderSize + size_t(H - 1) * size_t(stride);
  bool converted = false;
  switch (type) {
    case YUV_UYVY:
      converted = capture_detail::ConvertUYVYStrided(bottomUp, -stride, frame, frameSize, w, H);
      break;
    case YUV_YV12:
      converted = capture_detail::Convert420Strided(bottomUp, -stride, frame, frameSize, w, H, true);
      break;
    case YUV_IYUV:
      converted = capture_detail::Convert420Strided(bottomUp, -stride, frame, frameSize, w, H, false);
      break;
    case YUV_RGB32:
      converted = capture_detail::CopyRGB32Strided(bottomUp, -stride, frame, frameSize, w, H);
      break;
    default:
      break;
  }
  // A refused frame (wrong size for its type, odd UYVY size, no memory) would
  // leave whatever the buffer held as pixels: that is no picture, so fail.
  if (!converted) return kGeneralFail;
  *outLen = uint32_t(fileSize);
  return kOk;
}

int32_t StillEncoder::SetQuality(uint32_t quality) {
  m_quality = (quality >= 1 && quality <= 100) ? quality : 85;
  return kOk;
}

int32_t StillEncoder::EncodeJPEG(YUVType type, const uint8_t* frame, uint32_t frameSize, uint32_t w, uint32_t h,
                           uint8_t* out, uint32_t capacity, uint32_t* outLen) {
  if (!outLen || uint64_t(frameSize) != ((3ull * w * h) >> 1) || !frame || !out || capacity < frameSize ||
      frameSize == 0 || !IsPlanar420(type) || w % 16 != 0 || w < kMinWidth || w > kMaxWidth || h < kMinHeight ||
      h > kMaxHeight)
    return kGeneralFail;

  std::unique_ptr<uint8_t[]> doubledFrame, paddedFrame;
  if (IsHalfHeight(w, h)) {
    h *= 2;
    doubledFrame = Allocate((size_t(w) * h * 3) / 2);
    if (!doubledFrame || !DoubleLines(frame, doubledFrame.get(), w, h)) return kGeneralFail;
    frame = doubledFrame.get();
  }
  if (h % 16 == 8) {
    paddedFrame = Allocate((size_t(w) * (h + 8) * 3) / 2);
    if (!paddedFrame || !jpeg::PadHeightBy8(frame, paddedFrame.get(), w, h)) return kGeneralFail;
    frame = paddedFrame.get();
    h += 8;
  }

  *outLen = 0;
  JpegParams params;
  params.width = int32_t(w);
  params.height = int32_t(h);
  params.quality = int32_t(m_quality);
  if (JpegGetMemSize(&params) != kJpegOk) return kGeneralFail;
  // new[] memory is aligned for any fundamental type, as JpegInit needs.
  std::unique_ptr<uint8_t[]> memory = Allocate(size_t(params.memorySize));
  if (!memory) return kGeneralFail;
  params.memory = memory.get();
  JpegEncoder* encoder = nullptr;
  if (JpegInit(&params, &encoder) != kJpegOk) return kGeneralFail;

  const size_t lumaSize = size_t(w) * h;
  const uint8_t* second = frame + lumaSize;
  const uint8_t* third = frame + (5 * lumaSize) / 4;
  // Component 1 (Cb) is the U plane, component 2 (Cr) the V plane.
  const uint8_t* planes[3] = {frame, type == YUV_YV12 ? second : third, type == YUV_YV12 ? third : second};
  JpegStream stream;
  stream.planes = planes;
  stream.output = out;
  stream.capacity = capacity;
  if (JpegEncode(encoder, &stream) != kJpegOk) return kGeneralFail;
  *outLen = stream.length;
  return kOk;
}

}  // namespace corvane
