#include "engine/renderer.h"

#include "engine/surface_copy.h"
#include "formats/result_codes.h"

namespace corvane {

Renderer::Renderer(RendererHost* host) : m_host(host) {}

Renderer::~Renderer() {
  std::scoped_lock lock(m_lock, m_currentLock);
  m_queue.reset();
  m_display.reset();
}

int32_t Renderer::SetPara(const YUVPara* para, platform::VideoWindow* videoWnd) {
  if (!para || !videoWnd) return kNullArg;
  std::scoped_lock lock(m_lock);
  m_display.reset();
  auto display = std::make_unique<Display>();
  if (const int32_t r = display->Attach(videoWnd); Failed(r)) return r;
  m_display = std::move(display);
  m_display->SetComponentMode(m_componentMode);
  m_display->SetAspectMode(m_aspectMode);
  m_display->SetColourSpace(m_colour);
  m_display->SetView(m_view);
  YUVType type;
  uint32_t frameSize;
  if (!GetTypeAndFrameSize(para, &type, &frameSize)) return kFail;
  m_lastInterval = para->frameInterval;
  m_para = *para;
  m_width = para->width;
  m_height = para->height;
  m_type = m_lastType = type;
  m_frameSize = frameSize;
  m_curFrame = 1;
  m_failedFrame = 0;
  std::scoped_lock current(m_currentLock);
  m_queue.reset();
  auto queue = std::make_unique<FrameQueue>();
  if (queue->Init(QueueCountFor(frameSize), frameSize, 32, kQueueBytes) != kOk) return kFail;
  m_queue = std::move(queue);
  return kOk;
}

int32_t Renderer::PresentNext(const FrameClock* clock, std::optional<RenderStop> since) {
  std::scoped_lock lock(m_lock);
  // Taken before the pause is read: Pause and Stop set the pause, then
  // cancel, so a tick either sees the pause here or the cancel while it draws.
  const RenderStop stop = since ? *since : CancelToken();
  if (!m_queue || (clock && clock->IsPaused())) return kNotReady;
  const FrameQueue::Taken taken = m_queue->TakeNextFull();
  if (!taken.buffer) return kNotReady;
  const int32_t r = Present(taken.buffer, stop);
  if (r == kDrawCancelled) m_queue->GiveBackFull(taken);
  return r;
}

void Renderer::MakeCurrent(FrameBuffer* b) {
  std::scoped_lock lock(m_currentLock);
  m_queue->ReleaseCurrent();
  m_queue->SetCurrent(b);
}

int32_t Renderer::Present(FrameBuffer* b, const RenderStop& stop) {
  if (b->decodeFailed) {
    // Nothing to draw: the picture on screen stays, and its buffer stays
    // current (stills and the readout keep a picture); the number moves on.
    m_curFrame = b->nFrameNo;
    m_failedFrame = b->nFrameNo;
    if (m_presented) m_presented(*b);
    m_queue->PushFree(b);
    return kOk;
  }
  m_failedFrame = 0;
  if (!m_display || b->nSize == 0 || m_type == YUV_NONE) {
    MakeCurrent(b);
    return kNotReady;
  }
  bool changed = false;
  if (m_para.frameInterval != m_lastInterval) {
    m_lastInterval = m_para.frameInterval;
    changed = true;
  }
  // The window hears of geometry changes only: a frame of another byte size
  // but the same width and height (YUYV to RGB24, say) needs no new layout.
  bool sizeChanged = false;
  if (b->nSize != m_frameSize || b->nWidth != m_width || b->nHeight != m_height) {
    sizeChanged = b->nWidth != m_width || b->nHeight != m_height;
    m_frameSize = b->nSize;
    m_width = m_para.width = b->nWidth;
    m_height = m_para.height = b->nHeight;
    changed = true;
  }
  if (b->nType != m_lastType) {
    m_type = m_lastType = b->nType;
    changed = true;
  }
  if (changed && m_host) m_host->OnFormatChange(m_para);
  if (sizeChanged && m_notify) m_notify->OnFrameSizeChanged(m_width, m_height);

  const FrameInfo info{m_width, m_height, m_type};
  const int32_t drawn = m_display->Draw(b->Bytes(), b->nSize, &info, stop);
  if (drawn == kDrawCancelled) return drawn;
  MakeCurrent(b);
  if (drawn >= 0 || (m_host && m_host->IsMinimized())) {
    m_curFrame = b->nFrameNo;
    if (m_presented) m_presented(*b);
    return kOk;
  }
  return kNotReady;
}

void Renderer::Flush() {
  // The queue has its own lock; not taking m_lock here lets the reader flush
  // while a presentation is drawing.
  if (FrameQueue* q = m_queue.get()) q->Flush();
}

int32_t Renderer::Refresh() {
  std::scoped_lock lock(m_lock);
  if (!m_display) return kNotReady;
  return m_display->Redraw(CancelToken());
}

void Renderer::SetSegmentPara(const YUVPara& para) {
  std::scoped_lock lock(m_lock);
  m_para = para;
}

int32_t Renderer::SetComponentMode(uint32_t mode) {
  std::scoped_lock lock(m_lock);
  if (mode > kComponentV) return kNotReady;
  m_componentMode = mode;
  return m_display ? m_display->SetComponentMode(mode) : kNotReady;
}

uint32_t Renderer::GetComponentMode() const {
  // The display's mode is always the one set here (SetPara hands it on).
  return m_componentMode.load();
}

int32_t Renderer::SetAspectMode(int mode) {
  std::scoped_lock lock(m_lock);
  m_aspectMode = mode;
  return m_display ? m_display->SetAspectMode(mode) : kNotReady;
}

void Renderer::SetColourSpace(ColourSpace colour) {
  std::scoped_lock lock(m_lock);
  m_colour = colour;
  if (m_display) m_display->SetColourSpace(colour);
}

ColourSpace Renderer::GetColourSpace() const {
  std::scoped_lock lock(m_lock);
  return m_colour;
}

void Renderer::SetView(const PictureView& view) {
  std::scoped_lock lock(m_lock);
  m_view = view;
  if (m_display) m_display->SetView(view);
}

int Renderer::GetAspectMode() const { return m_aspectMode.load(); }

void Renderer::SetNotifyWindow(platform::FrameSizeListener* listener) {
  std::scoped_lock lock(m_lock);
  m_notify = listener;
}

YUVPara Renderer::GetPara() const {
  std::scoped_lock lock(m_lock);
  return m_para;
}

void Renderer::SetPresentedCallback(std::function<void(const FrameBuffer&)> cb) {
  std::scoped_lock lock(m_lock);
  m_presented = std::move(cb);
}

}  // namespace corvane
