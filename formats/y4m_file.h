// A Y4M file behind the one frame interface: its stream header gives the
// frames' format, size and exact rate, an index built at open (from the
// frame headers only) says where each frame's planes lie. The header is the
// truth: the parameters cannot be changed or written.
//
// Threads: as VideoFile. Open and Refresh build the index (owner only, no
// reader running); Read, Lend, Holds and the getters only read it.
#pragma once

#include <memory>
#include <string>

#include "formats/video_file.h"
#include "formats/y4m_stream.h"
#include "platform/file.h"

namespace corvane {

class Y4mVideoFile final : public VideoFile {
 public:
  // Opens a regular file read only, parses its stream header and indexes
  // its frames. Fails with kNotReady for an empty path, kFail with the
  // errno when the file cannot be opened or read, and kFail at
  // Step::kHeader with a reason for a header refused (no W or H, a size of
  // 0 or of a frame of 4 GiB or more, numbers over 32 bits, an unknown or
  // unsupported C, no line end within the limit, a frame header that does
  // not start with FRAME or is too long) and for a file that holds no whole
  // frame (the stream header alone, or a first frame cut short): a file
  // with nothing to show is refused with the reason, as a damaged one is.
  static Result<std::unique_ptr<Y4mVideoFile>, VideoFileError> Open(const std::string& path);

  std::span<const YUVPara> OwnParameters() const override { return std::span(&m_header.para, 1); }
  std::span<const VideoSegment> Segments() const override { return std::span(&m_segment, 1); }
  uint32_t FrameCount() const override { return m_index.count; }
  uint64_t FileSize() const override { return m_fileSize; }
  // Accepts its own parameters only (format, size and interval; the tag and
  // offset words are not compared): anything else is refused at
  // Step::kParameters.
  Result<void, VideoFileError> UseParameters(const YUVPara& para, bool useSegments) override;
  // Measures the file again: frames written since are indexed, frames the
  // file lost are dropped (a frame header damaged since fails, and the
  // frames before it stay).
  Result<void, VideoFileError> Refresh() override;
  // Always refused (Step::kWrite): the stream header holds the parameters.
  Result<void, VideoFileError> WriteParameters(const YUVPara& para) override;
  Result<FrameShape, ReadFailure> Read(uint32_t n, std::span<uint8_t> out,
                                       const GiveWay& giveWay = {}) const override;
  Result<LentFrames, ReadFailure> Lend(uint32_t first, uint32_t count) const override;
  Result<FrameLoan, ReadFailure> LendFrame(uint32_t n, const GiveWay& giveWay = {}) const override;
  bool Holds(uint32_t n) const override;
  const StreamFacts* Facts() const override { return &m_header.facts; }

  // For the tools that copy byte ranges (cut, splice): the open file, the
  // stream header's bytes, and where frame n's header and planes start.
  const platform::File& File() const { return m_file; }
  const y4m::StreamHeader& Header() const { return m_header; }
  const y4m::FrameIndex& Index() const { return m_index; }
  uint64_t HeaderOffsetOf(uint32_t n) const { return m_index.HeaderAt(n - 1); }
  uint64_t PlanesOffsetOf(uint32_t n) const { return m_index.PlanesAt(n - 1); }

 private:
  explicit Y4mVideoFile(std::string path) : VideoFile(std::move(path)) {}
  FrameShape ShapeOf() const;
  void Lay();  // the segment and the left-over bytes from the index and size

  platform::File m_file;
  y4m::StreamHeader m_header;
  y4m::FrameIndex m_index;
  FrameLender m_lender;
  VideoSegment m_segment;
  uint64_t m_fileSize = 0;
};

}  // namespace corvane
