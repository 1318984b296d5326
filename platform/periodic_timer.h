// A periodic tick on its own thread, standing in for the 1 ms multimedia
// timer. Deadlines are absolute points on steady_clock, one period apart, so
// the tick does not drift with the time the callback takes. The period is a
// fraction of nanoseconds, so a rate such as 30000/1001 frames a second
// (33.3667 ms) is kept exactly rather than rounded to whole milliseconds. A tick that comes
// late (the callback ran long, the machine was busy) does not make the timer
// catch up with a burst of ticks: a deadline missed by less than a period
// fires at once, on the same grid; one missed by more re-bases the grid to
// one period after now.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

namespace platform {

// A period of num/den nanoseconds, kept as a fraction: 1001/30000 s is
// 100100000/3 ns, which no whole number of any unit holds.
struct TickPeriod {
  uint64_t num = 0;
  uint64_t den = 1;

  static constexpr TickPeriod Milliseconds(uint32_t ms) { return {uint64_t(ms) * 1'000'000u, 1}; }
  bool IsZero() const { return num == 0 || den == 0; }
  // Lowest terms, with den small enough for TickGrid's carry (2^62 at most;
  // a larger one is halved with num until it fits, a loss below a
  // nanosecond in 2^62 periods).
  TickPeriod Reduced() const;
  uint32_t WholeMilliseconds() const;  // truncated, saturated
  friend bool operator==(const TickPeriod&, const TickPeriod&) = default;
};

// The deadlines of one period counted from an origin: deadline k lies
// floor(k × num / den) ns after it. The remainder is carried from tick to
// tick, so k periods are never more than a nanosecond short of k exact ones,
// however long the run.
class TickGrid {
 public:
  explicit TickGrid(TickPeriod period);
  // The next deadline's distance from the origin, in nanoseconds.
  uint64_t Advance();

 private:
  uint64_t m_whole;  // whole nanoseconds of a period
  uint64_t m_rest;   // and its remainder, in 1/m_den nanoseconds
  uint64_t m_den;
  uint64_t m_offset = 0;
  uint64_t m_carry = 0;  // below m_den
};

class PeriodicTimer {
 public:
  using Tick = std::function<void()>;

  // tick runs on the timer's own thread, never two at once.
  explicit PeriodicTimer(Tick tick);
  ~PeriodicTimer();  // Stop()
  PeriodicTimer(const PeriodicTimer&) = delete;
  PeriodicTimer& operator=(const PeriodicTimer&) = delete;

  // Starts ticking every periodMs milliseconds; the first tick comes one
  // period after the call. A running timer is stopped first. Returns false
  // (and does nothing) for a period of 0.
  bool Start(uint32_t periodMs);
  bool Start(TickPeriod period);

  // Changes the period of a running (or the next started) timer. The next
  // deadline becomes the last deadline plus the new period, so a shorter
  // period takes effect at once and a longer one does not skip a tick early.
  // Ignored for 0.
  void SetPeriod(uint32_t periodMs);
  void SetPeriod(TickPeriod period);
  uint32_t Period() const;  // whole milliseconds, truncated
  TickPeriod ExactPeriod() const;

  // Stops the thread and waits for it to end: when Stop returns no tick is
  // running and none will come. Callable from any thread except from inside
  // the tick itself (the thread cannot wait for itself; this is asserted).
  void Stop();

  bool IsRunning() const;

  // A suspended timer keeps running but sleeps without ticking until it is
  // resumed; it then ticks one period after the resumption. Lets a paused
  // player cost no wake-ups at all.
  void SetSuspended(bool suspended);

 private:
  void Run(std::stop_token stop);

  const Tick m_tick;

  // Lock order: m_control, then m_mutex. m_control serialises Start/Stop so
  // that two threads never join or replace the thread at once; m_mutex is held
  // only briefly and never while the tick runs.
  std::mutex m_control;
  mutable std::mutex m_mutex;
  std::condition_variable_any m_wake;  // with m_mutex: period change or stop
  TickPeriod m_period{};              // guarded by m_mutex; reduced
  uint64_t m_periodGeneration = 0;    // guarded by m_mutex; bumped by SetPeriod
  bool m_running = false;             // guarded by m_mutex
  bool m_suspended = false;           // guarded by m_mutex
  std::thread::id m_tickThread;        // guarded by m_mutex; for the Stop assertion

  std::jthread m_thread;  // guarded by m_control
};

}  // namespace platform
