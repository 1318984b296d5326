#include "engine/video_output.h"

#include "engine/result_codes.h"

namespace corvane {

CVideoOutput::CVideoOutput() = default;

CVideoOutput::~CVideoOutput() { Destroy(); }

int32_t CVideoOutput::Create(platform::VideoWindow* wnd) {
  Destroy();
  auto display = std::make_unique<CDDrawDisplay>();
  if (Failed(display->Attach(wnd))) return kGeneralFail;
  m_pDisplay = std::move(display);
  return kOk;
}

void CVideoOutput::Destroy() {
  if (!m_pDisplay) return;
  m_pDisplay->ReleaseSurfaces();
  m_pDisplay.reset();
}

int32_t CVideoOutput::Draw(const void* data, uint32_t size, const FrameInfo* info) {
  if (!data || size == 0 || !info || !m_pDisplay) return kGeneralFail;
  return m_pDisplay->Draw(data, size, info);
}

int32_t CVideoOutput::Redraw() { return m_pDisplay ? m_pDisplay->Redraw() : kGeneralFail; }

int32_t CVideoOutput::SetAspectMode(int mode) {
  return m_pDisplay ? m_pDisplay->SetAspectMode(mode) : kGeneralFail;
}

uint32_t CVideoOutput::SetComponentMode(uint32_t mode) {
  return m_pDisplay ? m_pDisplay->SetComponentMode(mode) : 0;
}

uint32_t CVideoOutput::GetComponentMode() const { return m_pDisplay ? m_pDisplay->GetComponentMode() : 0; }

}  // namespace corvane
