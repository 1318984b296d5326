// The session's side of comparing the open file (A) with a second file (B):
// opening and closing B, the views, and B following A's display settings.
#include <cerrno>

#include "formats/result_codes.h"
#include "formats/trailer.h"
#include "platform/file.h"
#include "session/player_session.h"

namespace session {

std::optional<CompareView> CompareViewForName(std::string_view name) {
  static constexpr std::pair<std::string_view, CompareView> kNames[] = {
      {"a", CompareView::kA},       {"b", CompareView::kB},       {"side", CompareView::kSide},
      {"wipe", CompareView::kWipe}, {"diff", CompareView::kDiff},
  };
  for (const auto& [n, v] : kNames)
    if (n == name) return v;
  return std::nullopt;
}

corvane::analysis::CompareInput PlayerSession::SideOfOpenFile() const {
  corvane::analysis::CompareInput a;
  a.path = m_path;
  a.para = m_para;
  if (m_graph && m_graph->GetFileHandle()) a.trailer = corvane::ReadTrailer(*m_graph->GetFileHandle());
  return a;
}

ReferenceResult PlayerSession::OpenReference(const std::string& path, const DefaultParameters& defaults,
                                             const corvane::YUVPara* chosen) {
  DropPendingSeek();
  std::scoped_lock lock(m_graphLock);
  if (!m_graph || !m_referencePane || m_state == PlayState::NoFile) return {ReferenceOutcome::kFailed, EINVAL};
  CompareSide b;
  b.path = path;
  {
    platform::File file;
    if (const int e = file.Open(path, platform::File::Mode::kRead); e != 0) return {ReferenceOutcome::kFailed, e};
    b.trailer = corvane::ReadTrailer(file);
  }
  const bool record = (b.trailer.kind == corvane::TrailerKind::kPlain ||
                       b.trailer.kind == corvane::TrailerKind::kSpliced) && !b.trailer.records.empty();
  if (record) {
    b.para = b.trailer.records.front();
  } else if (chosen) {
    b.para = *chosen;
  } else if (defaults.use && IsValidCustomSize(defaults.width, defaults.height)) {
    b.para.width = defaults.width;
    b.para.height = defaults.height;
    b.para.format = defaults.format;
    b.para.frameInterval = corvane::kDefaultFrameInterval;
  } else {
    return {ReferenceOutcome::kNeedsParameters, 0};
  }
  return AttachReference(b);
}

ReferenceResult PlayerSession::AttachReference(const CompareSide& b) {
  CloseReferenceLocked();
  const CompareSide a = SideOfOpenFile();
  auto reference = std::make_unique<ReferenceView>(m_referencePane);
  if (const int e = reference->Open(b, a); e != 0) return {ReferenceOutcome::kFailed, e};
  m_reference = std::move(reference);
  m_referenceSide = b;
  m_reference->SetAspectMode(int(m_aspect));
  m_reference->SetColourSpace(m_colour);
  m_reference->SetComponentMode(m_graph->GetComponentMode());
  m_metrics = m_track.Start(a, b, m_graphSsim);
  SetCompareViewLocked(m_compareView);
  ApplyReferenceViewLocked();
  // From now on B shows each frame A presents; the frame on screen first.
  ReferenceView* r = m_reference.get();
  m_graph->Render()->SetPresentedCallback([r](const corvane::FrameBuffer& frame) { r->Show(frame.nFrameNo); });
  uint32_t shown = 0;
  if (m_graph->GetCurrentFrame(&shown) == corvane::kOk && shown != 0) r->Show(shown);
  return {ReferenceOutcome::kOpened, 0};
}

void PlayerSession::ApplyReferenceViewLocked() {
  if (!m_reference) return;
  // Zoom and pan act on both sides alike when the frames are alike in size.
  const corvane::YUVPara b = m_reference->ParaAt(1);
  const bool same = b.width == m_pictureWidth && b.height == m_pictureHeight;
  m_reference->SetView(same ? m_view : corvane::PictureView{});
}

void PlayerSession::CloseReference() {
  std::scoped_lock lock(m_graphLock);
  CloseReferenceLocked();
}

void PlayerSession::CloseReferenceLocked() {
  if (!m_reference) return;
  // Waits for a presentation under way: after it, nothing calls the view.
  if (m_graph) m_graph->Render()->SetPresentedCallback(nullptr);
  m_track.Stop();
  m_reference.reset();
  m_referenceSide = {};
  m_metrics = {};
  m_compareView = CompareView::kA;
}

void PlayerSession::SetCompareViewLocked(CompareView view) {
  if (view == CompareView::kDiff && !m_metrics.Ok()) view = CompareView::kSide;
  m_compareView = view;
  if (m_reference) m_reference->SetDifference(view == CompareView::kDiff, m_diffGain);
}

bool PlayerSession::ExecuteCompare(Command c) {
  if (!m_reference) return false;
  switch (c) {
    case Command::CloseReference:
      CloseReferenceLocked();
      return true;
    case Command::ViewFlip:
      SetCompareViewLocked(m_compareView == CompareView::kA ? CompareView::kB : CompareView::kA);
      return true;
    case Command::ViewA:
    case Command::ViewB:
    case Command::ViewSide:
    case Command::ViewWipe:
    case Command::ViewDiff:
      SetCompareViewLocked(CompareView(RowOf(c).value));
      return true;
    case Command::DiffGain1:
    case Command::DiffGain4:
    case Command::DiffGain16:
      m_diffGain = RowOf(c).value;
      SetCompareViewLocked(m_compareView);
      return true;
    case Command::GraphSsim: {
      // SSIM costs more than PSNR: it is measured once asked for.
      m_graphSsim = !m_graphSsim;
      if (m_graphSsim && !m_track.Ssim()) m_metrics = m_track.Start(SideOfOpenFile(), m_referenceSide, true);
      return true;
    }
    default:
      return false;
  }
}

void PlayerSession::RefreshPictures() {
  std::scoped_lock lock(m_graphLock);
  if (m_graph && m_state != PlayState::NoFile) m_graph->Refresh();
  if (m_reference) m_reference->Refresh();
}

bool PlayerSession::ReferenceSamplesAt(uint32_t x, uint32_t y, int v[3]) const {
  return m_reference && m_reference->SamplesAt(x, y, v);
}

}  // namespace session
