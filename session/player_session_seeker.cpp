// The player session's numbers (slider positions, the typed frame number)
// and its seeker thread: the slider's seeks, merged so that the last one
// wins, and the steps and tasks that run on it.
#include <algorithm>
#include <limits>
#include <utility>

#include "session/player_session.h"

namespace session {

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
  m_zoom = Zoom::k100;
  if (!m_graph || width == 0 || height == 0) return;
  m_graph->GetPara(&m_para);
  m_pictureWidth = m_para.width = width;
  m_pictureHeight = m_para.height = height;
  // The view's place is in pixels of the frame before.
  std::scoped_lock lock(m_graphLock);
  ApplyViewLocked({});
}

void PlayerSession::SeekToSlider(int pos) {
  if (!m_graph || m_total == 0) return;
  RequestSeek(FrameForSliderPos(pos, m_total));
}

bool PlayerSession::Step(int delta) {
  if (!m_graph) return false;
  {
    // Paused at once; the frame follows on the seeker. Steps come one after
    // another from the frame the last one asked for, so a held key loses
    // none while the seeker is busy.
    std::scoped_lock lock(m_graphLock);
    m_graph->Pause();
  }
  m_state = PlayState::Paused;
  uint32_t from = 0;
  {
    std::scoped_lock lock(m_seekLock);
    from = m_seekBusy ? m_lastSeek : 0;
  }
  if (from == 0) m_graph->GetCurrentFrame(&from);
  // Frame 0 and frames past the end are refused by the engine.
  RequestSeek(delta > 0 ? from + 1 : (from > 0 ? from - 1 : 0));
  return true;
}

bool PlayerSession::WaitForSeeks(std::chrono::milliseconds timeout) {
  std::unique_lock lock(m_seekLock);
  return m_seekIdle.wait_for(lock, timeout, [this] { return !m_seekBusy; });
}

void PlayerSession::RunOnGraph(std::function<void(corvane::PlaybackGraph*)> task) {
  {
    std::scoped_lock lock(m_seekLock);
    m_tasks.push_back(std::move(task));
    m_seekBusy = true;
  }
  m_seekWake.notify_one();
}

void PlayerSession::RequestSeek(uint32_t n) {
  {
    std::scoped_lock lock(m_seekLock);
    m_pendingSeek = n;
    m_lastSeek = n;
    m_seekBusy = true;
    ++m_seekGeneration;
  }
  m_seekWake.notify_one();
}

void PlayerSession::DropPendingSeek() {
  std::scoped_lock lock(m_seekLock);
  m_pendingSeek.reset();
  ++m_seekGeneration;
  if (!m_seekRunning && m_tasks.empty()) {
    m_seekBusy = false;
    m_seekIdle.notify_all();
  }
}

void PlayerSession::SeekDone() {
  std::scoped_lock lock(m_seekLock);
  m_seekRunning = false;
  if (m_pendingSeek || !m_tasks.empty()) return;
  m_seekBusy = false;
  m_seekIdle.notify_all();
}

void PlayerSession::SeekerLoop(std::stop_token stop) {
  while (true) {
    uint32_t n = 0;
    uint64_t generation = 0;
    std::function<void(corvane::PlaybackGraph*)> task;
    {
      std::unique_lock lock(m_seekLock);
      if (!m_seekWake.wait(lock, stop, [this] { return m_pendingSeek.has_value() || !m_tasks.empty(); })) return;
      m_seekRunning = true;
      if (!m_tasks.empty()) {
        task = std::move(m_tasks.front());
        m_tasks.pop_front();
      } else {
        n = *std::exchange(m_pendingSeek, std::nullopt);
        generation = m_seekGeneration;
      }
    }
    if (task) {
      {
        std::scoped_lock graph(m_graphLock);
        task(m_graph.get());
      }
      SeekDone();
      continue;
    }
    {
      std::scoped_lock graph(m_graphLock);
      bool stale = false;
      {
        // A command that came in between (a key, a close) has superseded it.
        std::scoped_lock lock(m_seekLock);
        stale = generation != m_seekGeneration;
      }
      if (!stale && m_graph) {
        const int32_t result = m_graph->SeekToFrame(n);
        if (m_seekDone) m_seekDone(n, result);
      }
    }
    SeekDone();
  }
}

}  // namespace session
