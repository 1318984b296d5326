// Between libav's terms and Corvane's: owners of libav's objects, its
// errors in words, picture types, pixel formats (which are a Corvane layout
// as they are, and the nearest layout for those that are not), colour
// descriptions, field order and rates. The coded file kind's own, not for
// the layers above.
#pragma once

#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "formats/video_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace corvane::av {

struct FormatCloser {
  void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct CodecCloser {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketFree {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFree {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct ParserClose {
  void operator()(AVCodecParserContext* p) const { av_parser_close(p); }
};
using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecCloser>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using ParserPtr = std::unique_ptr<AVCodecParserContext, ParserClose>;

// Sets libav's logging to fatal errors only, once.
void QuietLibraries();
// libav's words for an error code.
std::string AvError(int err);
// A file refused at its header, with the reason a message shows.
VideoFileError Refused(const std::string& path, std::string reason);
PictureType TypeOf(AVPictureType type);
// The Corvane format code whose layout is `format`'s byte for byte (the
// full-range yuvj formats are the same planes as their yuv ones).
std::optional<uint32_t> DirectCode(AVPixelFormat format);
// The pixel format with a Corvane layout nearest `format`, which has none;
// AV_PIX_FMT_NONE for hardware, bitstream and palette formats.
AVPixelFormat NearestFormat(AVPixelFormat format, int width, int height);
bool FullRangeFormat(AVPixelFormat format);
// An enum field as libav stored it. A stream may put any number there (a
// colour space of 72) that is no value of the enum, and loading such a
// value as the enum is undefined: it is read as the integer it is.
template <typename Enum>
int Raw(const Enum& field) {
  static_assert(sizeof(Enum) == sizeof(int));
  int value;
  std::memcpy(&value, &field, sizeof value);
  return value;
}
// These take Raw() values (AVFieldOrder, AVColorSpace,
// AVColorTransferCharacteristic).
Interlacing InterlacingOf(int order);
std::optional<YuvMatrix> MatrixOf(int space);
// "PQ", "HLG", or empty.
std::string TransferOf(int trc);
// 0:0 for a rate libav does not know.
Ratio RatioOf(AVRational r);

}  // namespace corvane::av
