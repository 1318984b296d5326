#include "platform/periodic_timer.h"

#include <cassert>

namespace platform {

using Clock = std::chrono::steady_clock;

PeriodicTimer::PeriodicTimer(Tick tick) : m_tick(std::move(tick)) {}

PeriodicTimer::~PeriodicTimer() { Stop(); }

bool PeriodicTimer::Start(uint32_t periodMs) {
  if (periodMs == 0) return false;
  std::scoped_lock control(m_control);
  if (m_thread.joinable()) {
    m_thread.request_stop();
    m_thread.join();
  }
  {
    std::scoped_lock lock(m_mutex);
    m_periodMs = periodMs;
    ++m_periodGeneration;
    m_running = true;
  }
  m_thread = std::jthread([this](std::stop_token stop) { Run(stop); });
  return true;
}

void PeriodicTimer::SetPeriod(uint32_t periodMs) {
  if (periodMs == 0) return;
  {
    std::scoped_lock lock(m_mutex);
    if (m_periodMs == periodMs) return;
    m_periodMs = periodMs;
    ++m_periodGeneration;
  }
  m_wake.notify_all();
}

uint32_t PeriodicTimer::Period() const {
  std::scoped_lock lock(m_mutex);
  return m_periodMs;
}

void PeriodicTimer::Stop() {
  {
    std::scoped_lock lock(m_mutex);
    assert(m_tickThread != std::this_thread::get_id() && "PeriodicTimer::Stop called from its own tick");
  }
  std::scoped_lock control(m_control);
  if (!m_thread.joinable()) return;
  m_thread.request_stop();  // wakes the wait through the stop token
  m_thread.join();
  std::scoped_lock lock(m_mutex);
  m_running = false;
}

void PeriodicTimer::SetSuspended(bool suspended) {
  {
    std::scoped_lock lock(m_mutex);
    if (m_suspended == suspended) return;
    m_suspended = suspended;
    ++m_periodGeneration;
  }
  m_wake.notify_all();
}

bool PeriodicTimer::IsRunning() const {
  std::scoped_lock lock(m_mutex);
  return m_running;
}

void PeriodicTimer::Run(std::stop_token stop) {
  std::unique_lock lock(m_mutex);
  m_tickThread = std::this_thread::get_id();
  uint64_t generation = m_periodGeneration;
  auto period = std::chrono::milliseconds(m_periodMs);
  auto last = Clock::now();  // the previous deadline (the start for the first tick)
  auto deadline = last + period;
  while (!stop.stop_requested()) {
    if (m_suspended) {
      m_wake.wait(lock, stop, [&] { return !m_suspended; });
      if (stop.stop_requested()) break;
      generation = m_periodGeneration;
      period = std::chrono::milliseconds(m_periodMs);
      last = Clock::now();
      deadline = last + period;
    }
    // Waits on the absolute deadline (steady clock, so wall-clock changes do
    // not matter); wakes early only for a stop or a period change.
    const bool woken = m_wake.wait_until(lock, stop, deadline,
                                         [&] { return m_periodGeneration != generation; });
    if (stop.stop_requested()) break;
    if (woken) {
      generation = m_periodGeneration;
      if (m_suspended) continue;
      period = std::chrono::milliseconds(m_periodMs);
      deadline = last + period;
      if (deadline > Clock::now()) continue;
      // The new, shorter period has already run out: tick now.
    }
    lock.unlock();
    m_tick();
    lock.lock();
    last = deadline;
    deadline += period;
    const auto now = Clock::now();
    if (deadline <= now) {
      // Late by a whole period or more: start a new grid instead of firing
      // the missed ticks back to back.
      last = now;
      deadline = now + period;
    }
  }
  m_tickThread = {};
}

}  // namespace platform
