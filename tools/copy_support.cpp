#include "tools/copy_support.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <sys/stat.h>

#include "formats/y4m_file.h"

namespace corvane::tools {

const char* ToolCodeName(ToolCode code) {
  switch (code) {
    case ToolCode::kOk: return "ok";
    case ToolCode::kCancelled: return "cancelled";
    case ToolCode::kNoTarget: return "no-target";
    case ToolCode::kTargetExists: return "target-exists";
    case ToolCode::kTargetIsSource: return "target-is-source";
    case ToolCode::kNoParameters: return "no-parameters";
    case ToolCode::kBadRange: return "bad-range";
    case ToolCode::kSplicedSource: return "spliced-source";
    case ToolCode::kNoInputs: return "no-inputs";
    case ToolCode::kNoTrailer: return "no-trailer";
    case ToolCode::kDamagedTrailer: return "damaged-trailer";
    case ToolCode::kRecordCountChanged: return "record-count-changed";
    case ToolCode::kEmptyInput: return "empty-input";
    case ToolCode::kTooManySegments: return "too-many-segments";
    case ToolCode::kOpenSourceFailed: return "open-source-failed";
    case ToolCode::kCreateTargetFailed: return "create-target-failed";
    case ToolCode::kReadFailed: return "read-failed";
    case ToolCode::kWriteFailed: return "write-failed";
    case ToolCode::kOutOfMemory: return "out-of-memory";
  }
  return "unknown";
}

ToolResult CheckTarget(const std::string& target, bool overwrite, std::span<const std::string> sources) {
  if (target.empty()) return Fail(ToolError{ToolCode::kNoTarget});
  if (const auto risk = platform::FindInputAtRisk(target, sources))
    return Fail(ToolError{ToolCode::kTargetIsSource, 0, risk->input, risk->written});
  struct stat st {};
  if (!overwrite && ::lstat(target.c_str(), &st) == 0) return Fail(ToolError{ToolCode::kTargetExists, 0, SIZE_MAX, target});
  return {};
}

void StartProgress(ToolProgress* progress, uint64_t total) {
  if (!progress) return;
  progress->written.store(0, std::memory_order_relaxed);
  progress->total.store(total, std::memory_order_release);
}

ToolResult OpenSource(const std::string& path, std::unique_ptr<VideoFile>* file) {
  auto opened = OpenVideoFile(path, FileAccess::kRead, ReadOnceDecoding());
  if (!opened) {
    const VideoFileError& e = opened.error();
    return Fail(ToolError{e.step == VideoFileError::Step::kRead ? ToolCode::kReadFailed : ToolCode::kOpenSourceFailed,
                          e.error, SIZE_MAX, path, e.reason});
  }
  *file = std::move(*opened);
  return {};
}

ChunkCopier::ChunkCopier(platform::ReplacingFile* target, ToolProgress* progress, size_t chunkBytes)
    : m_target(target), m_progress(progress), m_chunk(std::max<size_t>(chunkBytes, 1)) {}

ToolResult ChunkCopier::Prepare(uint64_t largestCopy) {
  const size_t size = size_t(std::min<uint64_t>(std::max<uint64_t>(largestCopy, 1), m_chunk));
  try {
    m_buffer.resize(size);
  } catch (const std::bad_alloc&) {
    return Fail(ToolError{ToolCode::kOutOfMemory, ENOMEM});
  }
  return {};
}

bool ChunkCopier::Cancelled() const {
  return m_progress && m_progress->cancel.load(std::memory_order_acquire);
}

void ChunkCopier::Advance(uint64_t bytes) {
  m_written += bytes;
  if (!m_progress) return;
  m_progress->written.store(m_written, std::memory_order_release);
  if (m_progress->onChunk) m_progress->onChunk(m_written, m_progress->total.load(std::memory_order_acquire));
}

ToolResult ChunkCopier::Copy(const platform::File& source, const std::string& sourcePath, uint64_t from,
                             uint64_t length, uint64_t to) {
  uint64_t done = 0;
  while (done < length) {
    if (Cancelled()) return Fail(ToolError{ToolCode::kCancelled});
    const size_t step = size_t(std::min<uint64_t>(length - done, m_buffer.size()));
    errno = 0;
    const int64_t got = source.ReadAt(m_buffer.data(), step, from + done);
    // A short read means the source shrank after the job was made: the bytes
    // in the buffer past `got` are stale and must never reach the target.
    if (got != int64_t(step)) return Fail(ToolError{ToolCode::kReadFailed, got < 0 ? errno : 0, SIZE_MAX, sourcePath});
    if (int err = platform::ErrnoOf(m_target->WriteAt(m_buffer.data(), step, to + done))) return Fail(ToolError{ToolCode::kWriteFailed, err});
    done += step;
    Advance(step);
  }
  return {};
}

Result<uint64_t, ToolError> ChunkCopier::CopyFrames(const VideoFile& source, uint32_t first, uint32_t count,
                                                    uint64_t to, std::string_view frameHeader) {
  const std::optional<FrameShape> shape = source.Shape(first);
  if (!shape || count == 0 || !source.Shape(first + count - 1)) return Fail(ToolError{ToolCode::kBadRange, 0, SIZE_MAX, source.Path()});
  const uint64_t bytes = uint64_t(count) * shape->size;
  const auto* y4m = dynamic_cast<const Y4mVideoFile*>(&source);
  const auto* raw = dynamic_cast<const RawVideoFile*>(&source);
  if (!frameHeader.empty() || (!y4m && !raw)) return ReadFrames(source, first, count, to, frameHeader);
  if (y4m) {
    for (uint32_t n = first; n < first + count; ++n, to += shape->size)
      if (ToolResult r = Copy(y4m->File(), source.Path(), y4m->PlanesOffsetOf(n), shape->size, to); !r) return Fail(r.error());
    return bytes;
  }
  // A raw file's frames are one byte range.
  if (ToolResult r = Copy(raw->File(), source.Path(), *raw->ByteOffsetOf(first), bytes, to); !r) return Fail(r.error());
  return bytes;
}

Result<uint64_t, ToolError> ChunkCopier::ReadFrames(const VideoFile& source, uint32_t first, uint32_t count,
                                                    uint64_t to, std::string_view frameHeader) {
  const uint64_t start = to;
  const VideoFile::GiveWay giveWay = [this] { return Cancelled(); };
  for (uint32_t n = first; n < first + count; ++n) {
    if (Cancelled()) return Fail(ToolError{ToolCode::kCancelled});
    const std::optional<FrameShape> shape = source.Shape(n);
    if (!shape) return Fail(ToolError{ToolCode::kBadRange, 0, SIZE_MAX, source.Path()});
    try {
      if (m_frame.size() < shape->size) m_frame.resize(shape->size);
    } catch (const std::bad_alloc&) {
      return Fail(ToolError{ToolCode::kOutOfMemory, ENOMEM});
    }
    const auto read = source.Read(n, std::span(m_frame.data(), shape->size), giveWay);
    if (!read) {
      switch (read.error().status) {
        case ReadStatus::kStopped: return Fail(ToolError{ToolCode::kCancelled});
        case ReadStatus::kDecodeFailed:
          return Fail(ToolError{ToolCode::kReadFailed, 0, SIZE_MAX, source.Path(),
                                "frame " + std::to_string(n) + " could not be decoded"});
        default: return Fail(ToolError{ToolCode::kReadFailed, read.error().error, SIZE_MAX, source.Path()});
      }
    }
    if (!frameHeader.empty()) {
      if (ToolResult r = Write(reinterpret_cast<const uint8_t*>(frameHeader.data()), frameHeader.size(), to); !r)
        return Fail(r.error());
      to += frameHeader.size();
    }
    if (ToolResult r = Write(m_frame.data(), shape->size, to); !r) return Fail(r.error());
    to += shape->size;
  }
  return to - start;
}

ToolResult ChunkCopier::Write(const uint8_t* data, size_t length, uint64_t to) {
  if (Cancelled()) return Fail(ToolError{ToolCode::kCancelled});
  if (int err = platform::ErrnoOf(m_target->WriteAt(data, length, to))) return Fail(ToolError{ToolCode::kWriteFailed, err});
  Advance(length);
  return {};
}

const StreamFacts* CodedFacts(const VideoFile& file) {
  const StreamFacts* facts = file.Facts();
  return facts && !facts->codec.empty() ? facts : nullptr;
}

}  // namespace corvane::tools
