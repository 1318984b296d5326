#include "tools/file_cut.h"

#include <algorithm>
#include <cerrno>

#include "formats/trailer.h"
#include "formats/video_file.h"
#include "formats/y4m_file.h"
#include "platform/file.h"
#include "tools/copy_support.h"

namespace corvane::tools {

namespace {

// Opens the source and learns its frames; the file stays open for the copy
// so that what was counted is what is read.
CutSource OpenCutSource(const std::string& path, const YUVPara& para, std::unique_ptr<VideoFile>* file) {
  CutSource s;
  if (s.result = OpenSource(path, file); !s.result) return s;
  if ((*file)->ParametersFixed()) {
    // Its header gives the parameters; its frames are indexed already.
    const VideoSegment& segment = (*file)->Segments().front();
    s.streamHeader = true;
    s.frameSize = segment.frameSize;
    s.frameCount = segment.frameCount;
    s.dataSize = uint64_t(s.frameSize) * s.frameCount;
    return s;
  }
  YUVType type;
  if (!GetTypeAndFrameSize(&para, &type, &s.frameSize)) {
    s.result = Fail(ToolError{ToolCode::kNoParameters});
    return s;
  }
  const TrailerInfo& trailer = dynamic_cast<const RawVideoFile&>(**file).Trailer();
  // A spliced file holds segments of other formats; cutting it with one
  // frame size would cut through frames.
  if (trailer.kind == TrailerKind::kSpliced) {
    s.result = Fail(ToolError{ToolCode::kSplicedSource, 0, SIZE_MAX, path});
    return s;
  }
  // Frames end where the trailer starts: counting the trailer as a frame
  // would copy its bytes as picture.
  (void)(*file)->UseParameters(para, false);  // checked above
  s.dataSize = trailer.dataSize;
  s.frameCount = (*file)->FrameCount();
  return s;
}

}  // namespace

CutSource ProbeCut(const std::string& source, const YUVPara& para) {
  std::unique_ptr<VideoFile> file;
  return OpenCutSource(source, para, &file);
}

ToolResult Cut(const CutJob& job, ToolProgress* progress) {
  const std::string sources[] = {job.source};
  if (ToolResult r = CheckTarget(job.target, job.overwrite, sources); !r) return r;

  std::unique_ptr<VideoFile> source;
  const CutSource s = OpenCutSource(job.source, job.para, &source);
  if (!s.result) return s.result;
  if (job.firstFrame == 0 || job.firstFrame > job.lastFrame || job.lastFrame > s.frameCount)
    return Fail(ToolError{ToolCode::kBadRange, 0, SIZE_MAX, job.source});

  const uint32_t count = job.lastFrame - job.firstFrame + 1;
  // A Y4M file cut into a Y4M file: its stream header as it is, then one
  // byte range from frame A's header to frame B's last byte, frame headers
  // and all. Anything else: the frames' planes.
  const auto* y4m = s.streamHeader && !job.bareFrames ? dynamic_cast<const Y4mVideoFile*>(source.get()) : nullptr;
  uint64_t headerLength = 0, from = 0, length = uint64_t(count) * s.frameSize;
  if (y4m) {
    headerLength = y4m->Header().length;
    from = y4m->HeaderOffsetOf(job.firstFrame);
    length = y4m->PlanesOffsetOf(job.lastFrame) + s.frameSize - from;
  }
  StartProgress(progress, headerLength + length);

  platform::ReplacingFile target;
  ChunkCopier copier(&target, progress, job.chunkBytes);
  if (ToolResult r = copier.Prepare(std::max(headerLength, length)); !r) return r;
  if (copier.Cancelled()) return Fail(ToolError{ToolCode::kCancelled});
  if (int err = platform::ErrnoOf(target.Open(job.target))) return Fail(ToolError{ToolCode::kCreateTargetFailed, err, SIZE_MAX, job.target});
  ToolResult r;
  if (y4m) {
    r = copier.Copy(y4m->File(), job.source, 0, headerLength, 0);
    if (r) r = copier.Copy(y4m->File(), job.source, from, length, headerLength);
  } else {
    r = copier.CopyFrames(*source, job.firstFrame, count, 0);
  }
  // A cancel that arrives after the last chunk still wins: the caller was
  // told nothing would be left.
  if (r.has_value() && copier.Cancelled()) r = Fail(ToolError{ToolCode::kCancelled});
  if (!r) {
    if (r.error().path.empty() && r.error().code == ToolCode::kWriteFailed) r.error().path = job.target;
    return r;  // the temporary file goes with `target`
  }
  if (int err = platform::ErrnoOf(target.Commit())) return Fail(ToolError{ToolCode::kCreateTargetFailed, err, SIZE_MAX, job.target});
  return {};
}

}  // namespace corvane::tools
