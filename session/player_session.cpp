#include "session/player_session.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <optional>
#include <utility>

#include "formats/result_codes.h"
#include "formats/trailer.h"
#include "formats/video_file.h"

namespace session {

using corvane::kOk;

PlayerSession::PlayerSession(platform::VideoWindow* picture, platform::FrameSizeListener* sizes)
    : m_transport(picture, sizes) {}

PlayerSession::~PlayerSession() {
  m_transport.StopSeeker();  // no seek runs from here on
  m_compare.Close(m_transport.Graph());
  // The transport then closes the graph, whose threads present into the window.
}

// ---- Rules -------------------------------------------------------------------

bool PlayerSession::Allows(uint32_t rule, WindowFacts window) const {
  return RuleHolds(rule, m_transport.State(), m_compare.Has(), m_compare.MetricsStatus().Ok(), window);
}

// ---- Commands ------------------------------------------------------------------

bool PlayerSession::Execute(Command c, WindowFacts window) {
  const CommandRow& row = RowOf(c);
  if (row.group == Group::kDigit) {
    m_typed = AppendDigit(m_typed, row.value);
    return true;
  }
  if (c == Command::StepForward || c == Command::StepBackward)
    return m_transport.Step(c == Command::StepForward ? 1 : -1);
  // Any command of the reader or the clock comes after the slider's seeks,
  // and a seek not yet started is superseded by it.
  m_transport.DropPendingSeek();
  std::scoped_lock lock(m_transport.GraphLock());
  corvane::PlaybackGraph* graph = m_transport.Graph();
  const PlayState state = m_transport.State();
  switch (c) {
    case Command::Close:
      CloseLocked();
      return true;
    case Command::PlayPause:
      if (state == PlayState::Playing)
        m_transport.Pause();
      else if (state == PlayState::Paused || state == PlayState::Stopped)
        m_transport.Play();
      else
        return false;
      return true;
    case Command::Play:
      m_transport.Play();
      return true;
    case Command::Pause:
      m_transport.Pause();
      return true;
    case Command::Stop:
      m_transport.Stop();
      return true;
    case Command::Faster:
      return graph && bool(graph->SpeedUp());
    case Command::Slower:
      return graph && bool(graph->SpeedDown());
    case Command::Reverse:
      return m_transport.ToggleReverse();
    case Command::Repeat:
      m_transport.SetRepeatLocked(!m_transport.Repeat());
      return true;
    case Command::GoToStart:
      return graph && bool(graph->GoToStart());
    case Command::GoToEnd:
      return graph && bool(graph->GoToEnd());
    case Command::GoToTyped:
      return GoToFrameLocked(std::exchange(m_typed, 0));
    case Command::Zoom50:
    case Command::Zoom100:
    case Command::Zoom200:
      // The coordinate window needs the picture at 100 %.
      if (window.coordinatesShown) return false;
      m_look.zoom = Zoom(row.value);
      // The window takes the new size; the picture is whole in it again.
      ApplyViewLocked({});
      return true;
    case Command::ComponentYUV:
    case Command::ComponentY:
    case Command::ComponentU:
    case Command::ComponentV: {
      const uint32_t mode = uint32_t(row.value);
      if (!graph || !graph->SetComponentMode(mode)) return false;
      // Paused or stopped, nothing presents the frame again by itself.
      (void)graph->Refresh();
      m_compare.SetComponentMode(mode);
      return true;
    }
    case Command::Matrix601:
    case Command::Matrix709:
    case Command::Matrix2020:
      m_look.colour.matrix = corvane::YuvMatrix(row.value);
      m_look.fileMatrix.reset();  // the user's choice overrides the stream's
      ApplyColourSpace();
      return true;
    case Command::RangeLimited:
    case Command::RangeFull:
      m_look.colour.range = corvane::YuvRange(row.value);
      m_look.fileRange.reset();  // the user's choice overrides the file's header
      ApplyColourSpace();
      return true;
    default:
      return m_compare.Execute(c, graph, [this] { return SideOfOpenFile(); });
  }
}

bool PlayerSession::GoToFrame(uint64_t n) {
  m_transport.DropPendingSeek();
  std::scoped_lock lock(m_transport.GraphLock());
  return GoToFrameLocked(n);
}

bool PlayerSession::GoToFrameLocked(uint64_t n) { return m_transport.GoToFrameLocked(n); }

// ---- Numbers -------------------------------------------------------------------

// Positions 0..200 spread over frames 1..total: the left end is the first
// frame and the right end the last, whatever the count, and each is the
// nearest of the other (rounded both ways), so a thumb put on a frame's
// position seeks to that very frame. (Frames count from 1: position p times
// total / 200 would put frame 1 of 5 a fifth of the way along and ask for a
// frame 0 at the left end.)
uint32_t PlayerSession::FrameForSliderPos(int pos, uint32_t total) {
  if (total <= 1) return 1;
  const uint64_t p = uint64_t(std::clamp(pos, 0, kSliderMax));
  return uint32_t(1 + (p * (uint64_t(total) - 1) + kSliderMax / 2) / kSliderMax);
}

int PlayerSession::SliderPosForFrame(uint32_t frame, uint32_t total) {
  if (total <= 1) return 0;
  const uint64_t steps = uint64_t(total) - 1;
  const uint64_t f = uint64_t(std::clamp<uint32_t>(frame, 1, total)) - 1;
  return int((f * kSliderMax + steps / 2) / steps);
}

uint64_t PlayerSession::AppendDigit(uint64_t input, int digit) {
  constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
  if (input > (kMax - uint64_t(digit)) / 10) return kMax;
  return input * 10 + uint64_t(digit);
}

void PlayerSession::OnFrameSizeChanged(uint32_t width, uint32_t height) {
  m_look.zoom = Zoom::k100;
  if (!m_transport.Graph() || width == 0 || height == 0) return;
  m_transport.TakeFrameSize(width, height);
  m_look.pictureWidth = width;
  m_look.pictureHeight = height;
  // The view's place is in pixels of the frame before.
  std::scoped_lock lock(m_transport.GraphLock());
  ApplyViewLocked({});
}

void PlayerSession::SeekToSlider(int pos) {
  if (!m_transport.Graph() || m_transport.Total() == 0) return;
  m_transport.RequestSeek(FrameForSliderPos(pos, m_transport.Total()));
}

// ---- Zoom and pan --------------------------------------------------------------

corvane::ViewMapping PlayerSession::MapView(int areaW, int areaH) const { return m_look.MapView(areaW, areaH); }

std::optional<corvane::PixelPos> PlayerSession::FramePixelAt(int x, int y, int areaW, int areaH) const {
  return MapView(areaW, areaH).FramePixelAt(x, y);
}

void PlayerSession::ApplyViewLocked(const corvane::PictureView& view) {
  m_look.view = view;
  m_compare.ApplyLook(m_look);
  corvane::PlaybackGraph* graph = m_transport.Graph();
  if (!graph) return;
  graph->SetView(view);
  // A paused or stopped picture is not presented again by itself.
  if (m_transport.State() != PlayState::Playing && m_transport.State() != PlayState::NoFile) (void)graph->Refresh();
}

bool PlayerSession::ZoomAt(int steps, int x, int y, int areaW, int areaH) {
  if (!m_transport.Graph() || !Allows(when::kFrames)) return false;
  const corvane::PictureView next = corvane::ZoomViewAt(m_look.view, steps, x, y, m_look.PictureRect(areaW, areaH),
                                                        m_look.pictureWidth, m_look.pictureHeight);
  if (next == m_look.view) return false;
  std::scoped_lock lock(m_transport.GraphLock());
  ApplyViewLocked(next);
  return true;
}

bool PlayerSession::PanBy(int dx, int dy, int areaW, int areaH) {
  if (!m_transport.Graph() || !Allows(when::kFrames)) return false;
  const corvane::PictureView next = corvane::PanView(m_look.view, dx, dy, m_look.PictureRect(areaW, areaH),
                                                     m_look.pictureWidth, m_look.pictureHeight);
  if (next == m_look.view) return false;
  std::scoped_lock lock(m_transport.GraphLock());
  ApplyViewLocked(next);
  return true;
}

void PlayerSession::ResetView() {
  std::scoped_lock lock(m_transport.GraphLock());
  if (!m_look.view.IsWhole()) ApplyViewLocked({});
}

PlayerView PlayerSession::View(WindowFacts window) const {
  PlayerView v;
  v.state = m_transport.State();
  v.total = m_transport.Total();
  v.reverse = m_transport.Reverse();
  v.repeat = m_transport.Repeat();
  v.zoom = m_look.zoom;
  v.view = m_look.view;
  v.fullScreen = window.fullScreen;
  v.coordinates = window.coordinatesShown;
  v.statusTicking = m_transport.StatusTicking();
  v.typed = m_typed;
  v.pictureWidth = m_look.pictureWidth;
  v.pictureHeight = m_look.pictureHeight;
  v.colour = m_look.Colour();
  v.chosenColour = m_look.colour;
  v.reference = m_compare.Has();
  v.compareView = m_compare.View();
  v.diffGain = m_compare.DiffGain();
  v.graphSsim = m_compare.GraphSsim();
  v.offset = m_compare.Offset();
  v.region = m_compare.Region();
  if (corvane::PlaybackGraph* graph = m_transport.Graph()) {
    if (const auto n = graph->GetCurrentFrame()) v.frame = *n;
    v.speed = graph->GetSpeed();
    v.component = int(graph->GetComponentMode());
  }
  return v;
}

void PlayerSession::SetAspectMode(AspectMode mode) {
  std::scoped_lock lock(m_transport.GraphLock());
  m_look.aspect = mode;
  corvane::PlaybackGraph* graph = m_transport.Graph();
  if (!graph) return;
  (void)graph->SetAspectMode(int(mode));
  m_compare.SetAspectMode(mode);
  // A paused or stopped picture is not presented again by itself.
  if (m_transport.State() != PlayState::Playing) (void)graph->Refresh();
}

void PlayerSession::SetColourSpace(corvane::ColourSpace colour) {
  std::scoped_lock lock(m_transport.GraphLock());
  m_look.colour = colour;
  ApplyColourSpace();
}

void PlayerSession::ApplyColourSpace() {
  m_compare.SetColourSpace(m_look.Colour());
  corvane::PlaybackGraph* graph = m_transport.Graph();
  if (!graph) return;
  (void)graph->SetColourSpace(m_look.Colour());
  if (m_transport.State() != PlayState::Playing) (void)graph->Refresh();
}

// ---- Opening and closing --------------------------------------------------------

OpenResult PlayerSession::Open(const std::string& path, const DefaultParameters& defaults) {
  return Open(path, defaults, nullptr);
}

void PlayerSession::SetDecodeCache(uint64_t cacheBytes) {
  corvane::DecodeOptions decode;
  decode.cacheBytes = cacheBytes;
  m_transport.SetDecodeOptions(decode);
  m_compare.SetDecodeOptions(decode);
}

OpenResult PlayerSession::Open(const std::string& path, const DefaultParameters& defaults,
                               std::unique_ptr<corvane::VideoFile> file) {
  m_transport.DropPendingSeek();
  std::scoped_lock lock(m_transport.GraphLock());
  CloseLocked();
  if (!m_transport.OpenGraph(path, std::move(file)))
    return {OpenOutcome::kFailed, OpenFailure::kCannotOpen, DiagnoseOpen(path)};
  TakeFileRange();
  if (m_transport.HasRecord()) return ApplyAndRun();
  // Stored defaults outside the custom-size limits (edited by hand) are not
  // used: the user is asked instead, as without defaults.
  if (defaults.use && IsValidCustomSize(defaults.width, defaults.height)) {
    corvane::YUVPara para = m_transport.Para();
    para.width = defaults.width;
    para.height = defaults.height;
    para.format = defaults.format;
    para.frameInterval = corvane::kDefaultFrameInterval;
    m_transport.SetPara(para);
    return ApplyAndRun();
  }
  return {OpenOutcome::kNeedsParameters, OpenFailure::kNone};
}

OpenResult PlayerSession::PlayWith(const corvane::YUVPara& para) {
  std::scoped_lock lock(m_transport.GraphLock());
  if (!m_transport.Graph()) return {OpenOutcome::kFailed, OpenFailure::kCannotOpen};
  m_transport.SetPara(para);
  return ApplyAndRun();
}

void PlayerSession::CancelOpen() {
  std::scoped_lock lock(m_transport.GraphLock());
  m_transport.CancelOpen();
}

OpenResult PlayerSession::ApplyAndRun() {
  m_look.StartPicture(m_transport.Para().width, m_transport.Para().height);
  const OpenResult result = m_transport.ApplyAndRun(m_look);
  if (result.outcome != OpenOutcome::kPlaying) ForgetFile();
  return result;
}

bool PlayerSession::CanSetParameters() const {
  return m_transport.Graph() && m_transport.Graph()->GetSegmentCount() <= 1;
}

OpenResult PlayerSession::Reopen(const corvane::YUVPara& para) {
  m_transport.DropPendingSeek();
  std::scoped_lock lock(m_transport.GraphLock());
  const std::string path = m_transport.Path();
  // B stays, compared afresh with the file's new parameters (its file opened
  // again: the view that held it closes with the file).
  const std::optional<CompareSide> reference = m_compare.Has() ? std::optional(m_compare.Side()) : std::nullopt;
  const CompareView view = m_compare.View();
  CloseLocked();
  if (!m_transport.OpenGraph(path)) return {OpenOutcome::kFailed, OpenFailure::kCannotOpen, DiagnoseOpen(path)};
  TakeFileRange();
  m_transport.SetPara(para);  // the dialog's choice, whatever record the file has now
  const OpenResult result = ApplyAndRun();
  if (result.outcome == OpenOutcome::kPlaying && reference) {
    auto file = corvane::OpenVideoFile(reference->path, corvane::FileAccess::kRead, m_transport.Decode());
    if (file && AttachReference(std::move(*file), *reference).outcome == ReferenceOutcome::kOpened)
      m_compare.SetView(view);
  }
  return result;
}

corvane::YUVPara PlayerSession::ParametersToOffer(const DefaultParameters& defaults,
                                                  std::optional<corvane::NameGuess>* guess) const {
  if (guess) guess->reset();
  // Never the parameters of the file before it.
  if (!m_transport.Graph() || m_transport.HasRecord() || !guess) return m_transport.Para();
  return OfferForNewFile(m_transport.Path(), defaults, guess);
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
  m_transport.DropPendingSeek();
  std::scoped_lock lock(m_transport.GraphLock());
  CloseLocked();
}

void PlayerSession::CloseLocked() {
  m_compare.Close(m_transport.Graph());
  m_transport.CloseLocked();
  ForgetFile();
}

void PlayerSession::TakeFileRange() {
  const corvane::PlaybackGraph* graph = m_transport.Graph();
  const corvane::StreamFacts* facts = graph ? graph->GetStreamFacts() : nullptr;
  m_look.fileRange = facts ? facts->range : std::nullopt;
  m_look.fileMatrix = facts ? facts->matrix : std::nullopt;
}

void PlayerSession::ForgetFile() {
  m_typed = 0;
  m_look.Idle();
}

void PlayerSession::RefreshPictures() {
  std::scoped_lock lock(m_transport.GraphLock());
  if (m_transport.Graph() && m_transport.State() != PlayState::NoFile) (void)m_transport.Graph()->Refresh();
  m_compare.Refresh();
}

}  // namespace session
