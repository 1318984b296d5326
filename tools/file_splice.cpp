#include "tools/file_splice.h"

#include <algorithm>
#include <cerrno>

#include "formats/trailer.h"
#include "formats/video_file.h"
#include "platform/file.h"
#include "tools/copy_support.h"

namespace corvane::tools {

namespace {

SpliceSource ReadSpliceSource(const std::string& path, std::unique_ptr<VideoFile>* file) {
  SpliceSource s;
  if (s.result = OpenSource(path, file); !s.result) return s;
  if ((*file)->ParametersFixed()) {
    // A Y4M input is one segment: its header's parameters, its frames'
    // planes without their headers (it opens only with a whole frame). So
    // is a coded input: the decoded frames' parameters, the frames as the
    // decoder gives them.
    const VideoSegment& segment = (*file)->Segments().front();
    s.recordCount = 1;
    s.dataSize = uint64_t(segment.frameSize) * segment.frameCount;
    s.records = {segment.para};
    return s;
  }
  TrailerInfo trailer = dynamic_cast<const RawVideoFile&>(**file).Trailer();
  switch (trailer.kind) {
    case TrailerKind::kNone: s.result = Fail(ToolError{ToolCode::kNoTrailer, 0, SIZE_MAX, path}); return s;
    case TrailerKind::kDamaged: s.result = Fail(ToolError{ToolCode::kDamagedTrailer, 0, SIZE_MAX, path}); return s;
    case TrailerKind::kPlain:
    case TrailerKind::kSpliced: break;
  }
  s.recordCount = trailer.end.paraCount;
  s.dataSize = trailer.dataSize;
  // A record that gives no frame (an unknown format code, a width or height
  // of 0) would go into the new trailer as a segment no player can show.
  uint32_t frameSize = 0;
  for (const YUVPara& rec : trailer.records) {
    YUVType type;
    if (!GetTypeAndFrameSize(&rec, &type, &frameSize)) {
      s.result = Fail(ToolError{ToolCode::kNoParameters, 0, SIZE_MAX, path});
      break;
    }
  }
  // Data short of one whole frame would add a segment that plays nothing.
  const uint64_t frames = trailer.kind == TrailerKind::kPlain ? PlainFrameCount(s.dataSize, frameSize)
                                                              : TotalFrameCount(trailer.segments);
  if (s.result.has_value() && frames == 0) s.result = Fail(ToolError{ToolCode::kEmptyInput, 0, SIZE_MAX, path});
  s.records = std::move(trailer.records);
  return s;
}

ToolResult ForInput(ToolResult r, size_t index) {
  r.error().input = index;
  return r;
}

}  // namespace

SpliceSource ProbeSpliceInput(const std::string& path) {
  std::unique_ptr<VideoFile> file;
  return ReadSpliceSource(path, &file);
}

uint64_t SplicedSize(uint64_t dataBytes, uint64_t recordCount) {
  return dataBytes + recordCount * kParaRecordSize + kTrailerEndSize;
}

ToolResult Splice(const SpliceJob& job, ToolProgress* progress) {
  if (job.inputs.empty()) return Fail(ToolError{ToolCode::kNoInputs});
  std::vector<std::string> paths;
  for (const auto& in : job.inputs) paths.push_back(in.path);
  if (ToolResult r = CheckTarget(job.target, job.overwrite, paths); !r) return r;

  // Every input is opened and its trailer read before a byte is written: the
  // record table and the total must be complete up front, and the files stay
  // open so the data copied is the data that was measured.
  std::vector<std::unique_ptr<VideoFile>> files(job.inputs.size());
  std::vector<uint64_t> dataSizes(job.inputs.size());
  std::vector<YUVPara> table;
  uint64_t base = 0, largest = 0;
  for (size_t i = 0; i < job.inputs.size(); ++i) {
    SpliceSource s = ReadSpliceSource(job.inputs[i].path, &files[i]);
    if (!s.result) return ForInput(s.result, i);
    if (s.recordCount != job.inputs[i].recordCount)
      return Fail(ToolError{ToolCode::kRecordCountChanged, 0, i, job.inputs[i].path});
    if (table.size() + s.records.size() > kMaxTrailerRecords) return Fail(ToolError{ToolCode::kTooManySegments, 0, i});
    for (size_t k = 0; k < s.records.size(); ++k) {
      YUVPara rec = s.records[k];
      rec.tag = kParaTag;
      // A plain file's frames start at its first byte whatever its record
      // says; a spliced input's segments keep their places within its data.
      rec.SetOffset(base + (s.records.size() == 1 ? 0 : rec.Offset()));
      table.push_back(rec);
    }
    dataSizes[i] = s.dataSize;
    largest = std::max(largest, s.dataSize);
    base += s.dataSize;
  }
  const std::vector<uint8_t> trailer = EncodeTrailer(table);
  StartProgress(progress, base + trailer.size());

  platform::ReplacingFile target;
  ChunkCopier copier(&target, progress, job.chunkBytes);
  if (ToolResult r = copier.Prepare(largest); !r) return r;
  if (copier.Cancelled()) return Fail(ToolError{ToolCode::kCancelled});
  if (int err = platform::ErrnoOf(target.Open(job.target))) return Fail(ToolError{ToolCode::kCreateTargetFailed, err, SIZE_MAX, job.target});

  auto fail = [&](ToolResult r, size_t input) {
    if (r.error().code == ToolCode::kReadFailed) r.error().input = input;
    if (r.error().path.empty() && r.error().code == ToolCode::kWriteFailed) r.error().path = job.target;
    return r;  // the temporary file goes with `target`
  };
  uint64_t at = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    // A raw input's data is one byte range (all its segments); a Y4M
    // input's frames lose their headers; a coded input's are decoded.
    const auto* raw = dynamic_cast<const RawVideoFile*>(files[i].get());
    ToolResult r;
    if (raw) {
      r = copier.Copy(raw->File(), job.inputs[i].path, 0, dataSizes[i], at);
    } else if (auto copied = copier.CopyFrames(*files[i], 1, files[i]->FrameCount(), at); !copied) {
      r = Fail(copied.error());
    }
    if (!r) return fail(r, i);
    at += dataSizes[i];
  }
  if (ToolResult r = copier.Write(trailer.data(), trailer.size(), at); !r) return fail(r, SIZE_MAX);
  if (copier.Cancelled()) return Fail(ToolError{ToolCode::kCancelled});
  if (int err = platform::ErrnoOf(target.Commit())) return Fail(ToolError{ToolCode::kCreateTargetFailed, err, SIZE_MAX, job.target});
  return {};
}

}  // namespace corvane::tools
