// The coded file's decoder: the demuxer, the decoder, the index, the
// frames' layout and the cache of decoded frames, with the run the decoder
// is on. CodedVideoFile holds one and lets one thread at a time use it.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "formats/coded_file.h"
#include "formats/coded_index.h"
#include "formats/libav_terms.h"

namespace corvane {

namespace av {
// A decoder that has taken this many packets past the target's own without
// giving it out never will: the read fails instead of decoding on.
constexpr uint32_t kPacketsPastTarget = 96;
// Frames kept behind the one read while playing forward (steps back from
// there need no decoding); every decoded frame kept costs a copy.
constexpr size_t kKeptPlayingForward = 32;
// Seeks that land after the keyframe are tried again from this many
// keyframes earlier, then from the start.
constexpr int kSeekRetries = 3;
}  // namespace av

// How packets read after a seek are told apart: by their presentation
// timestamp (all different), by their decode timestamp (rising), by their
// byte position and size (a raw stream: the demuxer's parser cuts it at the
// same places again after a byte seek), or by counting them from the start
// of the file.
enum class Anchor { kPts, kDts, kPos, kCount };

struct CodedVideoFile::Decoder {
  std::string path;
  DecodeOptions options;
  av::FormatPtr format;
  int stream = -1;
  const AVCodec* codec = nullptr;
  av::CodecPtr context;
  av::PacketPtr packet;
  av::FramePtr frame;
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

}  // namespace corvane
