#include "platform/periodic_timer.h"

#include <cassert>
#include <numeric>

namespace platform {

using Clock = std::chrono::steady_clock;

TickPeriod TickPeriod::Reduced() const {
  if (IsZero()) return {};
  const uint64_t g = std::gcd(num, den);
  TickPeriod r{num / g, den / g};
  constexpr uint64_t kMaxDen = uint64_t(1) << 62;
  while (r.den > kMaxDen) {
    r.num >>= 1;
    r.den >>= 1;
  }
  if (r.num == 0) r.num = 1;
  return r;
}

uint32_t TickPeriod::WholeMilliseconds() const {
  if (IsZero()) return 0;
  const uint64_t ms = num / den / 1'000'000u;
  return ms > UINT32_MAX ? UINT32_MAX : uint32_t(ms);
}

TickGrid::TickGrid(TickPeriod period) {
  const TickPeriod p = period.Reduced();
  m_den = p.IsZero() ? 1 : p.den;
  m_whole = p.num / m_den;
  m_rest = p.num % m_den;
}

uint64_t TickGrid::Advance() {
  m_offset += m_whole;
  m_carry += m_rest;  // below 2 × m_den <= 2^63: no overflow
  if (m_carry >= m_den) {
    m_carry -= m_den;
    ++m_offset;
  }
  return m_offset;
}

PeriodicTimer::PeriodicTimer(Tick tick) : m_tick(std::move(tick)) {}

PeriodicTimer::~PeriodicTimer() { Stop(); }

bool PeriodicTimer::Start(uint32_t periodMs) { return Start(TickPeriod::Milliseconds(periodMs)); }

bool PeriodicTimer::Start(TickPeriod period) {
  if (period.IsZero()) return false;
  std::scoped_lock control(m_control);
  if (m_thread.joinable()) {
    m_thread.request_stop();
    m_thread.join();
  }
  {
    std::scoped_lock lock(m_mutex);
    m_period = period.Reduced();
    ++m_periodGeneration;
    m_running = true;
  }
  m_thread = std::jthread([this](std::stop_token stop) { Run(stop); });
  return true;
}

void PeriodicTimer::SetPeriod(uint32_t periodMs) { SetPeriod(TickPeriod::Milliseconds(periodMs)); }

void PeriodicTimer::SetPeriod(TickPeriod period) {
  if (period.IsZero()) return;
  period = period.Reduced();
  {
    std::scoped_lock lock(m_mutex);
    if (m_period == period) return;
    m_period = period;
    ++m_periodGeneration;
  }
  m_wake.notify_all();
}

uint32_t PeriodicTimer::Period() const { return ExactPeriod().WholeMilliseconds(); }

TickPeriod PeriodicTimer::ExactPeriod() const {
  std::scoped_lock lock(m_mutex);
  return m_period;
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
  // Deadlines are origin + the grid's offsets; a new period or a late tick
  // starts a new grid at the last deadline or at now.
  Clock::time_point origin = Clock::now();
  TickGrid grid(m_period);
  Clock::time_point last = origin;  // the previous deadline (the start for the first tick)
  auto next = [&] { return origin + std::chrono::nanoseconds(grid.Advance()); };
  auto rebase = [&](Clock::time_point from) {
    origin = last = from;
    grid = TickGrid(m_period);
    return next();
  };
  Clock::time_point deadline = next();
  while (!stop.stop_requested()) {
    if (m_suspended) {
      m_wake.wait(lock, stop, [&] { return !m_suspended; });
      if (stop.stop_requested()) break;
      generation = m_periodGeneration;
      deadline = rebase(Clock::now());
    }
    // Waits on the absolute deadline (steady clock, so wall-clock changes do
    // not matter); wakes early only for a stop or a period change.
    const bool woken = m_wake.wait_until(lock, stop, deadline,
                                         [&] { return m_periodGeneration != generation; });
    if (stop.stop_requested()) break;
    if (woken) {
      generation = m_periodGeneration;
      if (m_suspended) continue;
      deadline = rebase(last);
      if (deadline > Clock::now()) continue;
      // The new, shorter period has already run out: tick now.
    }
    lock.unlock();
    m_tick();
    lock.lock();
    last = deadline;
    deadline = next();
    const auto now = Clock::now();
    if (deadline <= now && now - deadline >= deadline - last) {
      // Late by two periods or more: start a new grid instead of firing the
      // missed ticks back to back. A tick whose callback ran a little longer
      // than a period (a 4K frame drawn at 16 times) lets the next one, already
      // due, fire at once on the same grid, one tick and no burst: waiting
      // for a new grid would show half the frames.
      deadline = rebase(now);
    }
  }
  m_tickThread = {};
}

}  // namespace platform
