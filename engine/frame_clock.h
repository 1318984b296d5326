// FrameClock: the frame clock. A periodic tick presents the next queued frame
// unless the paused flag is set; speed is nothing but the tick's period.
// The base pace is either a raw file's interval in whole milliseconds (its
// period at a speed: interval ÷ speed truncated to whole milliseconds, as
// it always was) or, for a file that states its rate exactly (a Y4M's
// F30000:1001, StreamFacts::frameRate), that rate: the period is then a
// fraction of nanoseconds and the timer's deadlines carry the remainder, so
// frames shown per second match the rate over any run instead of drifting
// by the rounding.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "formats/video_file.h"
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

  void SetInterval(uint32_t ms);  // base interval; 0 stores kDefaultFrameInterval; no exact rate
  uint32_t GetInterval() const { return m_interval.load(); }
  // Paces by an exact rate, num/den frames a second (an unknown one is
  // ignored); the interval becomes the rate's, rounded to whole ms (at
  // least 1), until SetInterval replaces it.
  void SetRate(Ratio rate);
  std::optional<Ratio> GetRate() const;
  // The tick period at a speed: the exact rate's, or the interval's in
  // whole milliseconds.
  platform::TickPeriod PeriodAt(float speed) const;

  int32_t StartTimer(uint32_t delay);  // nothing when running
  int32_t StopTimer();
  // Retimes the running timer (or starts it). Safe from the tick itself: a
  // segment change detected while presenting retimes the clock it runs on.
  int32_t Restart(uint32_t delay);
  int32_t Restart(platform::TickPeriod period);

  int32_t Start(uint32_t ms);  // clears the paused flag, starts at ms (0: kDefaultFrameInterval)
  int32_t Start(platform::TickPeriod period);  // the same at an exact period
  int32_t Stop();              // stops the timer, sets the paused flag

  void Pause() { SetPaused(true); }
  bool IsPaused() const { return m_paused.load(); }
  void HoldPause();
  void RestorePause();

  // s = 0: nothing. Otherwise the speed becomes s and the timer is retimed
  // to PeriodAt(s); a stopped timer starts (ticking while paused).
  int32_t SetSpeed(float s);
  float GetSpeed() const { return m_speed.load(); }

  bool IsRunning() const { return m_timer.IsRunning(); }
  uint32_t GetPeriod() const { return m_timer.Period(); }  // ms of the running timer, truncated
  platform::TickPeriod GetExactPeriod() const { return m_timer.ExactPeriod(); }

  // Period for a base interval at a speed: truncated, but never below 1 ms
  // (a 1 ms interval at speed 16 would otherwise ask for a 0 ms timer).
  static uint32_t PeriodFor(uint32_t interval, float speed);
  // Period for an exact rate at a speed: (den ÷ num) s ÷ speed, exact for
  // the power-of-two speeds (a speed is taken to 1/65536), never below 1 ms.
  static platform::TickPeriod PeriodFor(Ratio rate, float speed);

 private:
  // The paused flag; a paused clock also stops waking up, since its ticks
  // would do nothing.
  void SetPaused(bool paused);

  std::atomic<uint32_t> m_interval{kDefaultFrameInterval};
  std::atomic<uint64_t> m_rate{0};  // num << 32 | den; 0: none (pace by m_interval)
  std::atomic<float> m_speed{1.0f};
  std::atomic<bool> m_paused{true};
  std::atomic<bool> m_savedPaused{true};
  platform::PeriodicTimer m_timer;
};

}  // namespace corvane
