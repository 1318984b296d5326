#include "session/reference_view.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "analysis/difference_picture.h"
#include "analysis/planar_frame.h"
#include "engine/frame_picture.h"
#include "engine/view_overlay.h"
#include "formats/result_codes.h"

namespace session {

using corvane::YUVPara;
using corvane::YUVType;

namespace {

// Opens a side through the video file interface, read with its parameters.
// 0, or the errno (EINVAL: no whole frame of those parameters).
int OpenSide(const CompareSide& side, const corvane::DecodeOptions& decode, std::unique_ptr<corvane::VideoFile>* file) {
  auto opened = corvane::OpenVideoFile(side.path, corvane::FileAccess::kRead, decode);
  if (!opened) return opened.error().error ? opened.error().error : EIO;
  if (!(*opened)->UseParameters(side.para, side.useSegments)) return EINVAL;
  *file = std::move(*opened);
  return (*file)->FrameCount() == 0 ? EINVAL : 0;
}

// Frame n of a file into `bytes`; its type and size. False past the end or
// on a short read.
bool ReadFrame(const corvane::VideoFile& file, uint32_t n, std::vector<uint8_t>* bytes, YUVPara* para,
               YUVType* type) {
  const std::optional<corvane::FrameShape> shape = file.Shape(n);
  if (!shape || shape->type == corvane::YUV_NONE) return false;
  bytes->resize(shape->size);
  if (!file.Read(n, *bytes)) return false;
  *para = shape->para;
  *type = shape->type;
  return true;
}

}  // namespace

ReferenceView::ReferenceView(platform::VideoWindow* pane)
    : m_pane(pane), m_worker([this](uint32_t n, uint64_t, std::stop_token) { ShowNow(n); }) {}

ReferenceView::~ReferenceView() {
  m_worker.Stop();  // joined: nothing presents any more
}

int ReferenceView::Open(std::unique_ptr<corvane::VideoFile> reference, const CompareSide& a,
                        const corvane::DecodeOptions& decode) {
  m_reference = std::move(reference);
  if (!m_reference || m_reference->FrameCount() == 0) return EINVAL;
  if (const int e = OpenSide(a, decode, &m_played); e != 0) return e;
  m_first = m_reference->Shape(1).value_or(corvane::FrameShape{}).para;
  return m_renderer.SetPara(&m_first, m_pane) == corvane::kOk ? 0 : EINVAL;
}

YUVPara ReferenceView::ParaAt(uint32_t n) const {
  YUVPara para = m_first;
  if (m_reference)
    if (const auto shape = m_reference->Shape(n)) para = shape->para;
  return para;
}

void ReferenceView::Show(uint32_t n) { Post(n); }

void ReferenceView::Refresh() { m_renderer.Refresh(); }

void ReferenceView::SetOffset(int32_t offset) {
  {
    std::scoped_lock lock(m_lock);
    m_offset = offset;
  }
  Post(std::nullopt);
}

void ReferenceView::SetDifference(bool on, int gain) {
  {
    std::scoped_lock lock(m_lock);
    m_difference = on;
    m_gain = gain;
  }
  Post(std::nullopt);
}

// Settings of the display alone: the frame it keeps is drawn again at once,
// as the open file's graph does, without reading B again.
void ReferenceView::SetComponentMode(uint32_t mode) {
  m_renderer.SetComponentMode(mode);
  m_renderer.Refresh();
}

void ReferenceView::SetAspectMode(int mode) {
  m_renderer.SetAspectMode(mode);
  m_renderer.Refresh();
}

void ReferenceView::SetView(const corvane::PictureView& view) {
  m_renderer.SetView(view);
  m_renderer.Refresh();
}

void ReferenceView::SetColourSpace(corvane::ColourSpace colour) {
  m_renderer.SetColourSpace(colour);
  Post(std::nullopt);  // composed again: black past B's end follows the range
}

void ReferenceView::Post(std::optional<uint32_t> frame) {
  std::scoped_lock lock(m_lock);  // posted under it: requests reach the worker in the order asked
  if (frame) m_last = *frame;
  if (m_last == 0) return;  // nothing shown yet: nothing to show again
  m_worker.Post(m_last);
}

bool ReferenceView::WaitIdle(std::chrono::milliseconds timeout) { return m_worker.WaitIdle(timeout); }

int32_t ReferenceView::CaptureStill(corvane::StillKind kind, int quality, std::vector<uint8_t>* out) {
  const corvane::ColourSpace colour = m_renderer.GetColourSpace();
  return m_renderer.WithCurrent([&](const corvane::FrameBuffer* b) -> int32_t {
    if (!b || !b->Bytes()) return corvane::kNotReady;
    // Room from the encoder's own sizes, for the frame as it is now.
    if (const int32_t r = corvane::StillEncoder::CheckFrame(kind, b->nType, b->nWidth, b->nHeight); r != corvane::kOk)
      return r;
    const uint64_t need = corvane::StillEncoder::OutputCapacity(kind, b->nType, b->nWidth, b->nHeight);
    if (need > UINT32_MAX) return corvane::kFail;
    out->resize(size_t(need));
    uint32_t len = 0;
    const int32_t r = corvane::EncodeStillOf(m_still, kind, b->Bytes(), b->nSize,
                                             corvane::FrameInfo{b->nWidth, b->nHeight, b->nType}, colour, out->data(),
                                             uint32_t(need), &len, quality);
    out->resize(corvane::Failed(r) ? 0 : len);
    return r;
  });
}

int32_t ReferenceView::CapturePicture(platform::Picture* out) const {
  const corvane::ColourSpace colour = m_renderer.GetColourSpace();
  return m_renderer.WithCurrent([&](const corvane::FrameBuffer* b) -> int32_t {
    if (!b || !b->Bytes()) return corvane::kNotReady;
    return corvane::FrameToPicture(b->Bytes(), b->nSize, corvane::FrameInfo{b->nWidth, b->nHeight, b->nType}, out,
                                   colour);
  });
}

uint32_t ReferenceView::ShownFrame() const {
  std::scoped_lock lock(m_lock);
  return m_shown.frame;
}

bool ReferenceView::SamplesAt(uint32_t x, uint32_t y, int v[3]) const {
  std::scoped_lock lock(m_lock);
  if (m_shown.bytes.empty()) return false;
  corvane::FrameBuffer frame;
  frame.pData = const_cast<uint8_t*>(m_shown.bytes.data());
  frame.nSize = uint32_t(m_shown.bytes.size());
  frame.nType = m_shown.type;
  frame.nWidth = m_shown.width;
  frame.nHeight = m_shown.height;
  return corvane::LookUpYUV(frame, x, y, &v[0], &v[1], &v[2]);
}

void ReferenceView::ShowNow(uint32_t n) {
  bool difference = false;
  int gain = 1;
  int32_t offset = 0;
  {
    std::scoped_lock lock(m_lock);
    difference = m_difference;
    gain = m_gain;
    offset = m_offset;
  }
  uint32_t w = 0, h = 0;
  YUVType type = corvane::YUV_NONE;
  const std::span<const uint8_t> picture = Compose(n, offset, difference, gain, &type, &w, &h);
  Present(picture, type, w, h, n);
}

std::span<const uint8_t> ReferenceView::Compose(uint32_t n, int32_t offset, bool difference, int gain, YUVType* type,
                                                uint32_t* w, uint32_t* h) {
  YUVPara bPara{}, aPara{};
  YUVType bType = corvane::YUV_NONE, aType = corvane::YUV_NONE;
  // B's frame of the pair; none before B's first (or past its last).
  const int64_t paired = int64_t(n) + offset;
  const uint32_t nb = paired >= 1 && paired <= UINT32_MAX ? uint32_t(paired) : 0;
  const bool haveB = m_reference && nb != 0 && ReadFrame(*m_reference, nb, &m_referenceBytes, &bPara, &bType);
  {
    // B's frame becomes the one the readout reads, without a copy. Only
    // this thread writes it, so it reads it below without the lock.
    std::scoped_lock lock(m_lock);
    m_shown.frame = n;
    if (haveB) {
      m_shown.bytes.swap(m_referenceBytes);
      m_shown.type = bType;
      m_shown.width = bPara.width;
      m_shown.height = bPara.height;
    } else {
      m_shown.bytes.clear();
    }
  }
  if (haveB && !difference) {
    *type = bType;
    *w = bPara.width;
    *h = bPara.height;
    return m_shown.bytes;
  }
  std::vector<uint8_t>* out = &m_picture;
  const YUVPara size = haveB ? bPara : ParaAt(nb);
  *w = size.width;
  *h = size.height;
  if (haveB && m_played && ReadFrame(*m_played, n, &m_aBytes, &aPara, &aType) &&
      corvane::analysis::Comparable(aType, aPara.width, aPara.height, bType, bPara.width, bPara.height)) {
    namespace an = corvane::analysis;
    const int depth = an::CompareDepth(aType, bType);
    const an::PlanarFrame a = an::ToPlanar(aType, aPara.width, aPara.height, m_aBytes.data(), &m_scratch[0], depth);
    const an::PlanarFrame b = an::ToPlanar(bType, bPara.width, bPara.height, m_shown.bytes.data(), &m_scratch[1], depth);
    *type = an::DifferencePicture(a, b, gain, out);
    return *out;
  }
  // Black: past B's end, or nothing to compare the frame with.
  const size_t plane = size_t(*w) * *h;
  out->assign(plane * 3, 128);
  const bool full = m_renderer.GetColourSpace().range == corvane::YuvRange::kFull;
  std::memset(out->data(), full ? 0 : 16, plane);
  *type = corvane::YUV_I444;
  return *out;
}

void ReferenceView::Present(std::span<const uint8_t> bytes, YUVType type, uint32_t w, uint32_t h, uint32_t n) {
  corvane::FrameQueue* queue = m_renderer.GetQueue();
  if (!queue || bytes.empty()) return;
  corvane::FrameBuffer* b = nullptr;
  queue->PopFree(&b);
  if (!b) return;
  if (b->nSize != bytes.size() && corvane::FrameQueue::Resize(b, uint32_t(bytes.size())) != corvane::kOk) {
    queue->PushFree(b);
    return;
  }
  std::memcpy(b->pData, bytes.data(), bytes.size());
  b->nFrameNo = n;
  b->nType = type;
  b->nWidth = w;
  b->nHeight = h;
  queue->PushFull(b);
  m_renderer.PresentNext();
}

}  // namespace session
