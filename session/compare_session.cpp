// Opening and closing B, the views, and B following A's display settings.
#include "session/compare_session.h"

#include <cerrno>
#include <utility>

#include "formats/result_codes.h"

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

CompareSide CompareSession::TrackSide() const {
  CompareSide b = m_side;
  b.file = m_reference->ReferenceFile();
  return b;
}

CompareSide CompareSession::TrackSideOf(CompareSide a) const {
  a.file = m_reference->PlayedFile();
  return a;
}

ReferenceResult CompareSession::Attach(std::unique_ptr<corvane::VideoFile> file, const CompareSide& b,
                                       const CompareSide& a, corvane::PlaybackGraph& graph, const ViewState& look) {
  Close(&graph);
  if (!file->UseParameters(b.para, b.useSegments)) return {ReferenceOutcome::kFailed, EINVAL};
  auto reference = std::make_unique<ReferenceView>(m_pane);
  if (const int e = reference->Open(std::move(file), a, m_decode); e != 0) return {ReferenceOutcome::kFailed, e};
  m_reference = std::move(reference);
  m_side = b;
  m_side.file = nullptr;
  m_reference->SetAspectMode(int(look.aspect));
  m_reference->SetColourSpace(look.Colour());
  m_reference->SetComponentMode(graph.GetComponentMode());
  m_metrics = m_track.Start(TrackSideOf(a), TrackSide(), m_graphSsim, m_offset, m_region);
  SetView(m_view);
  ApplyLook(look);
  // From now on B shows each frame A presents; the frame on screen first.
  ReferenceView* r = m_reference.get();
  graph.Render()->SetPresentedCallback([r](const corvane::FrameBuffer& frame) { r->Show(frame.nFrameNo); });
  if (const auto shown = graph.GetCurrentFrame(); shown && *shown != 0) r->Show(*shown);
  return {ReferenceOutcome::kOpened, 0};
}

void CompareSession::ApplyLook(const ViewState& look) {
  if (!m_reference) return;
  // Zoom and pan act on both sides alike when the frames are alike in size.
  const corvane::YUVPara b = m_reference->ParaAt(1);
  const bool same = b.width == look.pictureWidth && b.height == look.pictureHeight;
  m_reference->SetView(same ? look.view : corvane::PictureView{});
}

void CompareSession::Close(corvane::PlaybackGraph* graph) {
  if (!m_reference) return;
  // Waits for a presentation under way: after it, nothing calls the view.
  if (graph) graph->Render()->SetPresentedCallback(nullptr);
  m_track.Stop();
  m_reference.reset();
  m_side = {};
  m_metrics = {};
  m_view = CompareView::kA;
  // Another B (or A) starts paired frame for frame, over the whole frames.
  m_offset = 0;
  m_region.reset();
}

void CompareSession::Remeasure(const CompareSide& a) {
  m_metrics = m_track.Start(TrackSideOf(a), TrackSide(), m_graphSsim, m_offset, m_region);
  if (m_view == CompareView::kDiff) SetView(m_view);  // gone with the metrics, if they are
}

void CompareSession::ShiftB(int32_t offset, const std::function<CompareSide()>& openFile) {
  const corvane::VideoFile* a = m_reference->PlayedFile();
  const int64_t lowest = 1 - int64_t(a ? a->FrameCount() : 1), highest = int64_t(m_reference->FrameCount()) - 1;
  if (offset < lowest || offset > highest || offset == m_offset) return;
  m_offset = offset;
  m_reference->SetOffset(offset);
  Remeasure(openFile());
}

bool CompareSession::SetRegion(std::optional<corvane::analysis::Region> region,
                               const std::function<CompareSide()>& openFile) {
  if (!m_reference) return false;
  if (region) {
    const corvane::YUVPara para = m_reference->ParaAt(1);
    corvane::YUVType type = corvane::YUV_NONE;
    uint32_t size = 0;
    if (!corvane::GetTypeAndFrameSize(&para, &type, &size)) return false;
    if (corvane::analysis::FitRegion(*region, corvane::analysis::SamplingOf(type), para.width, para.height) !=
        corvane::analysis::RegionFit::kFits)
      return false;
  }
  if (region == m_region) return true;
  const std::optional<corvane::analysis::Region> before = m_region;
  const bool measured = m_metrics.Ok();
  m_region = region;
  Remeasure(openFile());
  if (measured && !m_metrics.Ok()) {
    // Too small a region for the figures asked for (SSIM's 8x8 windows):
    // the figures stay those of the region before.
    m_region = before;
    Remeasure(openFile());
    return false;
  }
  return true;
}

void CompareSession::SetView(CompareView view) {
  if (view == CompareView::kDiff && !m_metrics.Ok()) view = CompareView::kSide;
  m_view = view;
  if (m_reference) m_reference->SetDifference(view == CompareView::kDiff, m_diffGain);
}

void CompareSession::SetAspectMode(AspectMode mode) {
  if (m_reference) m_reference->SetAspectMode(int(mode));
}

void CompareSession::SetColourSpace(corvane::ColourSpace colour) {
  if (m_reference) m_reference->SetColourSpace(colour);
}

void CompareSession::SetComponentMode(uint32_t mode) {
  if (m_reference) m_reference->SetComponentMode(mode);
}

bool CompareSession::Execute(Command c, corvane::PlaybackGraph* graph, const std::function<CompareSide()>& openFile) {
  if (!m_reference) return false;
  switch (c) {
    case Command::CloseReference:
      Close(graph);
      return true;
    case Command::ViewFlip:
      SetView(m_view == CompareView::kA ? CompareView::kB : CompareView::kA);
      return true;
    case Command::ViewA:
    case Command::ViewB:
    case Command::ViewSide:
    case Command::ViewWipe:
    case Command::ViewDiff:
      SetView(CompareView(RowOf(c).value));
      return true;
    case Command::DiffGain1:
    case Command::DiffGain4:
    case Command::DiffGain16:
      m_diffGain = RowOf(c).value;
      SetView(m_view);
      return true;
    case Command::GraphSsim: {
      // SSIM costs more than PSNR: it is measured once asked for.
      m_graphSsim = !m_graphSsim;
      if (m_graphSsim && !m_track.Ssim()) Remeasure(openFile());
      return true;
    }
    case Command::ShiftBForward:
      ShiftB(m_offset + 1, openFile);
      return true;
    case Command::ShiftBBack:
      ShiftB(m_offset - 1, openFile);
      return true;
    case Command::ShiftBReset:
      ShiftB(0, openFile);
      return true;
    case Command::ClearRegion:
      SetRegion(std::nullopt, openFile);
      return true;
    default:
      return false;
  }
}

void CompareSession::Refresh() {
  if (m_reference) m_reference->Refresh();
}

bool CompareSession::SamplesAt(uint32_t x, uint32_t y, int v[3]) const {
  return m_reference && m_reference->SamplesAt(x, y, v);
}

}  // namespace session
