#include "formats/video_file.h"

#include <algorithm>
#include <cerrno>
#include <list>
#include <unordered_map>

#include "formats/coded_file.h"
#include "formats/result_codes.h"
#include "formats/y4m_file.h"

namespace corvane {

namespace {

// A large frame is read in pieces of this size at most, so a reader that
// must give way (a stop, a seek) waits for one piece, not the whole frame.
// A piece whose pages are still being made (the first read into a fresh
// 1.6 GB buffer) takes about 2 ms a MiB: 8 MiB keeps a stop's wait well
// under the window's 100 ms, even with a draw taking the other core.
constexpr uint32_t kReadPiece = 8u << 20;

bool Spliced(const TrailerInfo& trailer, bool useSegments) {
  return useSegments && trailer.kind == TrailerKind::kSpliced && trailer.records.size() == trailer.segments.size();
}

}  // namespace

std::string_view InterlacingName(Interlacing interlacing) {
  switch (interlacing) {
    case Interlacing::kProgressive: return "progressive";
    case Interlacing::kTopFieldFirst: return "top field first";
    case Interlacing::kBottomFieldFirst: return "bottom field first";
    case Interlacing::kMixed: return "mixed";
    case Interlacing::kUnknown: break;
  }
  return "unknown";
}

std::string_view PictureTypeName(PictureType type) {
  switch (type) {
    case PictureType::kI: return "I";
    case PictureType::kP: return "P";
    case PictureType::kB: return "B";
    case PictureType::kUnknown: break;
  }
  return "?";
}

Result<void, ReadFailure> ReadFrameBytes(const platform::File& file, uint64_t at, uint32_t size,
                                         std::span<uint8_t> out, const VideoFile::GiveWay& giveWay) {
  if (out.size() < size) return Fail(ReadFailure{ReadStatus::kTooSmall, 0});
  uint32_t got = 0;
  while (got < size) {
    if (giveWay && giveWay()) return Fail(ReadFailure{ReadStatus::kStopped, 0});
    const uint32_t part = std::min(kReadPiece, size - got);
    const int64_t n = file.ReadAt(out.data() + got, part, at + got);
    if (n < 0) return Fail(ReadFailure{ReadStatus::kFailed, errno});
    got += uint32_t(n);
    if (n < int64_t(part)) return Fail(ReadFailure{ReadStatus::kShort, 0});
  }
  return {};
}

Result<LentFrames, ReadFailure> MapFrames(const platform::File& file, std::span<const uint64_t> offsets,
                                          std::vector<FrameShape> shapes) {
  uint64_t from = UINT64_MAX, to = 0;
  for (size_t i = 0; i < offsets.size(); ++i) {
    from = std::min(from, offsets[i]);
    to = std::max(to, offsets[i] + shapes[i].size);
  }
  // Every frame must lie within the file as it is now: a page past its end
  // would raise SIGBUS on the first touch.
  const int64_t size = file.Size();
  if (size < 0) return Fail(ReadFailure{ReadStatus::kFailed, errno});
  if (to > uint64_t(size)) return Fail(ReadFailure{ReadStatus::kShort, 0});
  auto range = std::make_shared<platform::MappedRange>();
  if (const int err = platform::ErrnoOf(range->Map(file, from, size_t(to - from))))
    return Fail(ReadFailure{err == EINVAL ? ReadStatus::kShort : ReadStatus::kFailed, err});
  std::vector<const uint8_t*> frames;
  frames.reserve(offsets.size());
  for (const uint64_t at : offsets) frames.push_back(range->Data() + (at - from));
  return LentFrames(std::move(range), std::move(frames), std::move(shapes), true);
}

Result<FrameLoan, ReadFailure> VideoFile::LendFrame(uint32_t, const GiveWay&) const {
  return Fail(ReadFailure{ReadStatus::kFailed, ENOTSUP});
}

// A guarded mapping of the whole file and the frames of it whose loans
// have ended with their pages still mapped, oldest first.
struct FrameLender::Mapping {
  platform::MappedRange range;
  std::mutex lock;
  std::list<std::pair<uint64_t, uint32_t>> kept;  // offset and size of each frame
  std::unordered_map<uint64_t, std::list<std::pair<uint64_t, uint32_t>>::iterator> keptAt;
  uint64_t keptBytes = 0;

  // Whether the frame at `at` is still mapped; it is lent again now.
  bool Reuse(uint64_t at) {
    std::scoped_lock guard(lock);
    const auto it = keptAt.find(at);
    if (it == keptAt.end()) return false;
    keptBytes -= it->second->second;
    kept.erase(it->second);
    keptAt.erase(it);
    return true;
  }
  // A loan ended: its pages stay mapped, and the oldest kept beyond the
  // bound leave the process's memory.
  void Ended(uint64_t at, uint32_t size) {
    std::scoped_lock guard(lock);
    if (keptAt.count(at)) return;  // the same frame lent twice at once
    kept.emplace_back(at, size);
    keptAt[at] = std::prev(kept.end());
    keptBytes += size;
    while (keptBytes > kKeptBytes && !kept.empty()) {
      const auto [oldAt, oldSize] = kept.front();
      range.LetGo(range.Data() + oldAt, oldSize);
      keptBytes -= oldSize;
      keptAt.erase(oldAt);
      kept.pop_front();
    }
  }
};

Result<FrameLoan, ReadFailure> FrameLender::Lend(const platform::File& file, uint64_t at, const FrameShape& shape,
                                                 const VideoFile::GiveWay& giveWay) const {
  // The frame must lie within the file as it is now: one cut short since
  // the mapping was made no longer holds it, as a read would find.
  const int64_t size = file.Size();
  if (size < 0) return Fail(ReadFailure{ReadStatus::kFailed, errno});
  if (shape.size == 0 || at + shape.size > uint64_t(size)) return Fail(ReadFailure{ReadStatus::kShort, 0});
  std::shared_ptr<Mapping> map;
  {
    std::scoped_lock lock(m_lock);
    if (!m_map || at + shape.size > m_map->range.Size()) {
      // Not read in order (a player goes backwards too): no sequential advice.
      auto fresh = std::make_shared<Mapping>();
      if (const int err = platform::ErrnoOf(fresh->range.Map(file, 0, size_t(size), false)))
        return Fail(ReadFailure{ReadStatus::kFailed, err});
      if (!fresh->range.GuardLostPages()) return Fail(ReadFailure{ReadStatus::kFailed, ENOTSUP});
      m_map = std::move(fresh);
    }
    map = m_map;
  }
  const uint8_t* data = map->range.Data() + at;
  if (!map->Reuse(at)) {
    // Made present in pieces, as a read is done: a stop waits for one piece.
    for (uint32_t done = 0; done < shape.size; done += kReadPiece) {
      if (giveWay && giveWay()) return Fail(ReadFailure{ReadStatus::kStopped, 0});
      if (!map->range.MakePresent(data + done, std::min(kReadPiece, shape.size - done)))
        return Fail(ReadFailure{ReadStatus::kShort, 0});
    }
  }
  std::shared_ptr<const void> keep(data, [map, at, bytes = shape.size](const void*) { map->Ended(at, bytes); });
  return FrameLoan{data, shape, std::move(keep)};
}

Result<void, VideoFileError> AcceptOwnParameters(const std::string& path, const YUVPara& own, const YUVPara& para,
                                                 const char* reason) {
  if (para.format != own.format || para.width != own.width || para.height != own.height ||
      para.EffectiveInterval() != own.EffectiveInterval())
    return Fail(VideoFileError{kFail, 0, path, VideoFileError::Step::kParameters, reason});
  return {};
}

std::optional<FrameShape> VideoFile::Shape(uint32_t n) const {
  if (n == 0 || n > FrameCount()) return std::nullopt;
  const std::span<const VideoSegment> segments = Segments();
  for (size_t i = 0; i < segments.size(); ++i) {
    const VideoSegment& s = segments[i];
    if (s.frameCount == 0 || n < s.firstFrame || n - s.firstFrame >= s.frameCount) continue;
    FrameShape shape;
    shape.para = s.para;
    shape.size = s.frameSize;
    shape.segment = uint32_t(i);
    uint32_t size = 0;
    GetTypeAndFrameSize(&shape.para, &shape.type, &size);
    return shape;
  }
  return std::nullopt;
}

Result<std::unique_ptr<RawVideoFile>, VideoFileError> RawVideoFile::Open(const std::string& path, Access access) {
  if (path.empty()) return Fail(VideoFileError{kNotReady, ENOENT, path});
  std::unique_ptr<RawVideoFile> file(new RawVideoFile(path));
  bool readOnly = access == Access::kRead || platform::IsReadOnlyFile(path);
  int err = platform::ErrnoOf(file->m_file.Open(path, readOnly ? platform::File::Mode::kRead : platform::File::Mode::kReadWrite));
  if (!readOnly && (err == EACCES || err == EROFS || err == EPERM || err == ETXTBSY)) {
    // Not writable after all: read it, but never write into it.
    readOnly = true;
    err = platform::ErrnoOf(file->m_file.Open(path, platform::File::Mode::kRead));
  }
  if (err != 0) return Fail(VideoFileError{kFail, err, path});
  file->m_readOnly = readOnly;
  file->m_trailer = ReadTrailer(file->m_file);
  if (file->m_trailer.ioError) return Fail(VideoFileError{kFail, errno, path, VideoFileError::Step::kRead});
  file->m_fileSize = file->m_trailer.fileSize;
  file->m_dataSize = file->m_trailer.dataSize;  // the whole file without a trusted trailer
  if (!file->m_trailer.records.empty()) file->m_para = file->m_trailer.records.front();
  file->m_haveParameters = !file->m_trailer.records.empty();
  file->Lay();
  return file;
}

Result<void, VideoFileError> RawVideoFile::UseParameters(const YUVPara& para, bool useSegments) {
  // A spliced file read in its segments takes its parameters from them.
  YUVType type;
  uint32_t size;
  if (!Spliced(m_trailer, useSegments) && !GetTypeAndFrameSize(&para, &type, &size))
    return Fail(VideoFileError{kFail, 0, Path(), VideoFileError::Step::kParameters});
  m_para = para;
  m_useSegments = useSegments;
  m_haveParameters = true;
  Lay();
  return {};
}

std::vector<VideoSegment> RawSegments(const TrailerInfo& trailer, uint64_t dataSize, const YUVPara* para,
                                      bool useSegments) {
  std::vector<VideoSegment> segments;
  if (Spliced(trailer, useSegments)) {
    uint32_t next = 1;
    for (size_t i = 0; i < trailer.segments.size(); ++i) {
      const SegmentInfo& s = trailer.segments[i];
      segments.push_back({trailer.records[i], next, s.frameCount, s.frameSize});
      next += s.frameCount;
    }
    return segments;
  }
  YUVType type;
  uint32_t size = 0;
  if (!para || !GetTypeAndFrameSize(para, &type, &size)) return segments;
  segments.push_back({*para, 1, PlainFrameCount(dataSize, size), size});
  return segments;
}

void RawVideoFile::Lay() {
  m_segments = RawSegments(m_trailer, m_dataSize, m_haveParameters ? &m_para : nullptr, m_useSegments);
  m_segmentStarts.clear();
  if (Spliced(m_trailer, m_useSegments)) {
    for (const SegmentInfo& s : m_trailer.segments) m_segmentStarts.push_back(s.start);
    m_frameCount = TotalFrameCount(m_trailer.segments);
  } else {
    m_segmentStarts.assign(m_segments.size(), 0);
    m_frameCount = m_segments.empty() ? 0 : m_segments.front().frameCount;
  }
}

Result<void, VideoFileError> RawVideoFile::Refresh() {
  const int64_t size = m_file.Size();
  if (size < 0) return Fail(VideoFileError{kFail, errno, Path(), VideoFileError::Step::kRead});
  // A file that shrank keeps at most its old data size (the trailer, if
  // any, was cut off with it); a file without a trailer is frames to its end.
  m_fileSize = uint64_t(size);
  if (m_dataSize > m_fileSize) m_dataSize = m_fileSize;
  if (m_trailer.end.trailerSize == 0 || (m_trailer.kind != TrailerKind::kPlain && m_trailer.kind != TrailerKind::kSpliced))
    m_dataSize = m_fileSize;
  Lay();
  return {};
}

Result<void, VideoFileError> RawVideoFile::WriteParameters(const YUVPara& para) {
  YUVPara record = para;
  record.tag = kParaTag;
  record.SetOffset(0);  // a plain file's only segment starts at 0
  const std::vector<uint8_t> bytes = EncodeTrailer(std::span(&record, 1));
  const TrailerInfo info = ReadTrailer(m_file);
  constexpr auto kWrite = VideoFileError::Step::kWrite;
  if (info.ioError) return Fail(VideoFileError{kFail, errno, Path(), VideoFileError::Step::kRead});
  if (info.kind == TrailerKind::kSpliced) return Fail(VideoFileError{kFail, 0, Path(), kWrite});  // changed on disk
  // A one-record trailer is replaced in place; otherwise the trailer is appended.
  const uint64_t at = info.kind == TrailerKind::kPlain ? info.fileSize - kPlainTrailerSize : info.fileSize;
  // Writing fails on a read-only file; that is reported, never passed off as written.
  if (m_file.WriteAt(bytes.data(), bytes.size(), at) != int64_t(bytes.size()))
    return Fail(VideoFileError{kFail, errno, Path(), kWrite});
  m_trailer = ReadTrailer(m_file);
  m_fileSize = m_trailer.fileSize;
  m_dataSize = m_trailer.dataSize;
  Lay();
  if (m_trailer.kind != TrailerKind::kPlain) return Fail(VideoFileError{kFail, 0, Path(), kWrite});
  return {};
}

std::optional<uint64_t> RawVideoFile::OffsetOf(uint32_t n, FrameShape* shape) const {
  const std::optional<FrameShape> found = Shape(n);
  if (!found) return std::nullopt;
  *shape = *found;
  const VideoSegment& s = m_segments[found->segment];
  return m_segmentStarts[found->segment] + uint64_t(n - s.firstFrame) * s.frameSize;
}

Result<FrameShape, ReadFailure> RawVideoFile::Read(uint32_t n, std::span<uint8_t> out, const GiveWay& giveWay) const {
  FrameShape shape;
  const std::optional<uint64_t> at = OffsetOf(n, &shape);
  if (!at) return Fail(ReadFailure{ReadStatus::kPastEnd, 0});
  if (auto read = ReadFrameBytes(m_file, *at, shape.size, out, giveWay); !read) return Fail(read.error());
  return shape;
}

Result<LentFrames, ReadFailure> RawVideoFile::Lend(uint32_t first, uint32_t count) const {
  if (count == 0 || first == 0 || first > m_frameCount || count > m_frameCount - first + 1)
    return Fail(ReadFailure{ReadStatus::kPastEnd, 0});
  std::vector<uint64_t> offsets;
  std::vector<FrameShape> shapes;
  offsets.reserve(count);
  shapes.reserve(count);
  for (uint32_t n = first; n < first + count; ++n) {
    FrameShape shape;
    const std::optional<uint64_t> at = OffsetOf(n, &shape);
    if (!at) return Fail(ReadFailure{ReadStatus::kPastEnd, 0});
    offsets.push_back(*at);
    shapes.push_back(shape);
  }
  return MapFrames(m_file, offsets, std::move(shapes));
}

Result<FrameLoan, ReadFailure> RawVideoFile::LendFrame(uint32_t n, const GiveWay& giveWay) const {
  FrameShape shape;
  const std::optional<uint64_t> at = OffsetOf(n, &shape);
  if (!at) return Fail(ReadFailure{ReadStatus::kPastEnd, 0});
  return m_lender.Lend(m_file, *at, shape, giveWay);
}

bool RawVideoFile::Holds(uint32_t n) const {
  FrameShape shape;
  const std::optional<uint64_t> at = OffsetOf(n, &shape);
  const int64_t size = m_file.Size();
  return at && size >= 0 && *at + shape.size <= uint64_t(size);
}

}  // namespace corvane

namespace corvane {

bool IsY4mFile(const std::string& path) {
  platform::File file;
  if (!file.Open(path, platform::File::Mode::kRead)) return false;
  char magic[y4m::kMagic.size()];
  return file.ReadAt(magic, sizeof magic, 0) == int64_t(sizeof magic) &&
         std::string_view(magic, sizeof magic) == y4m::kMagic;
}

namespace {

// A file with the player's parameter trailer holds raw frames, whatever its
// first bytes look like.
bool HasRawTrailer(const std::string& path) {
  platform::File file;
  if (!file.Open(path, platform::File::Mode::kRead)) return false;
  const TrailerKind kind = ReadTrailer(file).kind;
  return kind == TrailerKind::kPlain || kind == TrailerKind::kSpliced;
}

}  // namespace

Result<std::unique_ptr<VideoFile>, VideoFileError> OpenVideoFile(const std::string& path, FileAccess access,
                                                                 const DecodeOptions& decode) {
  if (!path.empty() && IsY4mFile(path)) {
    auto y4m = Y4mVideoFile::Open(path);
    if (!y4m) return Fail(std::move(y4m.error()));
    return std::unique_ptr<VideoFile>(std::move(*y4m));
  }
  // Raw by name or trailer is never probed; a stream libavformat
  // recognises is decoded (or refused with the reason); the rest is raw.
  if (!path.empty() && !NamedRaw(path) && !HasRawTrailer(path) && LooksCoded(path)) {
    auto coded = CodedVideoFile::Open(path, decode);
    if (!coded) return Fail(std::move(coded.error()));
    return std::unique_ptr<VideoFile>(std::move(*coded));
  }
  auto raw = RawVideoFile::Open(path, access);
  if (!raw) return Fail(std::move(raw.error()));
  return std::unique_ptr<VideoFile>(std::move(*raw));
}

}  // namespace corvane
