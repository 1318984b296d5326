#include "formats/coded_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

#include "formats/result_codes.h"
#include "platform/file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace corvane {

namespace {

#if defined(__SANITIZE_THREAD__)
constexpr bool kThreadSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr bool kThreadSanitizer = true;
#else
constexpr bool kThreadSanitizer = false;
#endif
#else
constexpr bool kThreadSanitizer = false;
#endif

// The probe: the first bytes read, and the score a format must reach. 51
// is what libavformat's raw H.264, HEVC and MPEG video probes give a
// stream with its parameter sets and a random-access picture; containers
// score near 100; random bytes and raw frames stay far below.
constexpr size_t kProbeBytes = 64 << 10;
constexpr int kCodedProbeScore = AVPROBE_SCORE_EXTENSION + 1;
// A decoder that has taken this many packets past the target's own without
// giving it out never will: the read fails instead of decoding on.
constexpr uint32_t kPacketsPastTarget = 96;
// Frames kept behind the one read while playing forward (steps back from
// there need no decoding); every decoded frame kept costs a copy.
constexpr size_t kKeptPlayingForward = 32;
// Seeks that land after the keyframe are tried again from this many
// keyframes earlier, then from the start.
constexpr int kSeekRetries = 3;

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

Interlacing InterlacingOf(AVFieldOrder order) {
  switch (order) {
    case AV_FIELD_PROGRESSIVE: return Interlacing::kProgressive;
    case AV_FIELD_TT:
    case AV_FIELD_BT: return Interlacing::kTopFieldFirst;     // shown top field first
    case AV_FIELD_BB:
    case AV_FIELD_TB: return Interlacing::kBottomFieldFirst;
    default: return Interlacing::kUnknown;
  }
}

std::optional<YuvMatrix> MatrixOf(AVColorSpace space) {
  switch (space) {
    case AVCOL_SPC_BT709: return YuvMatrix::kBt709;
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M: return YuvMatrix::kBt601;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL: return YuvMatrix::kBt2020;
    default: return std::nullopt;
  }
}

std::string TransferOf(AVColorTransferCharacteristic trc) {
  if (trc == AVCOL_TRC_SMPTE2084) return "PQ";
  if (trc == AVCOL_TRC_ARIB_STD_B67) return "HLG";
  return {};
}

Ratio RatioOf(AVRational r) {
  if (r.num <= 0 || r.den <= 0) return {};
  return Ratio{uint32_t(r.num), uint32_t(r.den)};
}

}  // namespace

// How packets read after a seek are told apart: by their presentation
// timestamp (all different), by their decode timestamp (rising), by their
// byte position and size (a raw stream: the demuxer's parser cuts it at the
// same places again after a byte seek), or by counting them from the start
// of the file.
enum class Anchor { kPts, kDts, kPos, kCount };

struct CodedVideoFile::Decoder {
  std::string path;
  DecodeOptions options;
  FormatPtr format;
  int stream = -1;
  const AVCodec* codec = nullptr;
  CodecPtr context;
  PacketPtr packet;
  FramePtr frame;
  CodedIndex index;
  bool byTimestamps = false;
  Anchor anchor = Anchor::kCount;
  std::vector<std::pair<int64_t, uint32_t>> anchors;  // (timestamp, decode index), sorted

  // The frames' layout, fixed by the first frame decoded.
  AVPixelFormat sourceFormat = AV_PIX_FMT_NONE;
  int width = 0, height = 0;
  YUVType type = YUV_NONE;
  uint32_t code = 0;
  uint32_t frameSize = 0;
  PlaneLayout layout;
  bool haveLayout = false;
  std::string layoutProblem;  // why the first frame has no layout
  SwsContext* convert = nullptr;  // for a pixel format Corvane has no layout for
  // libswscale writes whole vector widths past a row's end: it converts
  // into this padded picture, whose rows are then copied out.
  uint8_t* converted[4] = {};
  int convertedStride[4] = {};
  ~Decoder() {
    sws_freeContext(convert);
    av_freep(&converted[0]);
  }

  // The run: the decoder was flushed before the packet `runStart` and has
  // been fed every packet since, up to `nextFeed`; it has given out frames
  // up to `lastOut` (0: none yet). `drained`: the end of the stream was
  // sent, so the decoder takes no packet before a flush.
  bool running = false;
  uint32_t runStart = 0;
  uint32_t nextFeed = 0;
  uint32_t lastOut = 0;
  bool drained = false;
  bool pending = false;  // `packet` holds a packet the decoder has not taken yet

  // Decoded frames by number, at most `capacity` of them (the bound), and
  // while playing forward no more than `keepNow`; the buffer of a frame
  // dropped is taken by the next one.
  std::map<uint32_t, std::unique_ptr<uint8_t[]>> cache;
  std::unique_ptr<uint8_t[]> spare;
  size_t capacity = 0;
  size_t keepNow = 0;

  // Called with each frame number the decoder gives out during a scan.
  std::vector<uint32_t>* scanOutput = nullptr;

  Result<void, VideoFileError> OpenInput(const AVInputFormat* probed);
  Result<void, VideoFileError> BuildIndex();
  Result<void, VideoFileError> OpenDecoder();
  Result<void, VideoFileError> Scan();
  Result<void, VideoFileError> FirstFrame();

  void Stop();
  bool SeekTo(uint32_t start);
  bool SeekToStart();
  int ReadPacket();  // next packet of the stream into `packet`; <0 at the end
  std::optional<uint32_t> Identify(const AVPacket& p, uint32_t counted) const;
  Result<void, ReadFailure> Decode(uint32_t n, std::span<uint8_t> out, const GiveWay& giveWay, uint32_t* target);
  // Frames the decoder gives out now; true when `n` was among them.
  int TakeFrames(uint32_t n, std::span<uint8_t> out, bool* got, bool* failed);
  bool Keep(uint32_t f, uint32_t n) const;
  uint8_t* Slot(uint32_t f, uint32_t n);
  void DropFarthest(uint32_t n);
  bool SetLayout(const AVFrame& f);
  bool Copy(const AVFrame& f, uint8_t* out) const;
};

Result<void, VideoFileError> CodedVideoFile::Decoder::OpenInput(const AVInputFormat* probed) {
  AVFormatContext* raw = nullptr;
  const int err = avformat_open_input(&raw, path.c_str(), probed, nullptr);
  if (err < 0) return Fail(Refused(path, "libavformat cannot read it (" + AvError(err) + ")"));
  format.reset(raw);
  return {};
}

Result<void, VideoFileError> CodedVideoFile::Decoder::BuildIndex() {
  if (const int err = avformat_find_stream_info(format.get(), nullptr); err < 0)
    return Fail(Refused(path, "libavformat cannot read its streams (" + AvError(err) + ")"));
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    const AVStream* st = format->streams[i];
    if (stream < 0 && st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
        !(st->disposition & AV_DISPOSITION_ATTACHED_PIC))
      stream = int(i);
  }
  if (stream < 0) return Fail(Refused(path, "no video stream"));
  for (unsigned i = 0; i < format->nb_streams; ++i)
    if (int(i) != stream) format->streams[i]->discard = AVDISCARD_ALL;
  const AVCodecParameters* par = format->streams[stream]->codecpar;
  codec = avcodec_find_decoder(par->codec_id);
  if (!codec) return Fail(Refused(path, std::string("no decoder for its codec ") + avcodec_get_name(par->codec_id)));

  // The parser tells each packet's picture type without decoding it.
  ParserPtr parser(av_parser_init(par->codec_id));
  CodecPtr parsing(avcodec_alloc_context3(nullptr));
  if (parser && parsing && avcodec_parameters_to_context(parsing.get(), par) >= 0)
    parser->flags |= PARSER_FLAG_COMPLETE_FRAMES;
  else
    parser.reset();

  packet.reset(av_packet_alloc());
  frame.reset(av_frame_alloc());
  if (!packet || !frame) return Fail(VideoFileError{kFail, ENOMEM, path, VideoFileError::Step::kRead});
  // The container's frame count is only a hint (a cut file keeps the count
  // of the whole): room for it, but never more than the file could hold.
  const int64_t claimed = format->streams[stream]->nb_frames;
  const int64_t fileBytes = avio_size(format->pb);
  if (claimed > 0 && fileBytes > 0) index.Reserve(size_t(std::min<int64_t>(claimed, fileBytes / 64 + 1)));
  while (ReadPacket() >= 0) {
    CodedPacket p;
    p.pts = packet->pts == AV_NOPTS_VALUE ? CodedPacket::kNoTime : packet->pts;
    p.dts = packet->dts == AV_NOPTS_VALUE ? CodedPacket::kNoTime : packet->dts;
    p.pos = packet->pos;
    p.bytes = uint32_t(packet->size);
    p.key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
    p.discard = (packet->flags & AV_PKT_FLAG_DISCARD) != 0;
    if (parser) {
      uint8_t* out = nullptr;
      int outSize = 0;
      av_parser_parse2(parser.get(), parsing.get(), &out, &outSize, packet->data, packet->size, AV_NOPTS_VALUE,
                       AV_NOPTS_VALUE, -1);
      p.type = TypeOf(AVPictureType(parser->pict_type));
    }
    index.Add(p);
    av_packet_unref(packet.get());
  }
  if (index.Packets().empty()) return Fail(Refused(path, "its video stream holds no packet"));

  // How packets are recognised after a seek. A raw stream's timestamps
  // are libavformat's guesses, made afresh after each seek: not those.
  const auto packets = index.Packets();
  const bool timestamps = !(format->iformat->flags & AVFMT_NOTIMESTAMPS);
  const auto rising = [&](Anchor kind, auto key) {
    anchors.clear();
    anchors.reserve(packets.size());
    for (uint32_t d = 0; d < packets.size(); ++d) anchors.emplace_back(key(packets[d]), d);
    if (kind == Anchor::kPts) std::sort(anchors.begin(), anchors.end());
    for (size_t i = 0; i < anchors.size(); ++i)
      if (anchors[i].first == CodedPacket::kNoTime || (i > 0 && anchors[i].first <= anchors[i - 1].first))
        return false;
    anchor = kind;
    return true;
  };
  if (!(timestamps && rising(Anchor::kPts, [](const CodedPacket& p) { return p.pts; })) &&
      !(timestamps && rising(Anchor::kDts, [](const CodedPacket& p) { return p.dts; })) &&
      !(!(format->iformat->flags & AVFMT_NO_BYTE_SEEK) && rising(Anchor::kPos, [](const CodedPacket& p) { return p.pos < 0 ? CodedPacket::kNoTime : p.pos; }))) {
    anchor = Anchor::kCount;
    anchors.clear();
  }
  byTimestamps = index.TimestampsOrder() && anchor != Anchor::kCount;
  if (byTimestamps) index.OrderByTimestamps();
  return {};
}

Result<void, VideoFileError> CodedVideoFile::Decoder::OpenDecoder() {
  context.reset(avcodec_alloc_context3(codec));
  if (!context) return Fail(VideoFileError{kFail, ENOMEM, path, VideoFileError::Step::kRead});
  avcodec_parameters_to_context(context.get(), format->streams[stream]->codecpar);
  context->pkt_timebase = format->streams[stream]->time_base;
  // libav's own threads are not seen by ThreadSanitizer: there it decodes
  // on the caller's thread alone.
  context->thread_count = kThreadSanitizer ? 1 : int(options.threads);
  context->thread_type = FF_THREAD_FRAME;
  if (const int err = avcodec_open2(context.get(), codec, nullptr); err < 0)
    return Fail(Refused(path, std::string("the ") + codec->name + " decoder refuses the stream (" + AvError(err) + ")"));
  return {};
}

int CodedVideoFile::Decoder::ReadPacket() {
  for (;;) {
    const int err = av_read_frame(format.get(), packet.get());
    if (err < 0) return err;
    if (packet->stream_index == stream) return 0;
    av_packet_unref(packet.get());
  }
}

std::optional<uint32_t> CodedVideoFile::Decoder::Identify(const AVPacket& p, uint32_t counted) const {
  if (anchor == Anchor::kCount) {
    if (counted >= index.Packets().size() || index.Packets()[counted].bytes != uint32_t(p.size)) return std::nullopt;
    return counted;
  }
  const int64_t t = anchor == Anchor::kPts ? p.pts : anchor == Anchor::kDts ? p.dts : p.pos;
  if (t == AV_NOPTS_VALUE || (anchor == Anchor::kPos && t < 0)) return std::nullopt;
  auto it = std::lower_bound(anchors.begin(), anchors.end(), std::make_pair(t, uint32_t(0)));
  if (it == anchors.end() || it->first != t) return std::nullopt;
  // At a byte position, the packet must also be the one cut there before.
  if (anchor == Anchor::kPos && index.Packets()[it->second].bytes != uint32_t(p.size)) return std::nullopt;
  return it->second;
}

void CodedVideoFile::Decoder::Stop() {
  avcodec_flush_buffers(context.get());
  if (pending) av_packet_unref(packet.get());
  pending = false;
  running = false;
  drained = false;
  lastOut = 0;
}

bool CodedVideoFile::Decoder::SeekToStart() {
  // A stream whose packets are known by position or counted (a raw
  // stream) seeks by bytes; one with timestamps to its first packet's,
  // whatever its container makes of byte positions.
  if ((anchor == Anchor::kCount || anchor == Anchor::kPos) && !(format->iformat->flags & AVFMT_NO_BYTE_SEEK) &&
      av_seek_frame(format.get(), stream, 0, AVSEEK_FLAG_BYTE) >= 0)
    return true;
  int64_t first = INT64_MAX;
  for (const CodedPacket& p : index.Packets()) {
    if (p.dts != CodedPacket::kNoTime) first = std::min(first, p.dts);
    if (p.pts != CodedPacket::kNoTime) first = std::min(first, p.pts);
  }
  if (first == INT64_MAX) first = 0;
  return av_seek_frame(format.get(), stream, first, AVSEEK_FLAG_BACKWARD) >= 0 ||
         avformat_seek_file(format.get(), stream, INT64_MIN, first, first, 0) >= 0 ||
         av_seek_frame(format.get(), stream, 0, AVSEEK_FLAG_BYTE) >= 0;
}

// Positions the demuxer so that the next packet (held `pending`) is
// `start`, the decoder flushed. Packets before it are read and dropped. A
// seek that lands after it is tried again from keyframes before it, then
// from the start of the file.
bool CodedVideoFile::Decoder::SeekTo(uint32_t start) {
  Stop();
  const auto packets = index.Packets();
  const size_t bound = packets.size() + kPacketsPastTarget;  // packets read before giving up
  uint32_t from = start;
  for (int attempt = 0;; ++attempt) {
    const bool fromStart = anchor == Anchor::kCount || from == 0 || attempt > kSeekRetries;
    bool sought;
    if (fromStart) {
      sought = SeekToStart();
    } else if (anchor == Anchor::kPos) {
      sought = av_seek_frame(format.get(), stream, packets[from].pos, AVSEEK_FLAG_BYTE) >= 0;
    } else {
      const CodedPacket& key = packets[from];
      int64_t ts = key.dts != CodedPacket::kNoTime ? key.dts : key.pts;
      if (key.pts != CodedPacket::kNoTime) ts = std::min(ts, key.pts);
      sought = av_seek_frame(format.get(), stream, ts, AVSEEK_FLAG_BACKWARD) >= 0;
    }
    uint32_t counted = 0;
    while (sought && counted < bound && ReadPacket() >= 0) {
      const std::optional<uint32_t> d = Identify(*packet, counted++);
      if (d && *d == start) {
        pending = true;
        running = true;
        runStart = nextFeed = start;
        return true;
      }
      av_packet_unref(packet.get());
      if (d && *d > start) break;
      if (!d && anchor == Anchor::kCount) return false;  // not the packets the index holds
    }
    if (fromStart) return false;
    do {
      --from;
    } while (from > 0 && !packets[from].key);
  }
}

bool CodedVideoFile::Decoder::SetLayout(const AVFrame& f) {
  sourceFormat = AVPixelFormat(f.format);
  width = f.width;
  height = f.height;
  const char* name = av_get_pix_fmt_name(sourceFormat);
  std::optional<uint32_t> direct = DirectCode(sourceFormat);
  // Corvane's 8-bit 4:2:0 and 4:2:2 layouts round odd chroma sizes down,
  // the decoders' up: at odd sizes they are converted.
  if (direct && (*direct == fmt::YV12 || *direct == fmt::YV16 || *direct == fmt::NV12) &&
      ((width % 2) != 0 || (*direct != fmt::YV16 && (height % 2) != 0)))
    direct.reset();
  if (!direct) {
    const AVPixelFormat nearest = NearestFormat(sourceFormat, width, height);
    if (nearest != AV_PIX_FMT_NONE)
      convert = sws_getContext(width, height, sourceFormat, width, height, nearest, SWS_BICUBIC | SWS_ACCURATE_RND,
                               nullptr, nullptr, nullptr);
    // A few rows more than the picture, each padded to 64 bytes.
    if (convert && av_image_alloc(converted, convertedStride, width, height + 4, nearest, 64) < 0) {
      sws_freeContext(convert);
      convert = nullptr;
    }
    if (!convert) {
      layoutProblem = std::string("its pixel format ") + (name ? name : "unknown") + " has no Corvane layout";
      return false;
    }
    direct = DirectCode(nearest);
  }
  code = *direct;
  YUVPara para = MakePara(code, uint32_t(width), uint32_t(height));
  if (!GetTypeAndFrameSize(&para, &type, &frameSize)) {
    layoutProblem = "a frame of " + std::to_string(width) + "x" + std::to_string(height) + " is too large";
    return false;
  }
  layout = GetPlaneLayout(type, uint32_t(width), uint32_t(height));
  haveLayout = true;
  capacity = keepNow = size_t(options.cacheBytes / frameSize);
  return true;
}

bool CodedVideoFile::Decoder::Copy(const AVFrame& f, uint8_t* out) const {
  if (AVPixelFormat(f.format) != sourceFormat || f.width != width || f.height != height) return false;
  const uint8_t* const* planes = f.data;
  const int* strides = f.linesize;
  if (convert) {
    if (sws_scale(convert, f.data, f.linesize, 0, height, converted, convertedStride) != height) return false;
    planes = converted;
    strides = convertedStride;
  }
  for (int p = 0; p < layout.planeCount; ++p) {
    const uint8_t* from = planes[p];
    if (!from) return false;
    uint8_t* to = out + layout.offset[size_t(p)];
    for (uint32_t row = 0; row < layout.rows[size_t(p)]; ++row)
      std::memcpy(to + size_t(row) * layout.stride[size_t(p)], from + ptrdiff_t(row) * strides[p],
                  layout.stride[size_t(p)]);
  }
  return true;
}

// Whether frame f is worth keeping while decoding towards n: the cache
// keeps the frames nearest n.
namespace {
uint32_t Distance(uint32_t a, uint32_t b) { return a > b ? a - b : b - a; }
}  // namespace

bool CodedVideoFile::Decoder::Keep(uint32_t f, uint32_t n) const {
  if (keepNow == 0) return false;
  if (cache.size() < keepNow || cache.count(f)) return true;
  return Distance(f, n) < std::max(Distance(cache.begin()->first, n), Distance(cache.rbegin()->first, n));
}

void CodedVideoFile::Decoder::DropFarthest(uint32_t n) {
  auto farthest = Distance(cache.begin()->first, n) >= Distance(cache.rbegin()->first, n) ? cache.begin()
                                                                                           : std::prev(cache.end());
  spare = std::move(farthest->second);
  cache.erase(farthest);
}

// The buffer frame f is kept in, making room by dropping the frames
// farthest from n: down to the bound, and one a frame beyond `keepNow`.
uint8_t* CodedVideoFile::Decoder::Slot(uint32_t f, uint32_t n) {
  if (auto it = cache.find(f); it != cache.end()) return it->second.get();
  while (!cache.empty() && cache.size() >= capacity) DropFarthest(n);
  if (!cache.empty() && cache.size() >= keepNow) DropFarthest(n);
  // Not zeroed: every byte is written by the copy.
  std::unique_ptr<uint8_t[]> bytes = spare ? std::move(spare) : std::unique_ptr<uint8_t[]>(new uint8_t[frameSize]);
  return cache.emplace(f, std::move(bytes)).first->second.get();
}

int CodedVideoFile::Decoder::TakeFrames(uint32_t n, std::span<uint8_t> out, bool* got, bool* failed) {
  for (;;) {
    const int err = avcodec_receive_frame(context.get(), frame.get());
    if (err < 0) return err;
    const int64_t d = frame->pts;
    const uint32_t f = d >= 0 && uint64_t(d) < index.Packets().size() ? index.FrameOf(uint32_t(d)) : 0;
    if (scanOutput && d >= 0 && uint64_t(d) < index.Packets().size()) {
      scanOutput->push_back(uint32_t(d));
      index.PacketAt(uint32_t(d)).type = TypeOf(frame->pict_type);
    }
    if (!haveLayout && layoutProblem.empty()) SetLayout(*frame);
    // A frame whose keyframe lies before the run's start (a leading
    // picture some decoders give out after a seek, its references
    // missing) is not the stream's frame: it is neither kept nor counted.
    if (f != 0 && f > lastOut && haveLayout && index.StartFor(f) >= runStart) {
      lastOut = f;
      if (f == n) *got = true;
      if (Keep(f, n)) {
        uint8_t* slot = Slot(f, n);
        if (!Copy(*frame, slot)) {
          cache.erase(f);
          if (f == n) *failed = true;
        } else if (f == n && !out.empty()) {
          std::memcpy(out.data(), slot, frameSize);
        }
      } else if (f == n && !out.empty() && !Copy(*frame, out.data())) {
        *failed = true;
      }
    }
    av_frame_unref(frame.get());
    // Frames ready after n are taken too (they are kept, being nearest n,
    // and the decoder's threads go on meanwhile); with nowhere to keep
    // them they stay in the decoder for the next read.
    if (*got && keepNow == 0) return 0;
  }
}

// Decodes until frame n comes out (into `out` when it is not empty). With
// n = 0, decodes the whole stream (the scan). `*target` is n's packet's
// decode index, or the last packet's for the scan.
Result<void, ReadFailure> CodedVideoFile::Decoder::Decode(uint32_t n, std::span<uint8_t> out,
                                                          const GiveWay& giveWay, uint32_t* target) {
  const uint32_t packetCount = uint32_t(index.Packets().size());
  const uint32_t limit = std::min<uint64_t>(uint64_t(*target) + kPacketsPastTarget, packetCount);
  bool got = false, failed = false;
  uint32_t counted = pending ? nextFeed + 1 : nextFeed;  // the decode index of the next packet read
  for (;;) {
    const int err = TakeFrames(n, out, &got, &failed);
    if (got) break;
    // Drained, the decoder has given out all it held. Any other error
    // than "feed me" costs the frames of the packet it came from; the
    // packets after it are fed as usual.
    if (err == AVERROR_EOF || drained) {
      running = false;
      break;
    }
    if (giveWay && giveWay()) return Fail(ReadFailure{ReadStatus::kStopped, 0});
    if (!pending) {
      if (nextFeed >= limit || ReadPacket() < 0) {
        avcodec_send_packet(context.get(), nullptr);
        drained = true;
        continue;
      }
      const std::optional<uint32_t> d = Identify(*packet, counted);
      ++counted;
      if (!d || *d < nextFeed) {  // a packet the index does not know, or one fed already
        av_packet_unref(packet.get());
        continue;
      }
      nextFeed = *d;
      pending = true;
    }
    packet->pts = nextFeed;
    packet->dts = AV_NOPTS_VALUE;
    const int sent = avcodec_send_packet(context.get(), packet.get());
    if (sent == AVERROR(EAGAIN)) continue;  // take frames first, then send it again
    av_packet_unref(packet.get());
    pending = false;
    ++nextFeed;
    if (sent < 0 && sent != AVERROR_INVALIDDATA) {
      // A decoder that stops taking packets is started again from a keyframe next time.
      running = false;
      return Fail(ReadFailure{ReadStatus::kDecodeFailed, 0});
    }
    if (n == 0 && options.progress && nextFeed % 16 == 0 &&
        !options.progress(double(nextFeed) / double(std::max<uint32_t>(packetCount, 1))))
      return Fail(ReadFailure{ReadStatus::kStopped, 0});
  }
  if (n == 0) return {};
  if (!got || failed) {
    if (!got) running = false;
    return Fail(ReadFailure{ReadStatus::kDecodeFailed, 0});
  }
  return {};
}

Result<void, VideoFileError> CodedVideoFile::Decoder::Scan() {
  if (!SeekTo(0)) return Fail(Refused(path, "its packets cannot be read again from the start"));
  std::vector<uint32_t> shown;
  shown.reserve(index.Packets().size());
  scanOutput = &shown;
  uint32_t last = uint32_t(index.Packets().size());
  auto scanned = Decode(0, {}, {}, &last);
  scanOutput = nullptr;
  Stop();
  if (!scanned) {
    if (scanned.error().status == ReadStatus::kStopped)
      return Fail(VideoFileError{kFail, 0, path, VideoFileError::Step::kRead, "opening was abandoned"});
    return Fail(Refused(path, "its stream cannot be decoded to the end"));
  }
  index.OrderByOutput(shown);
  return {};
}

Result<void, VideoFileError> CodedVideoFile::Decoder::FirstFrame() {
  if (index.FrameCount() == 0) return Fail(Refused(path, "none of its frames decodes"));
  // The first frame that comes out fixes the layout (and is kept).
  uint32_t target = index.DecodeIndexOf(1);
  if (!haveLayout && SeekTo(index.StartFor(1))) (void)Decode(1, {}, {}, &target);
  if (!layoutProblem.empty()) return Fail(Refused(path, layoutProblem));
  if (!haveLayout) return Fail(Refused(path, "none of its first frames decodes"));
  return {};
}

Result<std::unique_ptr<CodedVideoFile>, VideoFileError> CodedVideoFile::Open(const std::string& path,
                                                                             const DecodeOptions& options) {
  if (path.empty()) return Fail(VideoFileError{kNotReady, ENOENT, path});
  QuietLibraries();
  platform::File file;
  if (const int err = platform::ErrnoOf(file.Open(path, platform::File::Mode::kRead)))
    return Fail(VideoFileError{kFail, err, path});
  const int64_t size = file.Size();
  if (size < 0) return Fail(VideoFileError{kFail, errno, path, VideoFileError::Step::kRead});

  auto decoder = std::make_unique<Decoder>();
  decoder->path = path;
  decoder->options = options;
  if (auto opened = decoder->OpenInput(nullptr); !opened) return Fail(opened.error());
  if (auto indexed = decoder->BuildIndex(); !indexed) return Fail(indexed.error());
  if (auto ready = decoder->OpenDecoder(); !ready) return Fail(ready.error());
  if (!decoder->byTimestamps)
    if (auto scanned = decoder->Scan(); !scanned) return Fail(scanned.error());
  if (auto first = decoder->FirstFrame(); !first) return Fail(first.error());

  std::unique_ptr<CodedVideoFile> coded(new CodedVideoFile(path));
  coded->m_options = options;
  coded->m_fileSize = uint64_t(size);
  const AVStream* st = decoder->format->streams[decoder->stream];
  StreamFacts& facts = coded->m_facts;
  facts.container = decoder->format->iformat->name;
  facts.codec = avcodec_get_name(st->codecpar->codec_id);
  facts.decodedFormat = av_get_pix_fmt_name(decoder->sourceFormat);
  facts.converted = decoder->convert != nullptr;
  facts.frameRate = RatioOf(st->avg_frame_rate);
  if (!facts.frameRate.Known()) facts.frameRate = RatioOf(st->r_frame_rate);
  facts.interlacing = InterlacingOf(st->codecpar->field_order);
  facts.pixelAspect = RatioOf(st->sample_aspect_ratio.num > 0 ? st->sample_aspect_ratio
                                                               : st->codecpar->sample_aspect_ratio);
  const AVColorRange range = decoder->context->color_range != AVCOL_RANGE_UNSPECIFIED ? decoder->context->color_range
                                                                                      : st->codecpar->color_range;
  if (FullRangeFormat(decoder->sourceFormat) || range == AVCOL_RANGE_JPEG)
    facts.range = YuvRange::kFull;
  else if (range == AVCOL_RANGE_MPEG)
    facts.range = YuvRange::kLimited;
  facts.matrix = MatrixOf(decoder->context->colorspace != AVCOL_SPC_UNSPECIFIED ? decoder->context->colorspace
                                                                                 : st->codecpar->color_space);
  facts.transfer = TransferOf(decoder->context->color_trc != AVCOL_TRC_UNSPECIFIED ? decoder->context->color_trc
                                                                                    : st->codecpar->color_trc);
  uint32_t interval = 0;
  if (facts.frameRate.Known())
    interval = uint32_t(std::max<uint64_t>(1, (uint64_t(facts.frameRate.den) * 1000 + facts.frameRate.num / 2) /
                                                  facts.frameRate.num));
  coded->m_para = MakePara(decoder->code, uint32_t(decoder->width), uint32_t(decoder->height),
                           interval == 0 ? kDefaultFrameInterval : interval);
  coded->m_segment = VideoSegment{coded->m_para, 1, decoder->index.FrameCount(), decoder->frameSize};
  coded->m_decoder = std::move(decoder);
  return coded;
}

CodedVideoFile::CodedVideoFile(std::string path) : VideoFile(std::move(path)) {}
CodedVideoFile::~CodedVideoFile() = default;

Result<void, VideoFileError> CodedVideoFile::UseParameters(const YUVPara& para, bool) {
  return AcceptOwnParameters(Path(), m_para, para, "its stream fixes its parameters");
}

Result<void, VideoFileError> CodedVideoFile::Refresh() {
  platform::File file;
  if (const int err = platform::ErrnoOf(file.Open(Path(), platform::File::Mode::kRead)))
    return Fail(VideoFileError{kFail, err, Path()});
  const int64_t size = file.Size();
  if (size < 0) return Fail(VideoFileError{kFail, errno, Path(), VideoFileError::Step::kRead});
  if (uint64_t(size) == m_fileSize) return {};
  auto again = Open(Path(), m_options);
  if (!again) return Fail(again.error());
  std::lock_guard lock(m_mutex);
  m_decoder = std::move((*again)->m_decoder);
  m_facts = std::move((*again)->m_facts);
  m_para = (*again)->m_para;
  m_segment = (*again)->m_segment;
  m_fileSize = (*again)->m_fileSize;
  return {};
}

Result<void, VideoFileError> CodedVideoFile::WriteParameters(const YUVPara&) {
  return Fail(VideoFileError{kFail, 0, Path(), VideoFileError::Step::kWrite,
                             "a coded stream's parameters are its own; none are written into it"});
}

Result<FrameShape, ReadFailure> CodedVideoFile::Read(uint32_t n, std::span<uint8_t> out, const GiveWay& giveWay) const {
  if (n == 0 || n > FrameCount()) return Fail(ReadFailure{ReadStatus::kPastEnd, 0});
  FrameShape shape;
  shape.para = m_para;
  shape.size = m_segment.frameSize;
  uint32_t size = 0;
  GetTypeAndFrameSize(&shape.para, &shape.type, &size);
  if (out.size() < shape.size) return Fail(ReadFailure{ReadStatus::kTooSmall, 0});
  out = out.first(shape.size);

  std::lock_guard lock(m_mutex);
  Decoder& d = *m_decoder;
  if (auto it = d.cache.find(n); it != d.cache.end()) {
    std::memcpy(out.data(), it->second.get(), shape.size);
    return shape;
  }
  const uint32_t start = d.index.StartFor(n);
  uint32_t target = d.index.DecodeIndexOf(n);
  // Forward from where the decoder is when it will give n out on its way;
  // from the keyframe when that is nearer or the decoder is past n.
  const bool onItsWay = d.running && !d.drained && d.lastOut < n && d.runStart <= start && start <= d.nextFeed;
  // Playing forward keeps a few frames behind for steps back; a seek keeps
  // as many as the bound holds of the frames before n, for playing back.
  d.keepNow = onItsWay ? std::min(d.capacity, kKeptPlayingForward) : d.capacity;
  if (!onItsWay && !d.SeekTo(start)) return Fail(ReadFailure{ReadStatus::kDecodeFailed, 0});
  if (auto decoded = d.Decode(n, out, giveWay, &target); !decoded) return Fail(decoded.error());
  return shape;
}

Result<LentFrames, ReadFailure> CodedVideoFile::Lend(uint32_t first, uint32_t count) const {
  if (count == 0 || first == 0 || first > FrameCount() || count > FrameCount() - first + 1)
    return Fail(ReadFailure{ReadStatus::kPastEnd, 0});
  const uint32_t size = m_segment.frameSize;
  const size_t need = size_t(size) * count;
  std::vector<uint8_t> buffer;
  {
    std::lock_guard lock(m_loans->mutex);
    // The first that is large enough, else the last given back (it grows once).
    auto& free = m_loans->free;
    auto fits = std::find_if(free.begin(), free.end(), [need](const auto& b) { return b.size() >= need; });
    if (fits == free.end() && !free.empty()) fits = free.end() - 1;
    if (fits != free.end()) {
      buffer = std::move(*fits);
      free.erase(fits);
    }
  }
  if (buffer.size() < need) buffer.resize(need);
  constexpr size_t kLoansKept = 3;  // a reader's loan, the next one and one spare
  std::shared_ptr<std::vector<uint8_t>> memory(
      new std::vector<uint8_t>(std::move(buffer)), [pool = std::weak_ptr<LoanPool>(m_loans)](std::vector<uint8_t>* b) {
        if (const auto loans = pool.lock()) {
          std::lock_guard lock(loans->mutex);
          if (loans->free.size() < kLoansKept) loans->free.push_back(std::move(*b));
        }
        delete b;
      });
  std::vector<const uint8_t*> frames;
  std::vector<FrameShape> shapes;
  for (uint32_t i = 0; i < count; ++i) {
    const std::span<uint8_t> into(memory->data() + size_t(size) * i, size);
    auto read = Read(first + i, into);
    if (!read) return Fail(read.error());
    frames.push_back(into.data());
    shapes.push_back(*read);
  }
  return LentFrames(std::shared_ptr<const void>(memory, memory->data()), std::move(frames), std::move(shapes), false);
}

std::optional<CodedFrame> CodedVideoFile::Coded(uint32_t n) const {
  if (n == 0 || n > FrameCount()) return std::nullopt;
  return m_decoder->index.Frame(n);
}

uint64_t CodedVideoFile::CachedBytes() const {
  std::lock_guard lock(m_mutex);
  const uint64_t held = m_decoder->cache.size() + (m_decoder->spare ? 1 : 0);
  return held * m_decoder->frameSize;
}

const CodedIndex& CodedVideoFile::Index() const { return m_decoder->index; }
bool CodedVideoFile::OrderedByTimestamps() const { return m_decoder->byTimestamps; }

bool NamedRaw(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string_view base = std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
  const size_t dot = base.find_last_of('.');
  if (dot == std::string_view::npos) return false;
  std::string ext(base.substr(dot + 1));
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (ext == "yuv" || ext == "rgb" || ext == "raw") return true;
  return CodeForUserFormatName(ext).has_value() || CodeForFfmpegName(ext).has_value();
}

bool LooksCoded(const std::string& path) {
  platform::File file;
  if (!file.Open(path, platform::File::Mode::kRead)) return false;
  std::vector<uint8_t> head(kProbeBytes + AVPROBE_PADDING_SIZE, 0);
  const int64_t got = file.ReadAt(head.data(), kProbeBytes, 0);
  if (got <= 0) return false;
  QuietLibraries();
  AVProbeData probe{};
  probe.filename = path.c_str();
  probe.buf = head.data();
  probe.buf_size = int(got);
  int score = 0;
  return av_probe_input_format2(&probe, 1, &score) != nullptr && score >= kCodedProbeScore;
}

}  // namespace corvane
