#include "tools/file_cut.h"

#include <algorithm>
#include <cerrno>

#include "formats/trailer.h"
#include "formats/video_file.h"
#include "formats/y4m_file.h"
#include "formats/y4m_stream.h"
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
    s.coded = CodedFacts(**file) != nullptr;
    s.streamHeader = !s.coded;
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

// The end of every cut: a cancel that arrives after the last chunk still
// wins (the caller was told nothing would be left); the target is put in
// place only when everything before went well.
ToolResult Finish(const CutJob& job, const ChunkCopier& copier, platform::ReplacingFile& target, ToolResult r) {
  if (r.has_value() && copier.Cancelled()) r = Fail(ToolError{ToolCode::kCancelled});
  if (!r) {
    if (r.error().path.empty() && r.error().code == ToolCode::kWriteFailed) r.error().path = job.target;
    return r;  // the temporary file goes with `target`
  }
  if (int err = platform::ErrnoOf(target.Commit())) return Fail(ToolError{ToolCode::kCreateTargetFailed, err, SIZE_MAX, job.target});
  return {};
}

// The Y4M stream header of a coded source's decoded frames: their
// parameters, the stream's exact rate (the interval's when it gives none)
// and its range when it names one (as ffmpeg's Y4M writer adds it).
std::string Y4mHeaderOf(const YUVPara& para, const StreamFacts& facts) {
  const Ratio rate = facts.frameRate.Known() ? facts.frameRate : Ratio{1000, para.EffectiveInterval()};
  std::string header = y4m::StreamHeaderFor(para, rate);
  if (facts.range) header.insert(header.size() - 1, *facts.range == YuvRange::kFull ? " XCOLORRANGE=FULL" : " XCOLORRANGE=LIMITED");
  return header;
}

// A coded source's frames A..B as the decoder gives them, frame by frame
// (progress and cancel between frames, and between the pieces of one
// decode): raw frames and a one-record trailer of their parameters, so that
// the cut opens without asking for them; or a Y4M file.
ToolResult CutDecoded(const CutJob& job, const VideoFile& source, const CutSource& s, uint32_t count,
                      ToolProgress* progress) {
  YUVPara para = source.Segments().front().para;
  std::string header;
  std::vector<uint8_t> trailer;
  if (job.y4m) {
    if (y4m::SamplingTagOf(para.format, para.width, para.height).empty())
      return Fail(ToolError{ToolCode::kNoParameters, 0, SIZE_MAX, job.source,
                            "Y4M has no sampling with the layout of its decoded frames (" +
                                std::string(UserFormatName(para.format)) + ")"});
    header = Y4mHeaderOf(para, *CodedFacts(source));
  } else {
    para.tag = kParaTag;
    para.SetOffset(0);
    trailer = EncodeTrailer(std::span(&para, 1));
  }
  const std::string_view frameHeader = job.y4m ? y4m::kBareFrameHeader : std::string_view();
  const uint64_t frames = uint64_t(count) * (s.frameSize + frameHeader.size());
  StartProgress(progress, header.size() + frames + trailer.size());

  platform::ReplacingFile target;
  ChunkCopier copier(&target, progress, job.chunkBytes);
  if (copier.Cancelled()) return Fail(ToolError{ToolCode::kCancelled});
  if (int err = platform::ErrnoOf(target.Open(job.target))) return Fail(ToolError{ToolCode::kCreateTargetFailed, err, SIZE_MAX, job.target});
  // Progress goes by frames, then the trailer: a Y4M stream header is too
  // small to count on its own, and there is no trailer behind Y4M frames.
  ToolResult r;
  if (!header.empty()) r = copier.Write(reinterpret_cast<const uint8_t*>(header.data()), header.size(), 0);
  if (r) {
    auto copied = copier.CopyFrames(source, job.firstFrame, count, header.size(), frameHeader);
    if (!copied) r = Fail(copied.error());
  }
  if (r && !trailer.empty()) r = copier.Write(trailer.data(), trailer.size(), header.size() + frames);
  return Finish(job, copier, target, r);
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
  if (s.coded) return CutDecoded(job, *source, s, count, progress);
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
  } else if (auto copied = copier.CopyFrames(*source, job.firstFrame, count, 0); !copied) {
    r = Fail(copied.error());
  }
  return Finish(job, copier, target, r);
}

}  // namespace corvane::tools
