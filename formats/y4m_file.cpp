#include "formats/y4m_file.h"

#include <cerrno>

#include "formats/result_codes.h"

namespace corvane {

namespace {

VideoFileError HeaderRefused(const std::string& path, std::string reason) {
  return VideoFileError{kFail, 0, path, VideoFileError::Step::kHeader, std::move(reason)};
}

// A refusal of the file's bytes, or a read that failed (its errno).
VideoFileError FromProblem(const std::string& path, const y4m::Problem& problem) {
  if (problem.reason.empty()) return VideoFileError{kFail, problem.error, path, VideoFileError::Step::kRead};
  return HeaderRefused(path, problem.reason);
}

}  // namespace

Result<std::unique_ptr<Y4mVideoFile>, VideoFileError> Y4mVideoFile::Open(const std::string& path) {
  if (path.empty()) return Fail(VideoFileError{kNotReady, ENOENT, path});
  std::unique_ptr<Y4mVideoFile> file(new Y4mVideoFile(path));
  if (const int err = platform::ErrnoOf(file->m_file.Open(path, platform::File::Mode::kRead)))
    return Fail(VideoFileError{kFail, err, path});
  const int64_t size = file->m_file.Size();
  if (size < 0) return Fail(VideoFileError{kFail, errno, path, VideoFileError::Step::kRead});
  file->m_fileSize = uint64_t(size);

  std::string head(y4m::kMaxStreamHeader, '\0');
  const int64_t got = file->m_file.ReadAt(head.data(), head.size(), 0);
  if (got < 0) return Fail(VideoFileError{kFail, errno, path, VideoFileError::Step::kRead});
  head.resize(size_t(got));
  auto header = y4m::ParseStreamHeader(head);
  if (!header) return Fail(FromProblem(path, header.error()));
  file->m_header = std::move(*header);
  file->m_index.first = file->m_index.end = file->m_header.length;
  file->m_index.frameSize = file->m_header.frameSize;
  if (auto indexed = y4m::ExtendIndex(&file->m_index, file->m_fileSize, [&f = file->m_file](void* b, size_t n, uint64_t at) {
        return f.ReadAt(b, n, at);
      });
      !indexed)
    return Fail(FromProblem(path, indexed.error()));
  if (file->m_index.count == 0) {
    const uint64_t after = file->m_fileSize - file->m_header.length;
    return Fail(HeaderRefused(path, after == 0 ? "the file holds its stream header and no frame"
                                               : "the file holds no whole frame (" + std::to_string(after) +
                                                     " bytes after the stream header, a frame is " +
                                                     std::to_string(file->m_header.frameSize) + " bytes)"));
  }
  file->Lay();
  return file;
}

void Y4mVideoFile::Lay() {
  m_segment = VideoSegment{m_header.para, 1, m_index.count, m_header.frameSize};
  m_header.facts.uniformFrameHeaders = m_index.uniform;
  m_header.facts.leftOverBytes = m_fileSize - m_index.end;
}

Result<void, VideoFileError> Y4mVideoFile::UseParameters(const YUVPara& para, bool) {
  const YUVPara& own = m_header.para;
  if (para.format != own.format || para.width != own.width || para.height != own.height ||
      para.EffectiveInterval() != own.EffectiveInterval())
    return Fail(VideoFileError{kFail, 0, Path(), VideoFileError::Step::kParameters,
                               "its stream header fixes its parameters"});
  return {};
}

Result<void, VideoFileError> Y4mVideoFile::Refresh() {
  const int64_t size = m_file.Size();
  if (size < 0) return Fail(VideoFileError{kFail, errno, Path(), VideoFileError::Step::kRead});
  m_fileSize = uint64_t(size);
  if (m_index.end > m_fileSize) {
    // Keep the frames that still end within the file.
    uint32_t keep = m_index.count;
    while (keep > 0 && m_index.PlanesAt(keep - 1) + m_index.frameSize > m_fileSize) --keep;
    m_index.KeepFirst(keep);
  }
  auto indexed = y4m::ExtendIndex(&m_index, m_fileSize, [this](void* b, size_t n, uint64_t at) { return m_file.ReadAt(b, n, at); });
  Lay();
  if (!indexed) return Fail(FromProblem(Path(), indexed.error()));
  return {};
}

Result<void, VideoFileError> Y4mVideoFile::WriteParameters(const YUVPara&) {
  return Fail(VideoFileError{kFail, 0, Path(), VideoFileError::Step::kWrite,
                             "a Y4M file's parameters are its stream header's; none are written into it"});
}

FrameShape Y4mVideoFile::ShapeOf() const {
  FrameShape shape;
  shape.para = m_header.para;
  shape.size = m_header.frameSize;
  uint32_t size = 0;
  GetTypeAndFrameSize(&shape.para, &shape.type, &size);
  return shape;
}

Result<FrameShape, ReadFailure> Y4mVideoFile::Read(uint32_t n, std::span<uint8_t> out, const GiveWay& giveWay) const {
  if (n == 0 || n > m_index.count) return Fail(ReadFailure{ReadStatus::kPastEnd, 0});
  const FrameShape shape = ShapeOf();
  if (auto read = ReadFrameBytes(m_file, PlanesOffsetOf(n), shape.size, out, giveWay); !read) return Fail(read.error());
  return shape;
}

Result<LentFrames, ReadFailure> Y4mVideoFile::Lend(uint32_t first, uint32_t count) const {
  if (count == 0 || first == 0 || first > m_index.count || count > m_index.count - first + 1)
    return Fail(ReadFailure{ReadStatus::kPastEnd, 0});
  // One mapping from the first frame's planes to the last one's end; the
  // frame headers between them are mapped too and skipped.
  std::vector<uint64_t> offsets(count);
  for (uint32_t i = 0; i < count; ++i) offsets[i] = PlanesOffsetOf(first + i);
  return MapFrames(m_file, offsets, std::vector<FrameShape>(count, ShapeOf()));
}

bool Y4mVideoFile::Holds(uint32_t n) const {
  if (n == 0 || n > m_index.count) return false;
  const int64_t size = m_file.Size();
  return size >= 0 && PlanesOffsetOf(n) + m_header.frameSize <= uint64_t(size);
}

}  // namespace corvane
