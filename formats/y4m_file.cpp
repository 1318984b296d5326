#include "formats/y4m_file.h"

#include <fcntl.h>

#include <cerrno>
#include <chrono>

#include "formats/result_codes.h"

namespace corvane {

namespace {

// Reads frame headers for the index. From the page cache a header costs one
// small pread. From a disk each read would wait for its own seek, one after
// the other, and pull in the kernel's readahead behind it (2,000 frames of
// 1080p: 3.5 % of reading the whole file). So once reads show that the
// headers come from the disk (a few took longer than a cached read ever
// does), the pages where the next headers should lie (the average frame
// apart; headers may differ in length, so a little either side) are asked
// for all at once (posix_fadvise WILLNEED), and the disk reads them
// together while the index walks on.
class HeaderReader {
 public:
  HeaderReader(const platform::File& file, uint64_t size) : m_file(file), m_size(size) {}

  int64_t Read(void* buffer, size_t length, uint64_t at) {
    const auto start = std::chrono::steady_clock::now();
    const int64_t got = m_file.ReadAt(buffer, length, at);
    if (std::chrono::steady_clock::now() - start > kCachedReadTime) ++m_slowReads;
    return got;
  }

  void LookAhead(uint64_t next, uint64_t averageFrameBytes) {
    if (m_slowReads < kSlowReadsForDisk || next + kAhead / 2 * averageFrameBytes < m_hintedTo) return;
    for (uint32_t k = 0; k < kAhead; ++k) {
      const uint64_t at = next + k * averageFrameBytes;
      if (at >= m_size) break;
      const uint64_t from = at > kSlack ? at - kSlack : 0;
      (void)::posix_fadvise(m_file.Descriptor(), off_t(from), off_t(2 * kSlack + kMaxTaggedHeader), POSIX_FADV_WILLNEED);
      m_hintedTo = at;
    }
  }

 private:
  // A read from the page cache takes a microsecond or two; one that waits
  // for a disk, tens at least. A few slow reads, not one (a
  // thread switched out), say the file is not in the cache.
  static constexpr std::chrono::microseconds kCachedReadTime{30};
  static constexpr int kSlowReadsForDisk = 3;
  static constexpr uint32_t kAhead = 64;  // headers asked for at once
  // How far a header may lie from where the average frame puts it (the
  // lengths of the headers between differ), and a header's usual length:
  // the pages of this window are asked for, mostly one.
  static constexpr uint64_t kSlack = 512;
  static constexpr uint64_t kMaxTaggedHeader = 64;

  const platform::File& m_file;
  const uint64_t m_size;
  int m_slowReads = 0;
  uint64_t m_hintedTo = 0;  // the furthest header position asked for
};

Result<void, y4m::Problem> IndexFrames(const platform::File& file, uint64_t size, y4m::FrameIndex* index) {
  HeaderReader reader(file, size);
  return y4m::ExtendIndex(
      index, size, [&reader](void* b, size_t n, uint64_t at) { return reader.Read(b, n, at); },
      [&reader](uint64_t next, uint64_t average) { reader.LookAhead(next, average); });
}

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
  if (auto indexed = IndexFrames(file->m_file, file->m_fileSize, &file->m_index); !indexed)
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
  return AcceptOwnParameters(Path(), m_header.para, para, "its stream header fixes its parameters");
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
  auto indexed = IndexFrames(m_file, m_fileSize, &m_index);
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

Result<FrameLoan, ReadFailure> Y4mVideoFile::LendFrame(uint32_t n, const GiveWay& giveWay) const {
  if (n == 0 || n > m_index.count) return Fail(ReadFailure{ReadStatus::kPastEnd, 0});
  return m_lender.Lend(m_file, PlanesOffsetOf(n), ShapeOf(), giveWay);
}

bool Y4mVideoFile::Holds(uint32_t n) const {
  if (n == 0 || n > m_index.count) return false;
  const int64_t size = m_file.Size();
  return size >= 0 && PlanesOffsetOf(n) + m_header.frameSize <= uint64_t(size);
}

}  // namespace corvane
