// A coded stream (H.264, HEVC, AV1, VP9, MPEG-2 ... in MP4, Matroska, IVF,
// MPEG-TS or a raw elementary stream) behind the one frame interface: its
// frames come out of Debian's libavcodec, numbered in presentation order
// (frame n is the n-th frame `ffmpeg -f framemd5` lists), whichever way
// they are reached. Opening builds the index (formats/coded_index.h) and
// decodes the first frame, which fixes the frames' format and size; the
// parameters are the stream's and cannot be changed or written.
//
// Reading frame n: from the cache of decoded frames when it holds n; as the
// next frames of a decoder that is already running towards n (forward play
// never seeks); else from the keyframe that makes n decodable (StartFor),
// after a seek and a flush. The frames decoded on the way are kept, those
// nearest the frame asked for first, within DecodeOptions::cacheBytes, so
// steps and play backward are served from the cache and decode a group
// again only when they leave it.
//
// Threads: one decoder per file behind a mutex; Read, Lend and the getters
// may be called from any thread (they wait for each other). Open and
// Refresh belong to the owner, as VideoFile says.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "formats/coded_index.h"
#include "formats/video_file.h"

namespace corvane {

class CodedVideoFile final : public VideoFile {
 public:
  // Opens a file libavformat recognises and indexes its first video stream.
  // kNotReady for an empty path; kFail with the errno when the file cannot
  // be opened; kFail at Step::kHeader with a reason for a container
  // libavformat cannot read, a file with no video stream ("no video
  // stream"), a codec without a decoder (named), a pixel format without a
  // layout (named), a stream none of whose frames decodes; at Step::kRead
  // when `options.progress` abandons the index.
  static Result<std::unique_ptr<CodedVideoFile>, VideoFileError> Open(const std::string& path,
                                                                      const DecodeOptions& options = {});
  ~CodedVideoFile() override;

  std::span<const YUVPara> OwnParameters() const override { return std::span(&m_para, 1); }
  std::span<const VideoSegment> Segments() const override { return std::span(&m_segment, 1); }
  uint32_t FrameCount() const override { return m_segment.frameCount; }
  uint64_t FileSize() const override { return m_fileSize; }
  // Accepts its own parameters only (Step::kParameters otherwise).
  Result<void, VideoFileError> UseParameters(const YUVPara& para, bool useSegments) override;
  // Nothing when the file's size is unchanged; a file that changed is
  // opened and indexed again (a failure keeps the index as it was).
  Result<void, VideoFileError> Refresh() override;
  // Always refused (Step::kWrite).
  Result<void, VideoFileError> WriteParameters(const YUVPara& para) override;
  // kDecodeFailed when frame n does not come out of the decoder (a damaged
  // packet, a reference lost); kStopped when `giveWay` asks between packets.
  Result<FrameShape, ReadFailure> Read(uint32_t n, std::span<uint8_t> out,
                                       const GiveWay& giveWay = {}) const override;
  // Decoded into memory the loan owns (never mapped).
  Result<LentFrames, ReadFailure> Lend(uint32_t first, uint32_t count) const override;
  bool Holds(uint32_t n) const override { return n >= 1 && n <= FrameCount(); }
  const StreamFacts* Facts() const override { return &m_facts; }
  std::optional<CodedFrame> Coded(uint32_t n) const override;

  // Bytes of decoded frames the cache holds now (at most the bound).
  uint64_t CachedBytes() const;
  // The index as built at open, and whether its order came from the
  // timestamps (false: from a decoding scan).
  const CodedIndex& Index() const;
  bool OrderedByTimestamps() const;

  struct Decoder;  // the demuxer, the decoder, the index and the cache

 private:
  explicit CodedVideoFile(std::string path);

  // Memory of ended loans, lent again: a comparison lends windows of tens of
  // MB one after another, and fresh memory each time is zeroed and faulted
  // in by the kernel (a third of a 1080p comparison's time). Shared with the
  // loans, which give their memory back when they end, even after the file.
  struct LoanPool {
    std::mutex mutex;
    std::vector<std::vector<uint8_t>> free;
  };

  std::unique_ptr<Decoder> m_decoder;
  std::shared_ptr<LoanPool> m_loans = std::make_shared<LoanPool>();
  mutable std::mutex m_mutex;  // one decoder per file: Read, Lend and CachedBytes take turns
  DecodeOptions m_options;
  StreamFacts m_facts;
  YUVPara m_para{};
  VideoSegment m_segment;
  uint64_t m_fileSize = 0;
};

// Whether libavformat recognises the file's first bytes (and name) as a
// container or elementary stream with confidence: a probe score of at least
// kCodedProbeScore, which random bytes and raw frames do not reach.
bool LooksCoded(const std::string& path);
// Whether the name says raw frames (.yuv, .rgb, .raw, or a format's name
// as the extension: .nv12, .yuv420p, .p010): such a file is never probed.
bool NamedRaw(const std::string& path);

}  // namespace corvane
