#include "formats/frame_locator.h"

namespace corvane {

std::optional<FrameLocation> LocateInSegments(std::span<const SegmentInfo> segments, uint32_t n) {
  if (n == 0) return std::nullopt;
  uint64_t before = 0;
  for (size_t i = 0; i < segments.size(); ++i) {
    const SegmentInfo& s = segments[i];
    if (n <= before + s.frameCount)
      return FrameLocation{s.start + (n - before - 1) * uint64_t(s.frameSize), s.frameSize, uint32_t(i)};
    before += s.frameCount;
  }
  return std::nullopt;
}

std::optional<FrameLocation> LocateInPlainRun(uint32_t frameSize, uint32_t n) {
  if (n == 0 || frameSize == 0) return std::nullopt;
  return FrameLocation{uint64_t(n - 1) * frameSize, frameSize, 0};
}

FileFrames::FileFrames(const TrailerInfo& trailer, const YUVPara& para, bool useSegments)
    : m_trailer(trailer),
      m_para(para),
      m_segments(useSegments && trailer.kind == TrailerKind::kSpliced &&
                  trailer.records.size() == trailer.segments.size()) {
  if (m_segments) {
    m_frameCount = TotalFrameCount(trailer.segments);
  } else {
    YUVType type;
    if (GetTypeAndFrameSize(&m_para, &type, &m_frameSize))
      m_frameCount = PlainFrameCount(trailer.dataSize, m_frameSize);
  }
}

std::optional<FrameLocation> FileFrames::Locate(uint32_t n, YUVPara* para) const {
  if (n > m_frameCount) return std::nullopt;
  const auto loc = m_segments ? LocateInSegments(m_trailer.segments, n) : LocateInPlainRun(m_frameSize, n);
  if (loc && para) *para = m_segments ? m_trailer.records[loc->segment] : m_para;
  return loc;
}

}  // namespace corvane
