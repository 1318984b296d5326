#include "engine/playback_graph.h"

#include "engine/frame_picture.h"
#include "engine/pixel_lookup.h"
#include "engine/view_overlay.h"
#include "formats/result_codes.h"

#include <unistd.h>

#include <algorithm>

namespace corvane {

namespace {

constexpr float kMinSpeed = 0.0625f;
// A seek waiting for its frame looks for a cancel this often.
constexpr std::chrono::milliseconds kSeekWaitSlice{10};
constexpr float kMaxSpeed = 16.0f;
// How long the clock's ticks are counted before it is said whether frames
// came late.
constexpr std::chrono::nanoseconds kPaceWindow = std::chrono::seconds(1);

int64_t SteadyNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

uint64_t PhysicalMemoryBytes() {
  const long pages = ::sysconf(_SC_PHYS_PAGES), page = ::sysconf(_SC_PAGESIZE);
  return pages > 0 && page > 0 ? uint64_t(pages) * uint64_t(page) : UINT64_MAX;
}

PlaybackGraph::PlaybackGraph(platform::VideoWindow* videoWnd)
    : m_videoWindow(videoWnd), m_memoryLimit(PhysicalMemoryBytes()) {
  (void)Create();
}

PlaybackGraph::~PlaybackGraph() { Release(); }

EngineResult<> PlaybackGraph::Create() {
  Release();
  try {
    m_source = std::make_unique<FrameSource>(this);
    m_renderer = std::make_unique<Renderer>(this);
    m_clock = std::make_unique<FrameClock>([this](const FrameClock& clock) { OnTimerTick(clock); });
    m_stillEncoder = std::make_unique<StillEncoder>();
  } catch (const std::exception&) {
    Release();
    return Fail(EngineError{kFail});
  }
  return {};
}

void PlaybackGraph::Release() {
  // Stop both threads before anything goes: the clock's ticks use the
  // renderer, and the reader asks the graph about the clock and the renderer.
  CutPresentationShort();
  if (m_clock) m_clock->StopTimer();
  if (m_source) (void)m_source->StopThread();
  m_clock.reset();
  m_source.reset();
  m_renderer.reset();
  m_stillEncoder.reset();
  {
    std::scoped_lock lock(m_paraLock);
    m_para = {};
  }
  m_speed = 1.0f;
}

EngineResult<OpenedFile> PlaybackGraph::OpenFile(const std::string& path, const DecodeOptions& decode) {
  if (!m_source) return Fail(EngineError{kNotReady});
  return m_source->Open(path, decode);
}

EngineResult<OpenedFile> PlaybackGraph::OpenFile(std::unique_ptr<VideoFile> file) {
  if (!m_source) return Fail(EngineError{kNotReady});
  return m_source->Open(std::move(file));
}

EngineResult<FileParameters> PlaybackGraph::ReadFilePara(std::span<YUVPara> out, bool all) {
  if (!m_source) return Fail(EngineError{kNotReady});
  return m_source->ReadTrailer(out, all);
}

EngineResult<> PlaybackGraph::SetPara(const YUVPara* para, platform::VideoWindow* videoWnd) {
  if (!para) return Fail(EngineError{kNullArg});
  // What the parameters imply is checked before anything is allocated: a
  // pool of huge frames the computer cannot hold would page it to a halt.
  YUVType type;
  uint32_t frameSize;
  if (GetTypeAndFrameSize(para, &type, &frameSize) && Renderer::MemoryFor(frameSize) > MemoryLimit())
    return Fail(EngineError{kOutOfMemory});
  {
    std::scoped_lock lock(m_paraLock);
    m_para = *para;
  }
  if (!m_clock || !m_source || !m_renderer) return Fail(EngineError{kNotReady});
  if (m_source->IsThreadRunning() || m_clock->IsRunning()) (void)Stop();
  m_clock->SetInterval(para->frameInterval);
  // A file that states its rate exactly (a Y4M header's F) is paced by it;
  // its parameters are its header's, so the interval is that rate rounded.
  if (const StreamFacts* facts = m_source->GetFacts(); facts && facts->frameRate.Known())
    m_clock->SetRate(facts->frameRate);
  if (auto r = m_source->SetPara(para); !r) return r;
  m_source->SetQueue(nullptr);
  if (int32_t r = m_renderer->SetPara(para, videoWnd ? videoWnd : m_videoWindow); r != kOk) return Fail(EngineError{r});
  m_source->SetQueue(m_renderer->GetQueue());
  return {};
}

EngineResult<FileInfo> PlaybackGraph::GetFileInfo() {
  if (!m_source) return Fail(EngineError{kNotReady});
  return m_source->GetFileInfo();
}

uint32_t PlaybackGraph::GetSegmentCount() const { return m_source ? m_source->GetSegmentCount() : 0; }

EngineResult<> PlaybackGraph::Run() {
  if (!m_source || !m_clock) return Fail(EngineError{kNotReady});
  if (auto r = m_source->StartThread(); !r) return r;
  return FromCode(m_clock->Start(m_clock->PeriodAt(1.0f)));
}

EngineResult<> PlaybackGraph::Pause() {
  if (!m_clock) return Fail(EngineError{kNotReady});
  // A tick that was already presenting is cut short and waited for, so the
  // frame number read after Pause is the one that stays on screen; the frame
  // it was drawing comes next when play goes on.
  CutPresentationShort();
  if (m_renderer) m_renderer->WaitForPresentation();
  return {};
}

void PlaybackGraph::CutPresentationShort() {
  // The pause first: a tick that starts after it presents nothing, and one
  // under way sees the cancel between two bands of rows.
  if (m_clock) m_clock->Pause();
  CancelPresentation();
}

void PlaybackGraph::CancelPresentation() {
  if (m_renderer) m_renderer->CancelPresentation();
}

EngineResult<> PlaybackGraph::Stop() {
  if (!m_clock || !m_source || !m_renderer) return Fail(EngineError{kNotReady});
  CutPresentationShort();
  m_clock->Stop();
  (void)m_source->StopThread();
  m_renderer->Flush();
  return {};
}

EngineResult<> PlaybackGraph::SetSpeed(float speed) {
  if (!m_clock) return Fail(EngineError{kNotReady});
  return FromCode(m_clock->SetSpeed(speed));
}

EngineResult<> PlaybackGraph::SpeedUp() {
  if (m_speed >= kMaxSpeed) {
    m_speed = kMaxSpeed;
    return {};
  }
  m_speed = m_speed * 2;
  return SetSpeed(m_speed);
}

EngineResult<> PlaybackGraph::SpeedDown() {
  if (m_speed <= kMinSpeed) {
    m_speed = kMinSpeed;
    return {};
  }
  m_speed = m_speed / 2;
  return SetSpeed(m_speed);
}

EngineResult<> PlaybackGraph::SetReverse(bool reverse) {
  if (!m_source) return Fail(EngineError{kNotReady});
  if (m_source->GetReverse() != reverse) m_source->SetReverse(reverse);
  return {};
}

EngineResult<> PlaybackGraph::SetRepeat(bool repeat) {
  if (!m_source) return Fail(EngineError{kNotReady});
  m_source->SetRepeat(repeat);
  return {};
}

EngineResult<> PlaybackGraph::SeekToFrame(uint32_t n) {
  if (!m_source || !m_renderer || !m_clock) return Fail(EngineError{kNotReady});
  // Hold the clock before seeking: ticks check it under the renderer's lock,
  // so none can take frame n away from us once the seek has flushed. A tick
  // drawing the frame before is cut short rather than waited for.
  m_clock->HoldPause();
  m_renderer->CancelPresentation();
  // A command that cancels from now on (Transport's, before it waits for the
  // graph lock this seek holds) ends the wait for the frame and its drawing.
  const RenderStop stop = m_renderer->CancelToken();
  if (auto r = m_source->Seek(n); !r) {
    m_clock->RestorePause();
    return r;
  }
  // The seek flushed the queue under the reader's lock, so the next full
  // buffer is frame n. Present it once: the frames after it are other frames.
  int32_t result = kNotReady;
  const auto deadline = std::chrono::steady_clock::now() + kSeekWait;
  FrameQueue* queue = m_renderer->GetQueue();
  while (queue) {
    if (stop.Requested()) {
      result = kDrawCancelled;
      break;
    }
    if (queue->FullCount() > 0) {
      result = m_renderer->PresentNext(nullptr, stop);
      break;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) break;
    // In slices, to see a cancel: a huge frame takes longer than the whole wait.
    queue->WaitForFull(std::min(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now) +
                                    std::chrono::milliseconds(1),
                                kSeekWaitSlice));
  }
  m_clock->RestorePause();
  return FromCode(result);
}

EngineResult<> PlaybackGraph::GoToStart() { return SeekToFrame(1); }

EngineResult<> PlaybackGraph::GoToEnd() {
  if (!m_renderer) return Fail(EngineError{kNotReady});
  return SeekToFrame(m_renderer->GetFrameCount());
}

EngineResult<> PlaybackGraph::StepForward() {
  if (!m_clock || !m_renderer) return Fail(EngineError{kNotReady});
  m_clock->Pause();
  return SeekToFrame(m_renderer->GetCurrentFrame() + 1);
}

EngineResult<> PlaybackGraph::StepBackward() {
  if (!m_clock || !m_renderer) return Fail(EngineError{kNotReady});
  m_clock->Pause();
  return SeekToFrame(m_renderer->GetCurrentFrame() - 1);  // 1 − 1 = 0 is refused
}

EngineResult<uint32_t> PlaybackGraph::GetCurrentFrame() const {
  if (!m_renderer) return Fail(EngineError{kNotReady});
  return m_renderer->GetCurrentFrame();
}

EngineResult<> PlaybackGraph::Refresh() {
  if (!m_renderer) return Fail(EngineError{kNotReady});
  return FromCode(m_renderer->Refresh());
}

EngineResult<> PlaybackGraph::SetComponentMode(uint32_t mode) {
  if (!m_renderer) return Fail(EngineError{kNotReady});
  return FromCode(m_renderer->SetComponentMode(mode));
}

uint32_t PlaybackGraph::GetComponentMode() const { return m_renderer ? m_renderer->GetComponentMode() : 0; }

EngineResult<> PlaybackGraph::SetAspectMode(int mode) {
  if (!m_renderer) return Fail(EngineError{kNotReady});
  return FromCode(m_renderer->SetAspectMode(mode));
}

EngineResult<> PlaybackGraph::SetColourSpace(ColourSpace colour) {
  if (!m_renderer) return Fail(EngineError{kNotReady});
  m_renderer->SetColourSpace(colour);
  return {};
}

void PlaybackGraph::SetView(const PictureView& view) {
  if (m_renderer) m_renderer->SetView(view);
}

int PlaybackGraph::GetAspectMode() const { return m_renderer ? m_renderer->GetAspectMode() : 0; }

bool PlaybackGraph::SetNotifyWindow(platform::FrameSizeListener* listener) {
  if (!listener || !m_renderer) return false;
  m_renderer->SetNotifyWindow(listener);
  return true;
}

bool PlaybackGraph::GetPara(YUVPara* out) const {
  if (!m_renderer || !out) return false;
  *out = m_renderer->GetPara();
  return out->width != 0 && out->height != 0;
}

EngineResult<PixelValue> PlaybackGraph::GetPixelValue(uint32_t x, uint32_t y) const {
  PixelValue v;
  bool found = false;
  if (m_renderer) {
    found = m_renderer->WithCurrent(
        [&](const FrameBuffer* b) { return b && LookUpYUV(*b, x, y, &v.c1, &v.c2, &v.c3); });
  }
  if (!found) return Fail(EngineError{kNotReady});
  return v;
}

EngineResult<> PlaybackGraph::CapturePicture(platform::Picture* out) const {
  if (!m_renderer) return Fail(EngineError{kNotReady});
  // Read before the renderer's lock is taken: the picture looks as the screen does.
  const ColourSpace colour = m_renderer->GetColourSpace();
  return FromCode(m_renderer->WithCurrent([&](const FrameBuffer* b) -> int32_t {
    if (!b || !b->Bytes()) return kNotReady;
    return FrameToPicture(b->Bytes(), b->nSize, FrameInfo{b->nWidth, b->nHeight, b->nType}, out, colour);
  }));
}

EngineResult<uint32_t> PlaybackGraph::CaptureBMP(void* buf, uint32_t len) {
  return CaptureStill(StillKind::kBmp, buf, len, 0);
}

EngineResult<uint32_t> PlaybackGraph::CaptureJPEG(void* buf, uint32_t len, int quality) {
  return CaptureStill(StillKind::kJpeg, buf, len, quality);
}

EngineResult<uint32_t> PlaybackGraph::CaptureStill(StillKind kind, void* buf, uint32_t len, int quality) {
  if (!m_stillEncoder || !m_renderer) return Fail(EngineError{kNotReady});
  // Stills of the added formats look as the display shows them.
  const ColourSpace colour = m_renderer->GetColourSpace();
  uint32_t written = 0;
  const int32_t r = m_renderer->WithCurrent([&](const FrameBuffer* b) -> int32_t {
    if (!b || !b->Bytes()) return kNotReady;
    return EncodeStillOf(*m_stillEncoder, kind, b->Bytes(), b->nSize, FrameInfo{b->nWidth, b->nHeight, b->nType}, colour,
                         static_cast<uint8_t*>(buf), len, &written, quality);
  });
  if (r < 0) return Fail(EngineError{r});
  return written;
}

EngineResult<> PlaybackGraph::SaveParaToFile(const YUVPara* para) {
  if (!m_source) return Fail(EngineError{kNotReady});
  return m_source->SavePara(para);
}

const platform::File* PlaybackGraph::GetFileHandle() const { return m_source ? m_source->GetFile() : nullptr; }

const StreamFacts* PlaybackGraph::GetStreamFacts() const { return m_source ? m_source->GetFacts() : nullptr; }

std::optional<CodedFrame> PlaybackGraph::GetCodedFrame(uint32_t n) const {
  return m_source ? m_source->GetCoded(n) : std::nullopt;
}

bool PlaybackGraph::DecodeFailedAt(uint32_t n) const {
  return n != 0 && m_renderer && m_renderer->GetFailedFrame() == n;
}

bool PlaybackGraph::FallingBehind() const {
  return SteadyNanoseconds() < m_behindUntil.load(std::memory_order_relaxed);
}

bool PlaybackGraph::IsMinimized() const { return m_videoWindow && m_videoWindow->IsMinimized(); }

EngineResult<> PlaybackGraph::Close() {
  if (!m_source || !m_clock) return Fail(EngineError{kNotReady});
  CutPresentationShort();
  m_source->Close();
  m_clock->Stop();
  return {};
}

void PlaybackGraph::SetNoticeHandler(std::function<void(Notice)> handler) {
  std::scoped_lock lock(m_noticeLock);
  m_notice = std::move(handler);
}

void PlaybackGraph::OnTimerTick(const FrameClock& clock) {
  // m_renderer is replaced only after the clock has been stopped.
  if (!m_renderer) return;
  const int32_t r = m_renderer->PresentNext(&clock);
  if (!m_source) return;
  if (clock.IsPaused()) {
    m_pace = {};  // counted afresh when play goes on
    return;
  }
  // A tick that found no frame while the reader had frames left to read in
  // its direction: the frame was late (the last frame at an end is no delay).
  const uint32_t last = m_renderer->GetCurrentFrame(), count = m_renderer->GetFrameCount();
  const bool more = m_source->GetReverse() ? last > 1 : last < count;
  CountTick(r == kNotReady && more);
}

void PlaybackGraph::CountTick(bool starved) {
  const int64_t now = SteadyNanoseconds();
  if (m_pace.ticks == 0) m_pace.start = now;
  ++m_pace.ticks;
  if (starved) ++m_pace.starved;
  if (now - m_pace.start < kPaceWindow.count()) return;
  // One tick in ten, and more than a stray one, found nothing: the rate is
  // held. Said for a little longer than a window, so it does not flicker.
  if (m_pace.starved >= 2 && m_pace.starved * 10 >= m_pace.ticks)
    m_behindUntil.store(now + 3 * kPaceWindow.count() / 2, std::memory_order_relaxed);
  m_pace = {};
}

void PlaybackGraph::OnFormatChange(const YUVPara& para) {
  {
    std::scoped_lock lock(m_paraLock);
    m_para = para;
  }
  if (!m_clock) return;
  const uint32_t interval = para.EffectiveInterval();
  if (interval != m_clock->GetInterval()) {
    m_clock->SetInterval(interval);
    if (m_clock->IsRunning()) m_clock->Restart(FrameClock::PeriodFor(interval, m_clock->GetSpeed()));
  }
}

bool PlaybackGraph::IsPaused() const { return !m_clock || m_clock->IsPaused(); }

uint32_t PlaybackGraph::GetLastPresentedFrame() const { return m_renderer ? m_renderer->GetCurrentFrame() : 1; }

void PlaybackGraph::SetSegmentPara(const YUVPara& para) {
  if (m_renderer) m_renderer->SetSegmentPara(para);
}

void PlaybackGraph::FlushQueue() {
  if (m_renderer) m_renderer->Flush();
}

void PlaybackGraph::SetFileInfo(uint64_t size, uint32_t frameCount) {
  if (m_renderer) m_renderer->SetFrameCount(frameCount);
}

void PlaybackGraph::ShowNotice(Notice notice) {
  std::function<void(Notice)> handler;
  {
    std::scoped_lock lock(m_noticeLock);
    handler = m_notice;
  }
  if (handler) handler(notice);
}

}  // namespace corvane
