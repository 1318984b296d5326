#include "session/player_session.h"

#include <algorithm>
#include <optional>
#include <span>
#include <utility>

#include "engine/display.h"
#include "formats/result_codes.h"

namespace session {

using corvane::kOk;

PlayerSession::PlayerSession(platform::VideoWindow* picture, platform::FrameSizeListener* sizes)
    : m_picture(picture), m_sizes(sizes), m_seeker([this](std::stop_token stop) { SeekerLoop(stop); }) {}

PlayerSession::~PlayerSession() {
  m_seeker.request_stop();
  m_seeker = {};  // joined: no seek runs from here on
  CloseReferenceLocked();
  // The graph's threads present into the window: they end before it goes.
  if (m_graph) {
    m_graph->SetNotifyWindow(nullptr);
    m_graph->Close();
  }
}

// ---- Rules -------------------------------------------------------------------

bool PlayerSession::Allows(uint32_t rule, WindowFacts window) const {
  return RuleHolds(rule, m_state, m_reference != nullptr, m_metrics.Ok(), window);
}

// ---- Play commands -------------------------------------------------------------

void PlayerSession::Play() {
  if (m_state == PlayState::Stopped || m_state == PlayState::NoFile) m_statusTicking = true;
  if (!m_graph) return;
  m_graph->Run();
  m_graph->SetRepeat(m_repeat);
  m_graph->SetSpeed(m_graph->GetSpeed());  // the speed chosen before applies again
  m_state = PlayState::Playing;
}

void PlayerSession::Pause() {
  if (!m_graph) return;
  m_graph->Pause();
  m_state = PlayState::Paused;
}

void PlayerSession::Stop() {
  m_coordinates = false;  // the coordinate window closes with a stop
  m_statusTicking = false;
  if (!m_graph) return;
  m_graph->Stop();
  m_state = PlayState::Stopped;
}

void PlayerSession::SetRepeat(bool on) {
  std::scoped_lock lock(m_graphLock);
  SetRepeatLocked(on);
}

void PlayerSession::SetRepeatLocked(bool on) {
  m_repeat = on;
  if (m_graph) m_graph->SetRepeat(on);
}

bool PlayerSession::Execute(Command c) {
  const CommandRow& row = RowOf(c);
  if (row.group == Group::kDigit) {
    m_typed = AppendDigit(m_typed, row.value);
    return true;
  }
  if (c == Command::StepForward || c == Command::StepBackward) return Step(c == Command::StepForward ? 1 : -1);
  // Any command of the reader or the clock comes after the slider's seeks,
  // and a seek not yet started is superseded by it.
  DropPendingSeek();
  std::scoped_lock lock(m_graphLock);
  switch (c) {
    case Command::Close:
      CloseReferenceLocked();
      CloseLocked();
      return true;
    case Command::PlayPause:
      if (m_state == PlayState::Playing)
        Pause();
      else if (m_state == PlayState::Paused || m_state == PlayState::Stopped)
        Play();
      else
        return false;
      return true;
    case Command::Play:
      Play();
      return true;
    case Command::Pause:
      Pause();
      return true;
    case Command::Stop:
      Stop();
      return true;
    case Command::Faster:
      return m_graph && m_graph->SpeedUp() >= 0;
    case Command::Slower:
      return m_graph && m_graph->SpeedDown() >= 0;
    case Command::Reverse:
      if (!m_graph || m_graph->SetReverse(!m_reverse) < 0) return false;
      m_reverse = !m_reverse;
      return true;
    case Command::Repeat:
      SetRepeatLocked(!m_repeat);
      return true;
    case Command::GoToStart:
      return m_graph && m_graph->GoToStart() == kOk;
    case Command::GoToEnd:
      return m_graph && m_graph->GoToEnd() == kOk;
    case Command::GoToTyped:
      return GoToFrameLocked(std::exchange(m_typed, 0));
    case Command::Zoom50:
    case Command::Zoom100:
    case Command::Zoom200:
      // The coordinate window needs the picture at 100 %.
      if (m_coordinates) return false;
      m_zoom = Zoom(row.value);
      // The window takes the new size; the picture is whole in it again.
      ApplyViewLocked({});
      return true;
    case Command::ComponentYUV:
    case Command::ComponentY:
    case Command::ComponentU:
    case Command::ComponentV:
      if (!m_graph || m_graph->SetComponentMode(uint32_t(row.value)) != kOk) return false;
      // Paused or stopped, nothing presents the frame again by itself.
      m_graph->Refresh();
      if (m_reference) m_reference->SetComponentMode(uint32_t(row.value));
      return true;
    case Command::Matrix601:
    case Command::Matrix709:
    case Command::Matrix2020:
      m_colour.matrix = corvane::YuvMatrix(row.value);
      ApplyColourSpace();
      return true;
    case Command::RangeLimited:
    case Command::RangeFull:
      m_colour.range = corvane::YuvRange(row.value);
      ApplyColourSpace();
      return true;
    default:
      return ExecuteCompare(c);
  }
}

bool PlayerSession::GoToFrame(uint64_t n) {
  DropPendingSeek();
  std::scoped_lock lock(m_graphLock);
  return GoToFrameLocked(n);
}

bool PlayerSession::GoToFrameLocked(uint64_t n) {
  // A number beyond the last possible frame stays beyond it: saturated,
  // never wrapped onto a small frame number. Seeks need a running reader.
  if (!m_graph || m_state == PlayState::Stopped) return false;
  return m_graph->SeekToFrame(uint32_t(std::min<uint64_t>(n, UINT32_MAX))) == kOk;
}

std::optional<FrameFacts> PlayerSession::FactsOf(uint32_t n) const {
  if (!m_graph || n == 0 || n > m_total) return std::nullopt;
  corvane::YUVPara para = m_para;
  FrameFacts f;
  if (m_segments) {
    const std::optional<corvane::FrameLocation> at = m_segments->Locate(n, &para);
    if (!at) return std::nullopt;
    f.segment = at->segment + 1;
    f.segments = m_graph->GetSegmentCount();
  }
  f.format = para.format;
  f.width = para.width;
  f.height = para.height;
  f.interval = para.EffectiveInterval();
  return f;
}

// ---- Zoom and pan --------------------------------------------------------------

platform::Rect PlayerSession::PictureRect(int areaW, int areaH) const {
  // The rectangle the display fills at 1×, by the same rule.
  return corvane::AspectRect(int(m_aspect), areaW, areaH, m_pictureWidth, m_pictureHeight);
}

corvane::ViewMapping PlayerSession::MapView(int areaW, int areaH) const {
  return corvane::MapView(m_view, PictureRect(areaW, areaH), m_pictureWidth, m_pictureHeight);
}

std::optional<corvane::PixelPos> PlayerSession::FramePixelAt(int x, int y, int areaW, int areaH) const {
  return MapView(areaW, areaH).FramePixelAt(x, y);
}

void PlayerSession::ApplyViewLocked(const corvane::PictureView& view) {
  m_view = view;
  ApplyReferenceViewLocked();
  if (!m_graph) return;
  m_graph->SetView(view);
  // A paused or stopped picture is not presented again by itself.
  if (m_state != PlayState::Playing && m_state != PlayState::NoFile) m_graph->Refresh();
}

bool PlayerSession::ZoomAt(int steps, int x, int y, int areaW, int areaH) {
  if (!m_graph || !Allows(when::kFrames)) return false;
  const corvane::PictureView next =
      corvane::ZoomViewAt(m_view, steps, x, y, PictureRect(areaW, areaH), m_pictureWidth, m_pictureHeight);
  if (next == m_view) return false;
  std::scoped_lock lock(m_graphLock);
  ApplyViewLocked(next);
  return true;
}

bool PlayerSession::PanBy(int dx, int dy, int areaW, int areaH) {
  if (!m_graph || !Allows(when::kFrames)) return false;
  const corvane::PictureView next =
      corvane::PanView(m_view, dx, dy, PictureRect(areaW, areaH), m_pictureWidth, m_pictureHeight);
  if (next == m_view) return false;
  std::scoped_lock lock(m_graphLock);
  ApplyViewLocked(next);
  return true;
}

void PlayerSession::ResetView() {
  std::scoped_lock lock(m_graphLock);
  if (!m_view.IsWhole()) ApplyViewLocked({});
}

PlayerView PlayerSession::View() const {
  PlayerView v;
  v.state = m_state;
  v.total = m_total;
  v.reverse = m_reverse;
  v.repeat = m_repeat;
  v.zoom = m_zoom;
  v.view = m_view;
  v.fullScreen = m_fullScreen;
  v.coordinates = m_coordinates;
  v.statusTicking = m_statusTicking;
  v.typed = m_typed;
  v.pictureWidth = m_pictureWidth;
  v.pictureHeight = m_pictureHeight;
  v.colour = m_colour;
  v.reference = m_reference != nullptr;
  v.compareView = m_compareView;
  v.diffGain = m_diffGain;
  v.graphSsim = m_graphSsim;
  if (m_graph) {
    m_graph->GetCurrentFrame(&v.frame);
    v.speed = m_graph->GetSpeed();
    v.component = int(m_graph->GetComponentMode());
  }
  return v;
}

void PlayerSession::SetAspectMode(AspectMode mode) {
  std::scoped_lock lock(m_graphLock);
  m_aspect = mode;
  if (!m_graph) return;
  m_graph->SetAspectMode(int(mode));
  if (m_reference) m_reference->SetAspectMode(int(mode));
  // A paused or stopped picture is not presented again by itself.
  if (m_state != PlayState::Playing) m_graph->Refresh();
}

void PlayerSession::SetColourSpace(corvane::ColourSpace colour) {
  std::scoped_lock lock(m_graphLock);
  m_colour = colour;
  ApplyColourSpace();
}

void PlayerSession::ApplyColourSpace() {
  if (m_reference) m_reference->SetColourSpace(m_colour);
  if (!m_graph) return;
  m_graph->SetColourSpace(m_colour);
  if (m_state != PlayState::Playing) m_graph->Refresh();
}

// ---- Opening and closing --------------------------------------------------------

bool PlayerSession::OpenGraph(const std::string& path) {
  CloseLocked();
  m_graph = std::make_unique<corvane::PlaybackGraph>(m_picture);
  m_graph->SetNoticeHandler([this](corvane::Notice n) {
    if (m_notice) m_notice(n);
  });
  m_path = path;
  int readOnly = 0, hasRecord = 0;
  corvane::YUVPara first{};
  if (m_graph->OpenFile(path, &readOnly) < 0 ||
      m_graph->ReadFilePara(&hasRecord, std::span<corvane::YUVPara>(&first, 1), false) < 0) {
    m_graph.reset();
    return false;
  }
  m_readOnly = readOnly != 0;
  m_hasRecord = hasRecord != 0;
  if (m_hasRecord) m_para = first;
  return true;
}

OpenResult PlayerSession::Open(const std::string& path, const DefaultParameters& defaults) {
  DropPendingSeek();
  std::scoped_lock lock(m_graphLock);
  CloseReferenceLocked();
  if (!OpenGraph(path)) return {OpenOutcome::kFailed, OpenFailure::kCannotOpen, DiagnoseOpen(path)};
  if (m_hasRecord) return ApplyAndRun();
  // Stored defaults outside the custom-size limits (edited by hand) are not
  // used: the user is asked instead, as without defaults.
  if (defaults.use && IsValidCustomSize(defaults.width, defaults.height)) {
    m_para.width = defaults.width;
    m_para.height = defaults.height;
    m_para.format = defaults.format;
    m_para.frameInterval = corvane::kDefaultFrameInterval;
    return ApplyAndRun();
  }
  return {OpenOutcome::kNeedsParameters, OpenFailure::kNone};
}

OpenResult PlayerSession::PlayWith(const corvane::YUVPara& para) {
  std::scoped_lock lock(m_graphLock);
  if (!m_graph) return {OpenOutcome::kFailed, OpenFailure::kCannotOpen};
  m_para = para;
  return ApplyAndRun();
}

void PlayerSession::CancelOpen() {
  std::scoped_lock lock(m_graphLock);
  if (!m_graph) return;
  m_graph->Close();
  m_graph.reset();
}

OpenResult PlayerSession::ApplyAndRun() {
  m_pictureWidth = m_para.width;
  m_pictureHeight = m_para.height;
  m_zoom = Zoom::k100;
  m_view = {};
  m_graph->SetView(m_view);
  // Parameters the engine cannot apply never leave the player claiming to
  // play: the file is closed.
  if (m_graph->SetPara(&m_para, m_picture) != kOk) {
    const OpenProblem why = DiagnoseParameters(m_para, m_graph->MemoryLimit());
    CloseLocked();
    return {OpenOutcome::kFailed, OpenFailure::kCannotPlay, why};
  }
  m_total = 0;
  m_graph->GetFileInfo(nullptr, &m_total);
  if (m_total == 0) {
    CloseLocked();
    return {OpenOutcome::kFailed, OpenFailure::kTooShort};
  }
  m_segments.reset();
  if (m_graph->GetSegmentCount() > 1 && m_graph->GetFileHandle())
    m_segments.emplace(corvane::ReadTrailer(*m_graph->GetFileHandle()), m_para, true);
  m_graph->SetNotifyWindow(m_sizes);
  m_graph->SetRepeat(m_repeat);
  m_graph->SetAspectMode(int(m_aspect));
  m_graph->SetColourSpace(m_colour);
  m_statusTicking = true;
  m_graph->Run();
  m_state = PlayState::Playing;
  return {OpenOutcome::kPlaying, OpenFailure::kNone};
}

bool PlayerSession::CanSetParameters() const { return m_graph && m_graph->GetSegmentCount() <= 1; }

OpenResult PlayerSession::Reopen(const corvane::YUVPara& para) {
  DropPendingSeek();
  std::scoped_lock lock(m_graphLock);
  const std::string path = m_path;
  // B stays, compared afresh with the file's new parameters.
  const std::optional<CompareSide> reference = m_reference ? std::optional(m_referenceSide) : std::nullopt;
  const CompareView view = m_compareView;
  CloseReferenceLocked();
  CloseLocked();
  if (!OpenGraph(path)) return {OpenOutcome::kFailed, OpenFailure::kCannotOpen, DiagnoseOpen(path)};
  m_para = para;  // the dialog's choice, whatever record the file has now
  const OpenResult result = ApplyAndRun();
  if (result.outcome == OpenOutcome::kPlaying && reference && AttachReference(*reference).outcome == ReferenceOutcome::kOpened)
    SetCompareViewLocked(view);
  return result;
}

corvane::YUVPara PlayerSession::ParametersToOffer(const DefaultParameters& defaults,
                                                  std::optional<corvane::NameGuess>* guess) const {
  if (guess) guess->reset();
  // Never the parameters of the file before it.
  if (!m_graph || m_hasRecord || !guess) return m_para;
  return OfferForNewFile(m_path, defaults, guess);
}

corvane::YUVPara OfferForNewFile(const std::string& path, const DefaultParameters& defaults,
                                 std::optional<corvane::NameGuess>* guess) {
  corvane::YUVPara offer{};
  offer.format = defaults.format;
  offer.frameInterval = corvane::kDefaultFrameInterval;
  if (IsValidCustomSize(defaults.width, defaults.height)) {
    offer.width = defaults.width;
    offer.height = defaults.height;
  }
  if (guess) *guess = corvane::GuessFromFileName(path);
  return offer;
}

void PlayerSession::Close() {
  DropPendingSeek();
  std::scoped_lock lock(m_graphLock);
  CloseReferenceLocked();
  CloseLocked();
}

void PlayerSession::CloseLocked() {
  Stop();
  if (m_graph) {
    m_graph->SetNotifyWindow(nullptr);
    m_graph->Close();
    m_graph->Release();
    m_graph.reset();
  }
  m_typed = 0;
  m_reverse = false;
  m_state = PlayState::NoFile;
  m_zoom = Zoom::k100;
  m_view = {};
  m_segments.reset();
  m_pictureWidth = kIdleWidth;
  m_pictureHeight = kIdleHeight;
}

}  // namespace session
