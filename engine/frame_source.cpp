#include "engine/frame_source.h"

#include <algorithm>
#include <cerrno>

#include "formats/result_codes.h"

namespace corvane {

namespace {

// How long the reader sleeps when it has nothing to do. A free buffer, a
// seek, a direction or repeat change and a stop all wake it at once, so the
// waits only bound how often an idle reader looks around.
constexpr std::chrono::milliseconds kFullQueueWait{20};
constexpr std::chrono::milliseconds kEndOfFileWait{10};

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

EngineResult<OpenedFile> FrameSource::Open(const std::string& path, const DecodeOptions& decode) {
  if (path.empty()) return Fail(EngineError{kNotReady});
  Close();
  auto opened = OpenVideoFile(path, FileAccess::kReadOrWrite, decode);
  if (!opened) return Fail(EngineError{kFail, opened.error().error});
  return Open(std::move(*opened));
}

EngineResult<OpenedFile> FrameSource::Open(std::unique_ptr<VideoFile> file) {
  Close();
  if (!file) return Fail(EngineError{kNotReady});
  if (file->FileSize() == 0) return Fail(EngineError{kFail});  // nothing to play
  std::scoped_lock lock(m_lock);
  m_video = std::move(file);
  m_nextFrame = 1;
  m_pastEnd = false;
  const RawVideoFile* raw = Raw();
  return OpenedFile{!raw || raw->ReadOnly()};
}

void FrameSource::ApplyTrailer(const TrailerInfo& info) {
  // No trailer, or one that cannot be trusted: one segment, the whole file frames.
  const bool trusted = info.kind == TrailerKind::kPlain || info.kind == TrailerKind::kSpliced;
  m_recordCount = trusted ? info.end.paraCount : 1;
  m_curSegment = 0;
}

EngineResult<FileParameters> FrameSource::ReadTrailer(std::span<YUVPara> out, bool all) {
  if (!m_video) return Fail(EngineError{kNotReady});
  std::scoped_lock lock(m_lock);
  if (!Raw()) {
    // A stream header: one set of parameters, the file's own.
    m_recordCount = 1;
    m_curSegment = 0;
    RecountFrames();
    const std::span<const YUVPara> own = m_video->OwnParameters();
    if (!out.empty() && !own.empty()) out[0] = own.front();
    return FileParameters{false, !own.empty()};
  }
  const TrailerInfo& info = Raw()->Trailer();
  const FileParameters found{info.end.magic == kTrailerMagic};
  ApplyTrailer(info);
  RecountFrames();
  if (info.kind == TrailerKind::kDamaged) return Fail(EngineError{kFail});
  if (!out.empty() && !info.records.empty()) {
    const size_t n = all ? info.records.size() : 1;
    if (out.size() < n) return Fail(EngineError{kFail});
    std::copy_n(info.records.begin(), n, out.begin());
  }
  return found;
}

bool FrameSource::HasTrailer() const {
  std::scoped_lock lock(m_lock);
  return Raw() && Raw()->Trailer().end.magic == kTrailerMagic;
}

const StreamFacts* FrameSource::GetFacts() const {
  // No lock: the file is opened, measured and closed by this same thread,
  // and the reader, which may hold m_lock for a whole frame, never changes
  // the facts.
  return m_video ? m_video->Facts() : nullptr;
}

std::optional<CodedFrame> FrameSource::GetCoded(uint32_t n) const {
  // No lock, as GetFacts: the pointer changes only on the opening thread.
  return m_video ? m_video->Coded(n) : std::nullopt;
}

EngineResult<> FrameSource::SetPara(const YUVPara* para) {
  if (!para) return Fail(EngineError{kNullArg});
  YUVType type;
  uint32_t frameSize;
  if (!GetTypeAndFrameSize(para, &type, &frameSize)) return Fail(EngineError{kFail});
  std::scoped_lock lock(m_lock);
  // A spliced file keeps its segments: these are the first one's.
  if (m_video && !m_video->UseParameters(*para, true)) return Fail(EngineError{kFail});
  m_para = *para;
  m_type = type;
  m_frameSize = frameSize;
  m_curSegment = 0;
  RecountFrames();
  return {};
}

void FrameSource::RecountFrames() {
  if (!m_video) return;
  // A file that grew or shrank under us is measured again: the frames it
  // holds now are the frames it has.
  (void)m_video->Refresh();
  if (m_recordCount > 1 || m_frameSize != 0) m_frameCount = m_video->FrameCount();
}

EngineResult<FileInfo> FrameSource::GetFileInfo() {
  FileInfo info;
  {
    std::scoped_lock lock(m_lock);
    RecountFrames();
    info.size = m_video ? m_video->FileSize() : 0;
    info.frameCount = m_frameCount;
  }
  if (m_graph) m_graph->SetFileInfo(info.size, info.frameCount);
  return info;
}

void FrameSource::SetQueue(FrameQueue* queue) {
  std::scoped_lock lock(m_lock);
  m_queue = queue;
}

uint32_t FrameSource::GetSegmentCount() const {
  std::scoped_lock lock(m_lock);
  return m_recordCount;
}

uint64_t FrameSource::FramePositionOf(uint32_t n) const {
  std::scoped_lock lock(m_lock);
  return Raw() ? Raw()->ByteOffsetOf(n).value_or(0) : 0;
}

void FrameSource::LocateSegment() {
  if (m_recordCount <= 1 || m_pastEnd) return;
  // The segment holding the next frame; beyond either end the reader stays
  // in the segment it is in.
  const std::optional<FrameShape> shape = m_video->Shape(m_nextFrame);
  if (!shape || shape->segment == m_curSegment) return;
  m_curSegment = shape->segment;
  m_para = shape->para;
  m_type = shape->type;
  m_frameSize = shape->size;
  if (m_graph) m_graph->SetSegmentPara(m_para);
}

void FrameSource::HandleEnd() {
  const uint32_t count = m_frameCount;
  if (m_repeat && count > 0) {
    m_nextFrame = m_reverse ? count : 1;
    m_pastEnd = false;
  } else {
    m_nextFrame = m_reverse ? 1 : count;
    m_pastEnd = true;  // every further read fails: the last frame stays on screen
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
    if (!m_video || m_frameSize == 0 || !m_queue) return kGeneralFail;
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
    atEnd = m_nextFrame == 0 || m_nextFrame > count || m_pastEnd;
  }
  if (atEnd && !m_reverse && last >= count) (void)Seek(1);
  else if (atEnd && m_reverse && last <= 1) (void)Seek(count);
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
  if (!m_pastEnd && m_frameSize != 0 && m_nextFrame >= 1 && m_nextFrame <= count) {
    // A huge frame is read a piece at a time: a stop or a reposition that
    // waits for m_lock (the window's Close, a seek) gets it after one piece,
    // not after the whole frame (seconds for 1.6 GB whose pages are still
    // being made). The frame is then dropped unread and the position stays.
    const VideoFile::GiveWay giveWay = [this] { return m_waiting.load(std::memory_order_relaxed) > 0; };
    // The frame where it lies in the page cache, when the file lends it
    // (a raw or Y4M file): nothing is copied, and the display reads it in
    // place. A file that does not lend (a decoded stream) is read.
    b->EndLoan();
    const auto read = [&]() -> Result<FrameShape, ReadFailure> {
      auto lent = m_video->LendFrame(m_nextFrame, giveWay);
      if (lent && lent->shape.size == m_frameSize) {
        b->lent = lent->data;
        b->loan = std::move(lent->keep);
        return lent->shape;
      }
      if (!lent && lent.error().status == ReadStatus::kStopped) return Fail(lent.error());
      return m_video->Read(m_nextFrame, std::span(b->pData, m_frameSize), giveWay);
    }();
    if (!read && read.error().status == ReadStatus::kStopped) {
      queue->PushFree(b);
      return 0;
    }
    // A frame the decoder could not decode is handed over as such: its
    // number is shown (with the failure) while the picture before it stays,
    // and playback goes on with the next frame.
    const bool failed = !read && read.error().status == ReadStatus::kDecodeFailed;
    if (read || failed) {
      b->nType = m_type;
      b->nWidth = m_para.width;
      b->nHeight = m_para.height;
      b->nFrameNo = m_nextFrame;
      b->decodeFailed = failed;
      if (m_reverse) --m_nextFrame;
      else ++m_nextFrame;
      queue->PushFull(b);
      return 0;
    }
  }
  // A short read (end of the data, a file cut short by another program, a
  // read error) or a frame number beyond either end.
  HandleEnd();
  queue->PushFree(b);
  return 1;
}

void FrameSource::IdleWait(std::chrono::milliseconds timeout) {
  std::unique_lock lock(m_wakeLock);
  const uint64_t seq = m_wakeSeq;
  m_wakeCv.wait_for(lock, timeout, [&] { return m_wakeSeq != seq; });
}

void FrameSource::WakeReader() {
  {
    std::scoped_lock lock(m_wakeLock);
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

EngineResult<> FrameSource::StartThread() {
  // A running reader holds m_lock while it reads a frame (seconds for a
  // huge one): nothing to start, and nothing to wait for.
  if (m_threadRunning) return {};
  {
    std::scoped_lock lock(m_lock);
    if (!m_video || m_frameSize == 0 || !m_queue) return Fail(EngineError{kNotReady});
  }
  if (m_thread.joinable()) m_thread.join();  // ended by itself after an error
  m_threadRunning = true;
  try {
    m_thread = std::jthread([this](std::stop_token st) { ThreadMain(st); });
  } catch (const std::system_error&) {
    m_threadRunning = false;
    return Fail(EngineError{kFail});
  }
  return {};
}

EngineResult<> FrameSource::StopThread() {
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
  if (m_video) {
    m_nextFrame = 1;
    m_pastEnd = false;
  }
  return {};
}

EngineResult<> FrameSource::Seek(uint32_t frame) {
  {
    const WaitingForReader waiting(m_waiting);
    std::scoped_lock lock(m_lock);
    const uint32_t count = m_frameCount;
    if (count == 0 || frame == 0 || frame > count || !m_threadRunning) return Fail(EngineError{kNotReady});
    m_nextFrame = frame;
    m_pastEnd = false;
    if (m_graph) m_graph->FlushQueue();
  }
  WakeReader();
  return {};
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
      m_pastEnd = false;
    }
  }
  WakeReader();
}

void FrameSource::SetRepeat(bool repeat) {
  m_repeat = repeat;
  WakeReader();
}

EngineResult<> FrameSource::SavePara(const YUVPara* para) {
  if (!para) return Fail(EngineError{kNullArg});
  if (!m_video) return Fail(EngineError{kNotReady});
  if (GetSegmentCount() > 1) {
    if (m_graph) m_graph->ShowNotice(Notice::kSplicedParaRefused);
    return Fail(EngineError{kFail});
  }
  std::scoped_lock lock(m_lock);
  // Refused when the file became spliced on disk meanwhile or cannot be
  // written (read-only): reported, never passed off as saved.
  // A file with a stream header refuses: its header holds the parameters.
  const auto written = m_video->WriteParameters(*para);
  if (const RawVideoFile* raw = Raw()) ApplyTrailer(raw->Trailer());
  RecountFrames();
  if (!written) return Fail(EngineError{kFail, written.error().error});
  return {};
}

void FrameSource::Close() {
  (void)StopThread();
  m_reverse = false;
  m_repeat = false;
  std::scoped_lock lock(m_lock);
  m_queue = nullptr;
  m_video.reset();
  m_frameCount = 0;
  m_nextFrame = 1;
  m_pastEnd = false;
  m_recordCount = 1;
  m_curSegment = 0;
  m_frameSize = 0;
  m_type = YUV_NONE;
  m_para = {};
}

}  // namespace corvane
