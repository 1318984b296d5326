#include "formats/libav_terms.h"

#include <mutex>

#include "formats/result_codes.h"
#include "formats/yuv_format.h"

namespace corvane::av {

void QuietLibraries() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_FATAL); });
}

std::string AvError(int err) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(err, text, sizeof text);
  return text;
}

VideoFileError Refused(const std::string& path, std::string reason) {
  return VideoFileError{kFail, 0, path, VideoFileError::Step::kHeader, std::move(reason)};
}

PictureType TypeOf(AVPictureType type) {
  switch (type) {
    case AV_PICTURE_TYPE_I:
    case AV_PICTURE_TYPE_SI: return PictureType::kI;
    case AV_PICTURE_TYPE_P:
    case AV_PICTURE_TYPE_SP: return PictureType::kP;
    case AV_PICTURE_TYPE_B:
    case AV_PICTURE_TYPE_BI: return PictureType::kB;
    default: return PictureType::kUnknown;
  }
}

// The pixel formats whose planes are a Corvane layout byte for byte. The
// full-range yuvj formats are the same planes as their yuv ones.
std::optional<uint32_t> DirectCode(AVPixelFormat format) {
  switch (format) {
    case AV_PIX_FMT_YUVJ420P: return fmt::YV12;
    case AV_PIX_FMT_YUVJ422P: return fmt::YV16;
    case AV_PIX_FMT_YUVJ444P: return fmt::I444;
    case AV_PIX_FMT_NV12: return fmt::NV12;
    default: break;
  }
  const char* name = av_get_pix_fmt_name(format);
  if (!name || std::string_view(name) == "v210") return std::nullopt;
  return CodeForFfmpegName(name);
}

// The Corvane layout nearest a pixel format it has none for: RGB to RGB24
// (RGB32 with alpha), grey to GRAY or GRAY10, YUV to the planar format of
// its sampling and depth (10 bits for anything deeper than 8; 4:4:4 for
// samplings Corvane lacks, 4:1:1 and 4:4:0, and for 8-bit 4:2:0 and 4:2:2
// at odd sizes, whose chroma Corvane's layouts would cut). Alpha is dropped.
AVPixelFormat NearestFormat(AVPixelFormat format, int width, int height) {
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
  if (!desc || (desc->flags & (AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_PAL)))
    return AV_PIX_FMT_NONE;
  const bool deep = desc->comp[0].depth > 8;
  if (desc->flags & AV_PIX_FMT_FLAG_RGB)
    return (desc->flags & AV_PIX_FMT_FLAG_ALPHA) ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR24;
  if (desc->nb_components <= 2) return deep ? AV_PIX_FMT_GRAY10LE : AV_PIX_FMT_GRAY8;
  const int cw = desc->log2_chroma_w, ch = desc->log2_chroma_h;
  if (deep) {
    if (cw == 1 && ch == 1) return AV_PIX_FMT_YUV420P10LE;
    if (cw == 1 && ch == 0) return AV_PIX_FMT_YUV422P10LE;
    return AV_PIX_FMT_YUV444P10LE;
  }
  const bool odd = (width % 2) != 0 || (height % 2) != 0;
  if (cw == 1 && ch == 1 && !odd) return AV_PIX_FMT_YUV420P;
  if (cw == 1 && ch == 0 && (width % 2) == 0) return AV_PIX_FMT_YUV422P;
  return AV_PIX_FMT_YUV444P;
}

bool FullRangeFormat(AVPixelFormat format) {
  return format == AV_PIX_FMT_YUVJ420P || format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ444P;
}

Interlacing InterlacingOf(int order) {
  switch (order) {
    case AV_FIELD_PROGRESSIVE: return Interlacing::kProgressive;
    case AV_FIELD_TT:
    case AV_FIELD_BT: return Interlacing::kTopFieldFirst;     // shown top field first
    case AV_FIELD_BB:
    case AV_FIELD_TB: return Interlacing::kBottomFieldFirst;
    default: return Interlacing::kUnknown;
  }
}

std::optional<YuvMatrix> MatrixOf(int space) {
  switch (space) {
    case AVCOL_SPC_BT709: return YuvMatrix::kBt709;
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M: return YuvMatrix::kBt601;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL: return YuvMatrix::kBt2020;
    default: return std::nullopt;
  }
}

std::string TransferOf(int trc) {
  if (trc == AVCOL_TRC_SMPTE2084) return "PQ";
  if (trc == AVCOL_TRC_ARIB_STD_B67) return "HLG";
  return {};
}

Ratio RatioOf(AVRational r) {
  if (r.num <= 0 || r.den <= 0) return {};
  return Ratio{uint32_t(r.num), uint32_t(r.den)};
}


}  // namespace corvane::av
