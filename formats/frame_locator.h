// Finding frame N of a file: where it starts, which segment holds it and
// which parameters it has, in a plain file (one run of equal frames over the
// data before the trailer) or a spliced one (the trailer's segments, each
// with its own record). Frames are numbered from 1.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "formats/trailer.h"
#include "formats/yuv_format.h"

namespace corvane {

struct FrameLocation {
  uint64_t offset = 0;     // byte offset of the frame's first byte
  uint32_t frameSize = 0;  // bytes
  uint32_t segment = 0;    // index of the segment holding it (0 in a plain file)
};

// Frame n among the segments of a spliced file; nullopt for n = 0 or beyond
// the last frame. Segments without frames hold none.
std::optional<FrameLocation> LocateInSegments(std::span<const SegmentInfo> segments, uint32_t n);

// Frame n in a plain run of frames of frameSize bytes starting at 0. No upper
// bound: the caller knows how many frames there are.
std::optional<FrameLocation> LocateInPlainRun(uint32_t frameSize, uint32_t n);

// A whole file as a command sees it: the trailer's segments when the file is
// spliced and its own parameters are used, otherwise a plain run of `para`
// frames over the data before the trailer.
class FileFrames {
 public:
  FileFrames(const TrailerInfo& trailer, const YUVPara& para, bool useSegments);

  uint32_t FrameCount() const { return m_frameCount; }
  // Where frame n lies and its parameters; nullopt for n = 0 or past the end.
  std::optional<FrameLocation> Locate(uint32_t n, YUVPara* para = nullptr) const;

 private:
  TrailerInfo m_trailer;
  YUVPara m_para;
  bool m_segments;
  uint32_t m_frameSize = 0;  // plain run only
  uint32_t m_frameCount = 0;
};

}  // namespace corvane
