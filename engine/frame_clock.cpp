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

namespace {

using u128 = unsigned __int128;

u128 Gcd(u128 a, u128 b) {
  while (b != 0) {
    const u128 t = a % b;
    a = b;
    b = t;
  }
  return a;
}

constexpr uint64_t kNsPerSecond = 1'000'000'000;
constexpr uint64_t kSpeedScale = 65536;  // speeds as p / 65536

// The interval of a known rate, rounded to whole milliseconds, at least 1.
uint32_t RoundedInterval(Ratio rate) {
  const uint64_t ms = (uint64_t(rate.den) * 1000 + rate.num / 2) / rate.num;
  return ms == 0 ? 1 : ms > UINT32_MAX ? UINT32_MAX : uint32_t(ms);
}

}  // namespace

void FrameClock::SetInterval(uint32_t ms) {
  m_rate = 0;
  m_interval = ms == 0 ? kDefaultFrameInterval : ms;
}

void FrameClock::SetRate(Ratio rate) {
  if (!rate.Known()) return;
  m_interval = RoundedInterval(rate);
  m_rate = uint64_t(rate.num) << 32 | rate.den;
}

std::optional<Ratio> FrameClock::GetRate() const {
  const uint64_t r = m_rate.load();
  if (r == 0) return std::nullopt;
  return Ratio{uint32_t(r >> 32), uint32_t(r)};
}

platform::TickPeriod FrameClock::PeriodAt(float speed) const {
  if (const auto rate = GetRate()) return PeriodFor(*rate, speed);
  return platform::TickPeriod::Milliseconds(PeriodFor(m_interval.load(), speed));
}

platform::TickPeriod FrameClock::PeriodFor(Ratio rate, float speed) {
  if (!rate.Known()) return platform::TickPeriod::Milliseconds(kDefaultFrameInterval);
  uint64_t p = kSpeedScale;
  if (speed > 0) {
    const double scaled = double(speed) * double(kSpeedScale);
    p = scaled < 1.0 ? 1 : scaled > double(UINT32_MAX) ? UINT32_MAX : uint64_t(scaled + 0.5);
  }
  // Seconds per frame den/num at speed p/65536: den × 1e9 × 65536 / (num × p) ns.
  u128 n = u128(rate.den) * kNsPerSecond * kSpeedScale, d = u128(rate.num) * p;
  const u128 g = Gcd(n, d);
  n /= g;
  d /= g;
  if (n < d * 1'000'000) return platform::TickPeriod::Milliseconds(1);
  while (n > UINT64_MAX || d > UINT64_MAX) {  // keep the fraction in 64 bits
    n >>= 1;
    d >>= 1;
  }
  return platform::TickPeriod{uint64_t(n), uint64_t(d == 0 ? 1 : d)}.Reduced();
}

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

int32_t FrameClock::Restart(platform::TickPeriod period) {
  if (period.IsZero()) period = platform::TickPeriod::Milliseconds(1);
  if (m_timer.IsRunning()) {
    m_timer.SetPeriod(period);
    return kOk;
  }
  return m_timer.Start(period) ? kOk : kGeneralFail;
}

void FrameClock::SetPaused(bool paused) {
  m_paused = paused;
  m_timer.SetSuspended(paused);
}

int32_t FrameClock::Start(uint32_t ms) {
  SetPaused(false);
  return StartTimer(ms == 0 ? kDefaultFrameInterval : ms);
}

int32_t FrameClock::Start(platform::TickPeriod period) {
  SetPaused(false);
  if (m_timer.IsRunning()) return kOk;
  return m_timer.Start(period.IsZero() ? platform::TickPeriod::Milliseconds(kDefaultFrameInterval) : period) ? kOk
                                                                                                           : kGeneralFail;
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
  return Restart(PeriodAt(s));
}

}  // namespace corvane
