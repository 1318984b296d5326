// FrameClock: the frame clock. A periodic tick presents the next queued frame
// unless the paused flag is set; speed is nothing but the tick's period,
// base interval ÷ speed truncated to whole milliseconds.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "formats/yuv_format.h"
#include "platform/periodic_timer.h"

namespace corvane {

class FrameClock {
 public:
  // tick runs on the timer's thread once per period while the timer runs and
  // is not paused; it is given the timer, so that it never needs to read the
  // owner's pointer to it (which its owner may be resetting).
  explicit FrameClock(std::function<void(const FrameClock&)> tick);
  virtual ~FrameClock();  // StopTimer
  FrameClock(const FrameClock&) = delete;
  FrameClock& operator=(const FrameClock&) = delete;

  void SetInterval(uint32_t ms);  // base interval; 0 stores kDefaultFrameInterval
  uint32_t GetInterval() const { return m_interval.load(); }

  int32_t StartTimer(uint32_t delay);  // nothing when running
  int32_t StopTimer();
  // Retimes the running timer (or starts it). Safe from the tick itself: a
  // segment change detected while presenting retimes the clock it runs on.
  int32_t Restart(uint32_t delay);

  int32_t Start(uint32_t ms);  // clears the paused flag, starts at ms (0: kDefaultFrameInterval)
  int32_t Stop();              // stops the timer, sets the paused flag

  void Pause() { SetPaused(true); }
  bool IsPaused() const { return m_paused.load(); }
  void HoldPause();
  void RestorePause();

  // s = 0: nothing. Otherwise the speed becomes s and the timer is retimed
  // to base ÷ s; a stopped timer starts (ticking while paused).
  int32_t SetSpeed(float s);
  float GetSpeed() const { return m_speed.load(); }

  bool IsRunning() const { return m_timer.IsRunning(); }
  uint32_t GetPeriod() const { return m_timer.Period(); }  // ms of the running timer

  // Period for a base interval at a speed: truncated, but never below 1 ms
  // (a 1 ms interval at speed 16 would otherwise ask for a 0 ms timer).
  static uint32_t PeriodFor(uint32_t interval, float speed);

 private:
  // The paused flag; a paused clock also stops waking up, since its ticks
  // would do nothing.
  void SetPaused(bool paused);

  std::atomic<uint32_t> m_interval{kDefaultFrameInterval};
  std::atomic<float> m_speed{1.0f};
  std::atomic<bool> m_paused{true};
  std::atomic<bool> m_savedPaused{true};
  platform::PeriodicTimer m_timer;
};

}  // namespace corvane
