#include "engine/renderer.h"

#include "engine/surface_copy.h"
#include "formats/result_codes.h"

namespace corvane {

Renderer::Renderer(RendererHost* host) : m_pHost(host) {}

Renderer::~Renderer() {
  std::scoped_lock lock(m_cs);
  m_pQueue.reset();
  m_pDisplay.reset();
}

int32_t Renderer::SetPara(const YUVPara* para, platform::VideoWindow* videoWnd) {
  if (!para || !videoWnd) return kNullArg;
  std::scoped_lock lock(m_cs);
  m_pDisplay.reset();
  auto display = std::make_unique<Display>();
  if (const int32_t r = display->Attach(videoWnd); Failed(r)) return r;
  m_pDisplay = std::move(display);
  m_pDisplay->SetComponentMode(m_nComponentMode);
  m_pDisplay->SetAspectMode(m_nAspectMode);
  m_pDisplay->SetColourSpace(m_colour);
  m_pDisplay->SetView(m_view);
  YUVType type;
  uint32_t frameSize;
  if (!GetTypeAndFrameSize(para, &type, &frameSize)) return kFail;
  m_nLastInterval = para->frameInterval;
  m_para = *para;
  m_nWidth = para->width;
  m_nHeight = para->height;
  m_nType = m_nLastType = type;
  m_nFrameSize = frameSize;
  m_nCurFrame = 1;
  m_pQueue.reset();
  auto queue = std::make_unique<FrameQueue>();
  if (queue->Init(QueueCountFor(frameSize), frameSize, 32, kQueueBytes) != kOk) return kFail;
  m_pQueue = std::move(queue);
  return kOk;
}

int32_t Renderer::PresentNext(const FrameClock* clock) {
  std::scoped_lock lock(m_cs);
  if (!m_pQueue || (clock && clock->IsPaused())) return kNotReady;
  FrameBuffer* b = nullptr;
  m_pQueue->TakeFull(&b);
  if (!b) return kNotReady;
  m_pQueue->ReleaseCurrent();
  m_pQueue->SetCurrent(b);
  return Present(b);
}

int32_t Renderer::Present(FrameBuffer* b) {
  if (!m_pDisplay || !b || b->nSize == 0 || m_nType == YUV_NONE) return kNotReady;
  bool changed = false;
  if (m_para.frameInterval != m_nLastInterval) {
    m_nLastInterval = m_para.frameInterval;
    changed = true;
  }
  // The window hears of geometry changes only: a frame of another byte size
  // but the same width and height (YUYV to RGB24, say) needs no new layout.
  bool sizeChanged = false;
  if (b->nSize != m_nFrameSize || b->nWidth != m_nWidth || b->nHeight != m_nHeight) {
    sizeChanged = b->nWidth != m_nWidth || b->nHeight != m_nHeight;
    m_nFrameSize = b->nSize;
    m_nWidth = m_para.width = b->nWidth;
    m_nHeight = m_para.height = b->nHeight;
    changed = true;
  }
  if (b->nType != m_nLastType) {
    m_nType = m_nLastType = b->nType;
    changed = true;
  }
  if (changed && m_pHost) m_pHost->OnFormatChange(m_para);
  if (sizeChanged && m_pNotify) m_pNotify->OnFrameSizeChanged(m_nWidth, m_nHeight);

  const FrameInfo info{m_nWidth, m_nHeight, m_nType};
  const int32_t drawn = m_pDisplay->Draw(b->pData, b->nSize, &info);
  if (drawn >= 0 || (m_pHost && m_pHost->IsMinimized())) {
    m_nCurFrame = b->nFrameNo;
    if (m_presented) m_presented(*b);
    return kOk;
  }
  return kNotReady;
}

void Renderer::Flush() {
  // The queue has its own lock; not taking m_cs here lets the reader flush
  // while a presentation is drawing.
  if (FrameQueue* q = m_pQueue.get()) q->Flush();
}

int32_t Renderer::Refresh() {
  std::scoped_lock lock(m_cs);
  if (!m_pDisplay) return kNotReady;
  return m_pDisplay->Redraw();
}

void Renderer::SetSegmentPara(const YUVPara& para) {
  std::scoped_lock lock(m_cs);
  m_para = para;
}

int32_t Renderer::SetComponentMode(uint32_t mode) {
  std::scoped_lock lock(m_cs);
  if (mode > kComponentV) return kNotReady;
  m_nComponentMode = mode;
  return m_pDisplay ? m_pDisplay->SetComponentMode(mode) : kNotReady;
}

uint32_t Renderer::GetComponentMode() const {
  // The display's mode is always the one set here (SetPara hands it on).
  return m_nComponentMode.load();
}

int32_t Renderer::SetAspectMode(int mode) {
  std::scoped_lock lock(m_cs);
  m_nAspectMode = mode;
  return m_pDisplay ? m_pDisplay->SetAspectMode(mode) : kNotReady;
}

void Renderer::SetColourSpace(ColourSpace colour) {
  std::scoped_lock lock(m_cs);
  m_colour = colour;
  if (m_pDisplay) m_pDisplay->SetColourSpace(colour);
}

ColourSpace Renderer::GetColourSpace() const {
  std::scoped_lock lock(m_cs);
  return m_colour;
}

void Renderer::SetView(const PictureView& view) {
  std::scoped_lock lock(m_cs);
  m_view = view;
  if (m_pDisplay) m_pDisplay->SetView(view);
}

int Renderer::GetAspectMode() const { return m_nAspectMode.load(); }

void Renderer::SetNotifyWindow(platform::FrameSizeListener* listener) {
  std::scoped_lock lock(m_cs);
  m_pNotify = listener;
}

YUVPara Renderer::GetPara() const {
  std::scoped_lock lock(m_cs);
  return m_para;
}

void Renderer::SetPresentedCallback(std::function<void(const FrameBuffer&)> cb) {
  std::scoped_lock lock(m_cs);
  m_presented = std::move(cb);
}

}  // namespace corvane
