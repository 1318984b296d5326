#include "capture/still_encoder.h"

#include <cstring>
#include <memory>
#include <new>

#include "capture/colour_convert.h"
#include "capture/deep_still.h"
#include "capture/jpeg_encoder.h"
#include "formats/result_codes.h"

namespace corvane {

namespace {

constexpr uint32_t kBmpHeaderSize = 54;  // 14-byte file header + the 40-byte info header
constexpr uint32_t kBmpInfoSize = 40;

// 704×288 and 704×240 are half-height (one field) frames of 704×576 and
// 704×480 pictures; the writers double their lines.
bool IsHalfHeight(uint32_t w, uint32_t h) { return w == 704 && (h == 288 || h == 240); }

bool IsPlanar420(YUVType type) { return type == YUV_YV12 || type == YUV_IYUV; }

bool BmpTakes(YUVType type) {
  return type == YUV_UYVY || type == YUV_RGB32 || IsPlanar420(type) || IsAddedType(type);
}
bool JpegTakes(YUVType type) { return IsPlanar420(type) || RoundsTo8Bit420(type); }

// The height JPEG codes a frame at: half-height frames line-doubled, then a
// height of 8 mod 16 centred in 8 more lines (PadHeightBy8). Other heights
// the encoder pads to whole MCUs itself.
uint32_t JpegCodedHeight(uint32_t w, uint32_t h) {
  const uint32_t H = IsHalfHeight(w, h) ? 2 * h : h;
  return H % 16 == 8 ? H + 8 : H;
}

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
  // compression 0 (none), image size, resolutions and colour counts all 0
}

std::unique_ptr<uint8_t[]> Allocate(size_t n) { return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[n]); }

// The checks both writers begin with, in their documented order.
int32_t CheckInput(StillKind kind, YUVType type, const uint8_t* frame, uint32_t frameSize, uint32_t w, uint32_t h,
                   const uint8_t* out, const uint32_t* outLen) {
  if (!frame || !out || !outLen) return kNullArg;
  if (const int32_t r = StillEncoder::CheckFrame(kind, type, w, h); r != kOk) return r;
  if (uint64_t(frameSize) != FrameSize64(type, w, h)) return kNotReady;
  return kOk;
}

// Converts the frame (h lines; already line-doubled where that applies) into
// bottom-up rows at `bottomUp`. False when a temporary buffer cannot be had.
bool ConvertBottomUp(YUVType type, const uint8_t* frame, uint32_t frameSize, uint32_t w, uint32_t h,
                     uint8_t* bottomUp) {
  const int32_t stride = -int32_t(4 * w);
  switch (type) {
    case YUV_UYVY: return capture_detail::ConvertUYVYStrided(bottomUp, stride, frame, frameSize, w, h);
    case YUV_YV12: return capture_detail::Convert420Strided(bottomUp, stride, frame, frameSize, w, h, true);
    case YUV_IYUV: return capture_detail::Convert420Strided(bottomUp, stride, frame, frameSize, w, h, false);
    case YUV_RGB32: return capture_detail::CopyRGB32Strided(bottomUp, stride, frame, frameSize, w, h);
    default: return false;
  }
}

// Line-doubles and pads a 4:2:0 frame to the height JpegCodedHeight gives,
// into buffers kept in `doubled` and `padded`. Null when memory cannot be had.
const uint8_t* PrepareJpegFrame(const uint8_t* frame, uint32_t w, uint32_t& h, std::unique_ptr<uint8_t[]>& doubled,
                                std::unique_ptr<uint8_t[]>& padded) {
  if (IsHalfHeight(w, h)) {
    h *= 2;
    doubled = Allocate((size_t(w) * h * 3) / 2);
    if (!doubled || !DoubleLines(frame, doubled.get(), w, h)) return nullptr;
    frame = doubled.get();
  }
  if (h % 16 == 8) {
    padded = Allocate((size_t(w) * (h + 8) * 3) / 2);
    if (!padded || !jpeg::PadHeightBy8(frame, padded.get(), w, h)) return nullptr;
    frame = padded.get();
    h += 8;
  }
  return frame;
}

// Runs the JPEG encoder over a prepared w × h frame (a multiple of 16 wide,
// planes Y and then the second and third of `type`).
int32_t RunJpegEncoder(YUVType type, const uint8_t* frame, uint32_t w, uint32_t h, uint32_t quality, uint8_t* out,
                       uint32_t capacity, uint32_t* outLen) {
  JpegParams params;
  params.width = int32_t(w);
  params.height = int32_t(h);
  params.quality = int32_t(quality);
  if (const int32_t r = JpegGetMemSize(&params); r != kOk) return r;
  // new[] memory is aligned for any fundamental type, as JpegInit needs.
  std::unique_ptr<uint8_t[]> memory = Allocate(size_t(params.memorySize));
  if (!memory) return kFail;
  params.memory = memory.get();
  JpegEncoder* encoder = nullptr;
  if (const int32_t r = JpegInit(&params, &encoder); r != kOk) return r;

  const size_t lumaSize = size_t(w) * h;
  const uint8_t* second = frame + lumaSize;
  const uint8_t* third = frame + (5 * lumaSize) / 4;
  // Component 1 (Cb) is the U plane, component 2 (Cr) the V plane.
  const uint8_t* planes[3] = {frame, type == YUV_YV12 ? second : third, type == YUV_YV12 ? third : second};
  JpegStream stream;
  stream.planes = planes;
  stream.output = out;
  stream.capacity = capacity;
  if (const int32_t r = JpegEncode(encoder, &stream); r != kOk) return r;
  *outLen = stream.length;
  return kOk;
}

}  // namespace

int32_t StillEncoder::CheckFrame(StillKind kind, YUVType type, uint32_t w, uint32_t h) {
  const bool jpeg = kind == StillKind::kJpeg;
  if (jpeg ? !JpegTakes(type) : !BmpTakes(type)) return kUnsupportedFormat;
  if (w < kMinWidth || w > kMaxWidth || h < kMinHeight || h > kMaxHeight) return kUnsupportedSize;
  // JPEG codes whole 16-pixel MCU columns and pads only the height; UYVY
  // holds its chroma for pixel pairs and the BMP converter for line pairs.
  if (jpeg && w % 16 != 0) return kUnalignedSize;
  if (!jpeg && type == YUV_UYVY && ((w | h) & 1)) return kUnalignedSize;
  return kOk;
}

uint64_t StillEncoder::OutputCapacity(StillKind kind, YUVType type, uint32_t w, uint32_t h) {
  if (kind == StillKind::kBmp) return BmpFileSize(type, w, h);
  return JpegWorstCaseSize(w, JpegCodedHeight(w, h));
}

uint64_t StillEncoder::BmpFileSize(YUVType type, uint32_t w, uint32_t h) {
  const uint64_t H = (IsPlanar420(type) && IsHalfHeight(w, h)) ? 2ull * h : h;
  return kBmpHeaderSize + 4ull * w * H;
}

int32_t StillEncoder::EncodeBMP(YUVType type, const uint8_t* frame, uint32_t frameSize, uint32_t w, uint32_t h,
                                uint8_t* out, uint32_t capacity, uint32_t* outLen) {
  if (IsAddedType(type) && !m_convert) return kUnsupportedFormat;
  if (const int32_t r = CheckInput(StillKind::kBmp, type, frame, frameSize, w, h, out, outLen); r != kOk) return r;
  const uint64_t fileSize = BmpFileSize(type, w, h);
  if (uint64_t(capacity) < fileSize) return kFail;
  if (IsAddedType(type)) {
    WriteBmpHeader(out, w, h);
    // Straight into bottom-up rows: the last picture row first in the file.
    const int32_t stride = -int32_t(4 * w);
    if (!m_convert(type, frame, w, h, out + kBmpHeaderSize + size_t(h - 1) * size_t(4 * w), stride)) return kFail;
    *outLen = uint32_t(fileSize);
    return kOk;
  }
  // Line doubling is defined on planar 4:2:0 frames; UYVY and RGB32 frames of
  // these sizes are saved at their own height.
  const bool doubled = IsPlanar420(type) && IsHalfHeight(w, h);
  const uint32_t H = doubled ? 2 * h : h;

  WriteBmpHeader(out, w, H);

  std::unique_ptr<uint8_t[]> doubledFrame;
  if (doubled) {
    doubledFrame = Allocate((size_t(w) * H * 3) / 2);
    if (!doubledFrame || !DoubleLines(frame, doubledFrame.get(), w, H)) return kFail;
    frame = doubledFrame.get();
    frameSize = uint32_t((uint64_t(w) * H * 3) >> 1);
  }

  // Rows go straight to their bottom-up place (last picture row first in the
  // file): the same bytes as converting top-down and exchanging rows after.
  uint8_t* bottomUp = out + kBmpHeaderSize + size_t(H - 1) * size_t(4 * w);
  // The checks above leave the converter only a missing temporary buffer to
  // refuse; the output would then hold no picture, so fail.
  if (!ConvertBottomUp(type, frame, frameSize, w, H, bottomUp)) return kFail;
  *outLen = uint32_t(fileSize);
  return kOk;
}

int32_t StillEncoder::SetQuality(uint32_t quality) {
  m_quality = (quality >= 1 && quality <= 100) ? quality : 85;
  return kOk;
}

int32_t StillEncoder::EncodeJPEG(YUVType type, const uint8_t* frame, uint32_t frameSize, uint32_t w, uint32_t h,
                                 uint8_t* out, uint32_t capacity, uint32_t* outLen) {
  if (const int32_t r = CheckInput(StillKind::kJpeg, type, frame, frameSize, w, h, out, outLen); r != kOk) return r;
  std::unique_ptr<uint8_t[]> rounded;
  if (IsAddedType(type)) {
    // 8-bit 4:2:0 first; from here on the frame is one of type 3.
    frameSize = uint32_t(FrameSize64(YUV_YV12, w, h));
    rounded = Allocate(frameSize);
    if (!rounded || !RoundTo8Bit420(type, frame, w, h, rounded.get())) return kFail;
    frame = rounded.get();
    type = YUV_YV12;
  }
  if (capacity < frameSize) return kFail;
  std::unique_ptr<uint8_t[]> doubled, padded;
  frame = PrepareJpegFrame(frame, w, h, doubled, padded);
  if (!frame) return kFail;
  *outLen = 0;
  return RunJpegEncoder(type, frame, w, h, m_quality, out, capacity, outLen);
}

}  // namespace corvane
