#include "session/transport.h"

#include <algorithm>
#include <span>
#include <utility>

#include "formats/result_codes.h"
#include "formats/trailer.h"

namespace session {

using corvane::kOk;

Transport::Transport(platform::VideoWindow* picture, platform::FrameSizeListener* sizes)
    : m_picture(picture), m_sizes(sizes), m_seeker([this](uint32_t n, uint64_t ticket, std::stop_token) {
        SeekNow(n, ticket);
      }) {}

Transport::~Transport() {
  StopSeeker();  // joined: no seek runs from here on
  // The graph's threads present into the window: they end before it goes.
  if (m_graph) {
    m_graph->SetNotifyWindow(nullptr);
    (void)m_graph->Close();
  }
}

// ---- Play commands -------------------------------------------------------------

void Transport::Play() {
  if (m_state == PlayState::Stopped || m_state == PlayState::NoFile) m_statusTicking = true;
  if (!m_graph) return;
  (void)m_graph->Run();
  (void)m_graph->SetRepeat(m_repeat);
  (void)m_graph->SetSpeed(m_graph->GetSpeed());  // the speed chosen before applies again
  m_state = PlayState::Playing;
}

void Transport::Pause() {
  if (!m_graph) return;
  (void)m_graph->Pause();
  m_state = PlayState::Paused;
}

void Transport::Stop() {
  ++m_stops;
  m_statusTicking = false;
  if (!m_graph) return;
  (void)m_graph->Stop();
  m_state = PlayState::Stopped;
}

void Transport::SetRepeat(bool on) {
  std::scoped_lock lock(m_graphLock);
  SetRepeatLocked(on);
}

void Transport::SetRepeatLocked(bool on) {
  m_repeat = on;
  if (m_graph) (void)m_graph->SetRepeat(on);
}

bool Transport::ToggleReverse() {
  if (!m_graph || !m_graph->SetReverse(!m_reverse)) return false;
  m_reverse = !m_reverse;
  return true;
}

bool Transport::GoToFrameLocked(uint64_t n) {
  // A number beyond the last possible frame stays beyond it: saturated,
  // never wrapped onto a small frame number. Seeks need a running reader.
  if (!m_graph || m_state == PlayState::Stopped) return false;
  return bool(m_graph->SeekToFrame(uint32_t(std::min<uint64_t>(n, UINT32_MAX))));
}

std::optional<FrameFacts> Transport::FactsOf(uint32_t n) const {
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
  if (const corvane::StreamFacts* facts = m_graph->GetStreamFacts()) {
    f.rate = facts->frameRate;
    f.interlacing = facts->interlacing;
    AddCodedFacts(facts, m_graph->GetCodedFrame(n), f);
    f.decodeFailed = m_graph->DecodeFailedAt(n);
  }
  f.behind = m_state == PlayState::Playing && m_graph->FallingBehind();
  return f;
}

void AddCodedFacts(const corvane::StreamFacts* stream, std::optional<corvane::CodedFrame> frame, FrameFacts& facts) {
  if (!stream || stream->codec.empty()) return;
  facts.codec = stream->codec;
  facts.transfer = stream->transfer;
  if (stream->converted) facts.convertedFrom = stream->decodedFormat;
  if (frame) {
    facts.type = frame->type;
    facts.key = frame->key;
    facts.bytes = frame->bytes;
  }
}

void Transport::TakeFrameSize(uint32_t width, uint32_t height) {
  m_graph->GetPara(&m_para);
  m_para.width = width;
  m_para.height = height;
}

// ---- Opening and closing --------------------------------------------------------

bool Transport::OpenGraph(const std::string& path, std::unique_ptr<corvane::VideoFile> file) {
  CloseLocked();
  m_graph = std::make_unique<corvane::PlaybackGraph>(m_picture);
  m_graph->SetNoticeHandler([this](corvane::Notice n) {
    if (m_notice) m_notice(n);
  });
  m_path = path;
  corvane::YUVPara first{};
  const auto opened = file ? m_graph->OpenFile(std::move(file)) : m_graph->OpenFile(path, m_decode);
  if (!opened) {
    m_graph.reset();
    return false;
  }
  const auto record = m_graph->ReadFilePara(std::span<corvane::YUVPara>(&first, 1), false);
  if (!record) {
    m_graph.reset();
    return false;
  }
  m_readOnly = opened->readOnly;
  m_fixed = record->fromHeader;
  m_hasRecord = record->hasTrailer || record->fromHeader;
  if (m_hasRecord) m_para = first;
  return true;
}

void Transport::CancelOpen() {
  if (!m_graph) return;
  (void)m_graph->Close();
  m_graph.reset();
}

OpenResult Transport::ApplyAndRun(const ViewState& look) {
  m_graph->SetView(look.view);
  // Parameters the engine cannot apply never leave the player claiming to
  // play: the file is closed.
  if (!m_graph->SetPara(&m_para, m_picture)) {
    const OpenProblem why = DiagnoseParameters(m_para, m_graph->MemoryLimit());
    CloseLocked();
    return {OpenOutcome::kFailed, OpenFailure::kCannotPlay, why};
  }
  m_total = m_graph->GetFileInfo().value_or(corvane::FileInfo{}).frameCount;
  if (m_total == 0) {
    CloseLocked();
    return {OpenOutcome::kFailed, OpenFailure::kTooShort};
  }
  m_segments.reset();
  if (m_graph->GetSegmentCount() > 1 && m_graph->GetFileHandle())
    m_segments.emplace(corvane::ReadTrailer(*m_graph->GetFileHandle()), m_para, true);
  m_graph->SetNotifyWindow(m_sizes);
  (void)m_graph->SetRepeat(m_repeat);
  (void)m_graph->SetAspectMode(int(look.aspect));
  (void)m_graph->SetColourSpace(look.Colour());
  m_statusTicking = true;
  (void)m_graph->Run();
  m_state = PlayState::Playing;
  return {OpenOutcome::kPlaying, OpenFailure::kNone};
}

void Transport::CloseLocked() {
  Stop();
  if (m_graph) {
    m_graph->SetNotifyWindow(nullptr);
    (void)m_graph->Close();
    m_graph->Release();
    m_graph.reset();
  }
  m_reverse = false;
  m_fixed = false;
  m_state = PlayState::NoFile;
  m_segments.reset();
}

// ---- The seeker -------------------------------------------------------------------

bool Transport::Step(int delta) {
  if (!m_graph) return false;
  // Steps come one after another from the frame the last one asked for, so
  // a held key loses none while the seeker is busy. Asked before the cut
  // below: the step it cuts short counts as asked for.
  uint32_t from = m_seeker.Latest().value_or(0);
  {
    // Paused at once; the frame follows on the seeker. The seeker's drawing
    // of the step before is cut short, not waited for (a huge frame's takes
    // a second): the newest step is the one shown.
    m_graph->CancelPresentation();
    std::scoped_lock lock(m_graphLock);
    (void)m_graph->Pause();
  }
  m_state = PlayState::Paused;
  if (from == 0) from = m_graph->GetCurrentFrame().value_or(0);
  // Frame 0 and frames past the end are refused by the engine.
  RequestSeek(delta > 0 ? from + 1 : (from > 0 ? from - 1 : 0));
  return true;
}

bool Transport::WaitForSeeks(std::chrono::milliseconds timeout) { return m_seeker.WaitIdle(timeout); }

void Transport::RunOnGraph(std::function<void(corvane::PlaybackGraph*)> task) {
  m_seeker.Queue([this, task = std::move(task)] {
    std::scoped_lock graph(m_graphLock);
    task(m_graph.get());
  });
}

void Transport::RequestSeek(uint32_t n) { m_seeker.Post(n); }

void Transport::DropPendingSeek() {
  m_seeker.DropPending();
  // The seek under way holds the graph lock while it draws: cut it short.
  if (m_graph) m_graph->CancelPresentation();
}

void Transport::SeekNow(uint32_t n, uint64_t ticket) {
  std::scoped_lock graph(m_graphLock);
  // A command that came in between (a key, a close) has superseded it.
  if (m_seeker.Superseded(ticket) || !m_graph) return;
  const int32_t result = CodeOf(m_graph->SeekToFrame(n));
  if (m_seekDone) m_seekDone(n, result);
}

}  // namespace session
