#include "engine/frame_source.h"

#include <algorithm>
#include <cerrno>

#include "formats/frame_locator.h"
#include "formats/result_codes.h"

namespace corvane {

namespace {

// How long the reader sleeps when it has nothing to do. A free buffer, a
// seek, a direction or repeat change and a stop all wake it at once, so the
// waits only bound how often an idle reader looks around.
constexpr std::chrono::milliseconds kFullQueueWait{20};
constexpr std::chrono::milliseconds kEndOfFileWait{10};
// Frames are read in pieces of this size at most (ReadInto).
constexpr uint32_t kReadChunk = 32u << 20;

// Counts a thread that is about to wait for m_lock to move or stop the reader.
class WaitingForReader {
 public:
  explicit WaitingForReader(std::atomic<int>& n) : m_n(n) { ++m_n; }
  ~WaitingForReader() { --m_n; }
  WaitingForReader(const WaitingForReader&) = delete;
  WaitingForReader& operator=(const WaitingForReader&) = delete;

 private:
  std::atomic<int>& m_n;
};

}  // namespace

FrameSource::FrameSource(SourceHost* graph) : m_graph(graph) {}

FrameSource::~FrameSource() { Close(); }

int32_t FrameSource::Open(const std::string& path, int* readOnly) {
  if (path.empty()) return kNotReady;
  Close();
  bool ro = platform::IsReadOnlyFile(path);
  int err = m_file.Open(path, ro ? platform::File::Mode::kRead : platform::File::Mode::kReadWrite);
  if (err == EACCES || err == EROFS || err == EPERM || err == ETXTBSY) {
    // Not writable after all: play it, but never write into it.
    ro = true;
    err = m_file.Open(path, platform::File::Mode::kRead);
  }
  if (err != 0) return kFail;
  const int64_t size = m_file.Size();
  if (size <= 0) {
    m_file.Close();
    return kFail;
  }
  std::scoped_lock lock(m_lock);
  m_llFileSize = m_llDataSize = uint64_t(size);
  m_llPos = 0;
  m_nextFrame = 1;
  if (readOnly) *readOnly = ro ? 1 : 0;
  return kOk;
}

void FrameSource::ApplyTrailer(const TrailerInfo& info) {
  m_records = info.records;
  m_segments = info.segments;
  m_llFileSize = info.fileSize;
  if (info.kind == TrailerKind::kPlain || info.kind == TrailerKind::kSpliced) {
    m_recordCount = info.end.paraCount;
    m_trailerSize = info.end.trailerSize;
    m_llDataSize = info.dataSize;
  } else {
    // No trailer, or one that cannot be trusted: the whole file is frames.
    m_recordCount = 1;
    m_trailerSize = 0;
    m_llDataSize = info.fileSize;
  }
  if (m_recordCount <= 1) m_segments.clear();
  m_curSegment = 0;
}

int32_t FrameSource::ReadTrailer(int* hasTrailer, std::span<YUVPara> out, bool all) {
  if (!m_file.IsOpen()) return kNotReady;
  const TrailerInfo info = corvane::ReadTrailer(m_file);
  std::scoped_lock lock(m_lock);
  if (info.ioError) return kFail;
  if (hasTrailer) *hasTrailer = info.end.magic == kTrailerMagic ? 1 : 0;
  ApplyTrailer(info);
  RecountFrames();
  if (info.kind == TrailerKind::kDamaged) return kFail;
  if (!out.empty() && !m_records.empty()) {
    const size_t n = all ? m_records.size() : 1;
    if (out.size() < n) return kFail;
    std::copy_n(m_records.begin(), n, out.begin());
  }
  return kOk;
}

int32_t FrameSource::SetPara(const YUVPara* para) {
  if (!para) return kNullArg;
  YUVType type;
  uint32_t frameSize;
  if (!GetTypeAndFrameSize(para, &type, &frameSize)) return kFail;
  std::scoped_lock lock(m_lock);
  m_para = *para;
  m_type = type;
  m_frameSize = frameSize;
  m_curSegment = 0;
  RecountFrames();
  return kOk;
}

void FrameSource::RecountFrames() {
  if (m_file.IsOpen()) {
    const int64_t size = m_file.Size();
    if (size >= 0) {
      // A file that shrank under us keeps at most its old data size; the
      // trailer, if any, was cut off with it.
      m_llFileSize = uint64_t(size);
      if (m_llDataSize > m_llFileSize) m_llDataSize = m_llFileSize;
      if (m_trailerSize == 0) m_llDataSize = m_llFileSize;
    }
  }
  if (!m_segments.empty()) {
    m_frameCount = TotalFrameCount(m_segments);
  } else if (m_frameSize != 0) {
    m_frameCount = PlainFrameCount(m_llDataSize, m_frameSize);
  }
}

int32_t FrameSource::GetFileInfo(uint64_t* size, uint32_t* frameCount) {
  uint64_t s;
  uint32_t n;
  {
    std::scoped_lock lock(m_lock);
    RecountFrames();
    s = m_llFileSize;
    n = m_frameCount;
  }
  if (size) *size = s;
  if (frameCount) *frameCount = n;
  if (m_graph) m_graph->SetFileInfo(s, n);
  return kOk;
}

void FrameSource::SetQueue(FrameQueue* queue) {
  std::scoped_lock lock(m_lock);
  m_queue = queue;
}

uint32_t FrameSource::GetSegmentCount() const {
  std::scoped_lock lock(m_lock);
  return m_recordCount;
}

uint64_t FrameSource::FramePosition(uint32_t n, uint64_t unchanged) const {
  const auto loc = m_segments.empty() ? LocateInPlainRun(m_frameSize, n) : LocateInSegments(m_segments, n);
  return loc ? loc->offset : unchanged;  // 0, or beyond the last segment: stay
}

uint64_t FrameSource::FramePositionOf(uint32_t n) const {
  std::scoped_lock lock(m_lock);
  return FramePosition(n, m_llPos);
}

void FrameSource::LocateSegment() {
  if (m_segments.empty() || m_records.size() != m_segments.size()) return;
  // The segment holding the position. Segments without frames hold nothing:
  // a position at or past their start belongs to the last segment before them
  // that has frames.
  uint32_t found = UINT32_MAX;
  for (uint32_t i = 0; i < m_segments.size(); ++i) {
    if (m_segments[i].frameCount == 0) continue;
    if (m_segments[i].start <= m_llPos || found == UINT32_MAX) found = i;
    if (m_segments[i].start > m_llPos) break;
  }
  if (found == UINT32_MAX) return;
  const SegmentInfo& s = m_segments[found];
  if (m_llPos >= s.start && m_llPos < s.start + s.length)
    m_llPos -= (m_llPos - s.start) % s.frameSize;  // align down to a frame boundary
  if (found == m_curSegment) return;
  m_curSegment = found;
  m_para = m_records[found];
  GetTypeAndFrameSize(&m_para, &m_type, &m_frameSize);
  if (m_graph) m_graph->SetSegmentPara(m_para);
}

void FrameSource::HandleEnd() {
  const uint32_t count = m_frameCount;
  if (m_repeat && count > 0) {
    m_nextFrame = m_reverse ? count : 1;
    m_llPos = FramePosition(m_nextFrame, m_llPos);
  } else {
    m_nextFrame = m_reverse ? 1 : count;
    m_llPos = m_llFileSize;  // every further read fails: the last frame stays on screen
  }
}

int32_t FrameSource::ReadFrame() {
  if (m_waiting.load(std::memory_order_relaxed) > 0) {
    // Someone waits for m_lock to stop or move the reader: let them in.
    std::this_thread::yield();
    return 0;
  }
  FrameQueue* queue;
  uint32_t frameSize;
  {
    std::scoped_lock lock(m_lock);
    if (!m_file.IsOpen() || m_frameSize == 0 || !m_queue) return kGeneralFail;
    queue = m_queue;
    frameSize = m_frameSize;
  }
  const uint32_t fullBefore = queue->FullCount();
  FrameBuffer* b = nullptr;
  // The queue's byte bound counts frames of the segment being read.
  queue->PopFree(&b, frameSize);
  if (!b) {
    // Queue full: sleep until the presenter frees a buffer (it wakes us), so
    // that no speed costs CPU while nothing is shown.
    queue->WaitForFree(kFullQueueWait, frameSize);
    return 0;
  }
  if (fullBefore == 0) RestartAtEndIfRepeating();
  return ReadInto(b, queue);
}

void FrameSource::RestartAtEndIfRepeating() {
  if (!m_graph || m_graph->IsPaused() || !m_repeat) return;
  // The queue ran dry at an end while repeat is on: start over. Only when
  // the reader itself stands at an end: a queue emptied by the user's seek
  // must not turn that seek into a jump to the other end.
  const uint32_t last = m_graph->GetLastPresentedFrame();
  const uint32_t count = m_frameCount;
  bool atEnd;
  {
    std::scoped_lock lock(m_lock);
    atEnd = m_nextFrame == 0 || m_nextFrame > count || m_llPos >= m_llDataSize;
  }
  if (atEnd && !m_reverse && last >= count) Seek(1);
  else if (atEnd && m_reverse && last <= 1) Seek(count);
}

int32_t FrameSource::ReadInto(FrameBuffer* b, FrameQueue* queue) {
  std::scoped_lock lock(m_lock);
  // Locating, reading and handing over happen under one lock, so a seek can
  // never land between them and let a frame of the old position through.
  LocateSegment();
  if (b->nSize != m_frameSize && m_frameSize != 0) {
    if (FrameQueue::Resize(b, m_frameSize) != kOk || !b->pData) {
      queue->PushFree(b);
      return 1;
    }
  }
  const uint32_t count = m_frameCount;
  int64_t got = m_frameSize ? 0 : -1;
  // A huge frame is read a chunk at a time: a stop or a reposition that
  // waits for m_lock (the window's Close, a seek) gets it after one chunk, not
  // after the whole frame (seconds for 1.6 GB whose pages are still being
  // made). The frame is then dropped unread and the position stays.
  while (got >= 0 && uint32_t(got) < m_frameSize) {
    if (m_waiting.load(std::memory_order_relaxed) > 0) {
      queue->PushFree(b);
      return 0;
    }
    const uint32_t part = std::min<uint32_t>(kReadChunk, m_frameSize - uint32_t(got));
    const int64_t n = m_file.ReadAt(b->pData + got, part, m_llPos + uint64_t(got));
    if (n <= 0) break;
    got += n;
    if (n < int64_t(part)) break;
  }
  if (got == int64_t(m_frameSize) && m_nextFrame >= 1 && m_nextFrame <= count) {
    b->nType = m_type;
    b->nWidth = m_para.width;
    b->nHeight = m_para.height;
    b->nFrameNo = m_nextFrame;
    if (m_reverse) {
      --m_nextFrame;
      if (m_nextFrame >= 1) m_llPos = FramePosition(m_nextFrame, m_llPos);
    } else {
      ++m_nextFrame;
      if (m_nextFrame <= count) m_llPos = FramePosition(m_nextFrame, m_llPos);
    }
    queue->PushFull(b);
    return 0;
  }
  // A short read (end of the data, a file cut short by another program, a
  // read error) or a frame number beyond either end.
  HandleEnd();
  queue->PushFree(b);
  return 1;
}

void FrameSource::IdleWait(std::chrono::milliseconds timeout) {
  std::unique_lock lock(m_lock);
  const uint64_t seq = m_wakeSeq;
  m_wakeCv.wait_for(lock, timeout, [&] { return m_wakeSeq != seq; });
}

void FrameSource::WakeReader() {
  {
    std::scoped_lock lock(m_lock);
    ++m_wakeSeq;
  }
  m_wakeCv.notify_all();
}

void FrameSource::ThreadMain(std::stop_token stop) {
  while (!stop.stop_requested()) {
    const int32_t r = ReadFrame();
    if (r == 1) {
      IdleWait(kEndOfFileWait);
    } else if (r != 0) {
      break;
    }
  }
  m_threadRunning = false;
}

int32_t FrameSource::StartThread() {
  {
    std::scoped_lock lock(m_lock);
    if (!m_file.IsOpen() || m_frameSize == 0 || !m_queue) return kNotReady;
  }
  if (m_threadRunning) return kOk;
  if (m_thread.joinable()) m_thread.join();  // ended by itself after an error
  m_threadRunning = true;
  try {
    m_thread = std::jthread([this](std::stop_token st) { ThreadMain(st); });
  } catch (const std::system_error&) {
    m_threadRunning = false;
    return kFail;
  }
  return kOk;
}

int32_t FrameSource::StopThread() {
  if (m_thread.joinable()) {
    const WaitingForReader waiting(m_waiting);
    m_thread.request_stop();
    FrameQueue* queue;
    {
      std::scoped_lock lock(m_lock);
      queue = m_queue;
    }
    if (queue) queue->Wake();
    WakeReader();
    m_thread.join();
  }
  m_threadRunning = false;
  std::scoped_lock lock(m_lock);
  if (m_file.IsOpen()) {
    m_llPos = 0;
    m_nextFrame = 1;
  }
  return kOk;
}

int32_t FrameSource::Seek(uint32_t frame) {
  {
    const WaitingForReader waiting(m_waiting);
    std::scoped_lock lock(m_lock);
    const uint32_t count = m_frameCount;
    if (count == 0 || frame == 0 || frame > count || !m_threadRunning) return kNotReady;
    m_llPos = FramePosition(frame, m_llPos);
    m_nextFrame = frame;
    if (m_graph) m_graph->FlushQueue();
  }
  WakeReader();
  return kOk;
}

void FrameSource::SetReverse(bool reverse) {
  if (m_reverse == reverse) return;
  {
    const WaitingForReader waiting(m_waiting);
    std::scoped_lock lock(m_lock);
    if (m_graph) m_graph->FlushQueue();
    m_reverse = reverse;
    // The frame on screen is read again and playback goes on from it.
    const uint32_t last = m_graph ? m_graph->GetLastPresentedFrame() : 1;
    if (last >= 1 && last <= m_frameCount) {
      m_nextFrame = last;
      m_llPos = FramePosition(last, m_llPos);
    }
  }
  WakeReader();
}

void FrameSource::SetRepeat(bool repeat) {
  m_repeat = repeat;
  WakeReader();
}

int32_t FrameSource::SavePara(const YUVPara* para) {
  if (!para) return kNullArg;
  if (!m_file.IsOpen()) return kNotReady;
  if (GetSegmentCount() > 1) {
    if (m_graph) m_graph->ShowNotice(Notice::kSplicedParaRefused);
    return kFail;
  }
  YUVPara record = *para;
  record.tag = kParaTag;
  record.SetOffset(0);  // a plain file's only segment starts at 0
  const std::vector<uint8_t> bytes = EncodeTrailer(std::span(&record, 1));

  std::scoped_lock lock(m_lock);
  const TrailerInfo info = corvane::ReadTrailer(m_file);
  if (info.ioError) return kFail;
  if (info.kind == TrailerKind::kSpliced) return kFail;  // changed on disk since it was opened
  // A one-record trailer is replaced in place; otherwise the trailer is appended.
  const uint64_t at = info.kind == TrailerKind::kPlain ? info.fileSize - kPlainTrailerSize : info.fileSize;
  // Writing fails on a read-only file; that is reported, never passed off as saved.
  if (m_file.WriteAt(bytes.data(), bytes.size(), at) != int64_t(bytes.size())) return kFail;
  const TrailerInfo now = corvane::ReadTrailer(m_file);
  ApplyTrailer(now);
  RecountFrames();
  return now.kind == TrailerKind::kPlain ? kOk : kFail;
}

void FrameSource::Close() {
  StopThread();
  m_reverse = false;
  m_repeat = false;
  std::scoped_lock lock(m_lock);
  m_queue = nullptr;
  m_records.clear();
  m_segments.clear();
  m_file.Close();
  m_llFileSize = m_llDataSize = m_llPos = 0;
  m_frameCount = 0;
  m_nextFrame = 1;
  m_recordCount = 1;
  m_trailerSize = 0;
  m_curSegment = 0;
  m_frameSize = 0;
  m_type = YUV_NONE;
  m_para = {};
}

}  // namespace corvane
