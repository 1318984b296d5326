#include "engine/renderer.h"

#include "engine/playback_graph.h"
#include "engine/result_codes.h"

namespace corvane {

CYUVRender::CYUVRender(CYUVGraph* graph) : m_pGraph(graph) {}

CYUVRender::~CYUVRender() {
  std::scoped_lock lock(m_cs);
  m_pQueue.reset();
  if (m_pOutput) m_pOutput->Destroy();
  m_pOutput.reset();
}

int32_t CYUVRender::SetPara(const YUVPara* para, platform::VideoWindow* videoWnd) {
  if (!para || !videoWnd) return kNotReady;
  std::scoped_lock lock(m_cs);
  if (m_pOutput) m_pOutput->Destroy();
  m_pOutput = std::make_unique<CVideoOutput>();
  const int32_t made = m_pOutput->Create(videoWnd);
  if (made < 0) {
    m_pOutput.reset();
    return made;
  }
  m_pOutput->SetComponentMode(m_nComponentMode);
  m_pOutput->SetAspectMode(m_nAspectMode);
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
  auto queue = std::make_unique<CListControl>();
  if (queue->Init(kQueueSize, frameSize, 32) != kOk) return kFail;
  m_pQueue = std::move(queue);
  return kOk;
}

int32_t CYUVRender::PresentNext(const CPlayTimer* clock) {
  std::scoped_lock lock(m_cs);
  if (!m_pQueue || (clock && clock->IsPaused())) return kNotReady;
  FrameBuffer* b = nullptr;
  m_pQueue->TakeFull(&b);
  if (!b) return kNotReady;
  m_pQueue->ReleaseCurrent();
  m_pQueue->SetCurrent(b);
  return Present(b);
}

int32_t CYUVRender::Present(FrameBuffer* b) {
  if (!m_pOutput || !b || b->nSize == 0 || m_nType == YUV_NONE) return kNotReady;
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
  if (changed && m_pGraph) m_pGraph->OnFormatChange(m_para);
  if (sizeChanged && m_pNotify) m_pNotify->OnFrameSizeChanged(m_nWidth, m_nHeight);

  const FrameInfo info{m_nWidth, m_nHeight, m_nType};
  const int32_t drawn = m_pOutput->Draw(b->pData, b->nSize, &info);
  if (drawn >= 0 || (m_pGraph && m_pGraph->IsMinimized())) {
    m_nCurFrame = b->nFrameNo;
    if (m_presented) m_presented(*b);
    return kOk;
  }
  return kNotReady;
}

void CYUVRender::Flush() {
  // The queue has its own lock; not taking m_cs here lets the reader flush
  // while a presentation is drawing.
  if (CListControl* q = m_pQueue.get()) q->Flush();
}

int32_t CYUVRender::Refresh() {
  std::scoped_lock lock(m_cs);
  if (!m_pOutput) return kNotReady;
  return m_pOutput->Redraw();
}

void CYUVRender::SetSegmentPara(const YUVPara& para) {
  std::scoped_lock lock(m_cs);
  m_para = para;
}

void CYUVRender::SetFileInfo(uint64_t size, uint32_t frameCount) {
  m_llFileSize = size;
  m_nFrameCount = frameCount;
}

uint32_t CYUVRender::SetComponentMode(uint32_t mode) {
  std::scoped_lock lock(m_cs);
  if (mode > 3) return 0;
  m_nComponentMode = mode;
  return m_pOutput ? m_pOutput->SetComponentMode(mode) : 0;
}

uint32_t CYUVRender::GetComponentMode() const {
  std::scoped_lock lock(m_cs);
  return m_pOutput ? m_pOutput->GetComponentMode() : 0;
}

int32_t CYUVRender::SetAspectMode(int mode) {
  std::scoped_lock lock(m_cs);
  m_nAspectMode = mode;
  return m_pOutput ? m_pOutput->SetAspectMode(mode) : kGeneralFail;
}

void CYUVRender::SetNotifyWindow(platform::FrameSizeListener* listener) {
  std::scoped_lock lock(m_cs);
  m_pNotify = listener;
}

YUVPara CYUVRender::GetPara() const {
  std::scoped_lock lock(m_cs);
  return m_para;
}

void CYUVRender::SetPresentedCallback(std::function<void(const FrameBuffer&)> cb) {
  std::scoped_lock lock(m_cs);
  m_presented = std::move(cb);
}

}  // namespace corvane
