#include "formats/coded_decoder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "formats/result_codes.h"

namespace corvane {

using namespace av;

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

}  // namespace

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

}  // namespace corvane
