#include "engine/frame_clock.h"

#include "formats/result_codes.h"

namespace corvane {

FrameClock::FrameClock(std::function<void(const FrameClock&)> tick)
    : m_timer([this, tick = std::move(tick)] {
        if (!m_paused.load()) tick(*this);
      }) {
  m_timer.SetSuspended(true);  // the clock starts paused
}

FrameClock::~FrameClock() { StopTimer(); }

void FrameClock::SetInterval(uint32_t ms) { m_interval = ms == 0 ? kDefaultFrameInterval : ms; }

uint32_t FrameClock::PeriodFor(uint32_t interval, float speed) {
  if (speed <= 0) return interval;
  const double period = double(interval) / double(speed);
  if (period < 1.0) return 1;
  if (period > double(UINT32_MAX)) return UINT32_MAX;
  return uint32_t(period);
}

int32_t FrameClock::StartTimer(uint32_t delay) {
  if (m_timer.IsRunning()) return kOk;
  if (delay == 0) delay = 1;
  return m_timer.Start(delay) ? kOk : kGeneralFail;
}

int32_t FrameClock::StopTimer() {
  m_timer.Stop();
  return kOk;
}

int32_t FrameClock::Restart(uint32_t delay) {
  if (delay == 0) delay = 1;
  if (m_timer.IsRunning()) {
    m_timer.SetPeriod(delay);
    return kOk;
  }
  return StartTimer(delay);
}

void FrameClock::SetPaused(bool paused) {
  m_paused = paused;
  m_timer.SetSuspended(paused);
}

int32_t FrameClock::Start(uint32_t ms) {
  SetPaused(false);
  return StartTimer(ms == 0 ? kDefaultFrameInterval : ms);
}

int32_t FrameClock::Stop() {
  const int32_t r = StopTimer();
  SetPaused(true);
  return r;
}

void FrameClock::HoldPause() {
  m_savedPaused = m_paused.load();
  SetPaused(true);
}

void FrameClock::RestorePause() { SetPaused(m_savedPaused.load()); }

int32_t FrameClock::SetSpeed(float s) {
  if (s == 0) return kOk;
  m_speed = s;
  return Restart(PeriodFor(m_interval, s));
}

}  // namespace corvane
