// The periodic timer with its real thread. Only bounds that lateness cannot
// break are asserted: ticks never come before their deadline, and after a
// stall the next tick waits a full period (a burst would come at once).
#include "platform/periodic_timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Records tick times; lets a test wait for a number of ticks without sleeping
// for a guessed time.
struct TickLog {
  std::mutex m;
  std::condition_variable cv;
  std::vector<Clock::time_point> times;
  std::function<void(size_t)> onTick;  // runs inside the tick, with the tick's index

  void Tick() {
    size_t index;
    {
      std::scoped_lock lock(m);
      index = times.size();
      times.push_back(Clock::now());
    }
    if (onTick) onTick(index);
    // Recorded again after the callback so that tests see when the tick ended.
    cv.notify_all();
  }
  bool WaitFor(size_t n, std::chrono::milliseconds timeout = 10s) {
    std::unique_lock lock(m);
    return cv.wait_for(lock, timeout, [&] { return times.size() >= n; });
  }
  size_t Count() {
    std::scoped_lock lock(m);
    return times.size();
  }
  std::vector<Clock::time_point> Times() {
    std::scoped_lock lock(m);
    return times;
  }
};

TEST(PeriodicTimer, TicksOnAnAbsoluteGridNeverEarly) {
  TickLog log;
  platform::PeriodicTimer timer([&] { log.Tick(); });
  EXPECT_FALSE(timer.IsRunning());
  const auto start = Clock::now();
  ASSERT_TRUE(timer.Start(3));
  EXPECT_TRUE(timer.IsRunning());
  ASSERT_TRUE(log.WaitFor(20));
  timer.Stop();
  EXPECT_FALSE(timer.IsRunning());
  const auto times = log.Times();
  // Tick k (1-based) is due at start + k periods at the earliest, whether or
  // not earlier ticks came late; times only increase.
  for (size_t k = 0; k < times.size(); ++k) {
    EXPECT_GE(times[k] - start, std::chrono::milliseconds(3 * (k + 1)) - 1ms) << "tick " << k;
    if (k > 0) {
      EXPECT_GT(times[k], times[k - 1]);
    }
  }
}

// The schedule itself, with no thread: k ticks of a fractional period add up
// to k exact periods (never a nanosecond more, at most one less), where a
// period rounded to whole units would drift by k times its rounding.
TEST(TickGrid, DeadlinesCarryTheRemainderAndNeverDrift) {
  struct Case {
    platform::TickPeriod period;
    uint64_t ticks;
    uint64_t lastNs;  // the exact offset of the last tick
  };
  const Case cases[] = {
      {{1'001'000'000'000ull, 30'000}, 30'000, 1'001'000'000'000ull},   // 29.97 fps, 1001 s
      {{1'001'000'000'000ull, 24'000}, 240'000, 10'010'000'000'000ull}, // 23.976 fps
      {{1'001'000'000'000ull, 60'000}, 60'001, 1'001'016'683'333ull},   // 59.94 fps, one tick more
      {platform::TickPeriod::Milliseconds(40), 25, 1'000'000'000ull},
  };
  for (const Case& c : cases) {
    platform::TickGrid grid(c.period);
    const platform::TickPeriod p = c.period.Reduced();
    uint64_t previous = 0, offset = 0;
    for (uint64_t k = 1; k <= c.ticks; ++k) {
      offset = grid.Advance();
      // Each step is the period's whole nanoseconds or one more.
      ASSERT_GE(offset - previous, p.num / p.den);
      ASSERT_LE(offset - previous, p.num / p.den + 1);
      previous = offset;
    }
    EXPECT_EQ(offset, c.lastNs) << c.period.num << "/" << c.period.den;
  }
  // Lowest terms; whole milliseconds truncate.
  EXPECT_EQ((platform::TickPeriod{1'001'000'000'000ull, 30'000}.Reduced()), (platform::TickPeriod{100'100'000, 3}));
  EXPECT_EQ((platform::TickPeriod{100'100'000, 3}.WholeMilliseconds()), 33u);
}

// A fractional period on the real thread: tick k never comes before k exact
// periods. Periods truncated to whole milliseconds (3 ms for 3.33 ms) would
// put tick 60 20 ms early.
TEST(PeriodicTimer, FractionalPeriodTicksOnTheExactGrid) {
  TickLog log;
  platform::PeriodicTimer timer([&] { log.Tick(); });
  const platform::TickPeriod period{10'000'000, 3};
  const auto start = Clock::now();
  ASSERT_TRUE(timer.Start(period));
  EXPECT_EQ(timer.Period(), 3u);
  EXPECT_EQ(timer.ExactPeriod(), period);
  ASSERT_TRUE(log.WaitFor(60));
  timer.Stop();
  const auto times = log.Times();
  for (size_t k = 0; k < times.size(); ++k)
    EXPECT_GE(times[k] - start, std::chrono::nanoseconds(10'000'000 * (k + 1) / 3)) << "tick " << k;
}

TEST(PeriodicTimer, StopJoinsAndRestartTicksAgain) {
  TickLog log;
  platform::PeriodicTimer timer([&] { log.Tick(); });
  ASSERT_TRUE(timer.Start(1));
  ASSERT_TRUE(log.WaitFor(5));
  timer.Stop();
  const size_t afterStop = log.Count();
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(log.Count(), afterStop) << "a tick came after Stop returned";
  timer.Stop();  // a second stop is harmless

  ASSERT_TRUE(timer.Start(1));
  EXPECT_TRUE(log.WaitFor(afterStop + 5));
  // Start on a running timer restarts it.
  ASSERT_TRUE(timer.Start(2));
  EXPECT_EQ(timer.Period(), 2u);
  EXPECT_TRUE(log.WaitFor(log.Count() + 3));
  EXPECT_FALSE(timer.Start(0));
}

TEST(PeriodicTimer, NoBurstAfterALateTick) {
  TickLog log;
  std::atomic<int64_t> stallEnd{0};
  log.onTick = [&](size_t index) {
    if (index == 2) {
      // Stall for twenty periods.
      std::this_thread::sleep_for(100ms);
      stallEnd = Clock::now().time_since_epoch().count();
    }
  };
  platform::PeriodicTimer timer([&] { log.Tick(); });
  ASSERT_TRUE(timer.Start(5));
  ASSERT_TRUE(log.WaitFor(6));
  timer.Stop();
  const auto times = log.Times();
  const Clock::time_point end{Clock::duration(stallEnd.load())};
  // The missed ticks are not fired back to back: the tick after the stall is
  // a whole period after it, and the next one two periods.
  EXPECT_GE(times[3] - end, 5ms - 100us);
  EXPECT_GE(times[4] - end, 10ms - 100us);
}

TEST(PeriodicTimer, ATickALittleLateFiresAtOnceOnTheSameGrid) {
  TickLog log;
  std::atomic<int64_t> longEnd{0};
  log.onTick = [&](size_t index) {
    if (index == 2) {
      // A callback a quarter of a period longer than the period.
      std::this_thread::sleep_for(25ms);
      longEnd = Clock::now().time_since_epoch().count();
    }
  };
  platform::PeriodicTimer timer([&] { log.Tick(); });
  ASSERT_TRUE(timer.Start(20));
  ASSERT_TRUE(log.WaitFor(5));
  timer.Stop();
  const auto times = log.Times();
  const Clock::time_point end{Clock::duration(longEnd.load())};
  // The tick already due comes at once, not a whole period after the long
  // one; the one after it is back on the grid, less than a period later.
  EXPECT_LT(times[3] - end, 10ms);
  EXPECT_LT(times[4] - times[3], 20ms);
}

TEST(PeriodicTimer, PeriodChangesWhileRunning) {
  TickLog log;
  platform::PeriodicTimer timer([&] { log.Tick(); });
  ASSERT_TRUE(timer.Start(1));
  ASSERT_TRUE(log.WaitFor(3));
  timer.SetPeriod(40);
  const auto changed = Clock::now();
  const size_t before = log.Count();
  std::this_thread::sleep_for(200ms);
  const auto times = log.Times();
  size_t after = 0;
  for (size_t k = before; k < times.size(); ++k)
    if (times[k] > changed) ++after;
  // One tick may have been under way at the change and one of the old
  // period already due; at 40 ms no more than 200/40 + 1 deadlines fit,
  // however late their ticks come.
  EXPECT_LE(after, 7u);

  // Back to a short period: ticks come quickly again without waiting out
  // the long one.
  const size_t mark = log.Count();
  timer.SetPeriod(1);
  EXPECT_TRUE(log.WaitFor(mark + 10, 5s));
  timer.Stop();
}

TEST(PeriodicTimer, DestructorStopsARunningTimer) {
  std::atomic<int> ticks{0};
  {
    platform::PeriodicTimer timer([&] { ++ticks; });
    timer.Start(1);
    while (ticks < 2) std::this_thread::sleep_for(1ms);
  }
  const int n = ticks;
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(ticks, n);
}

}  // namespace

namespace {

TEST(PeriodicTimer, SuspendedTimerSleepsUntilResumed) {
  TickLog log;
  platform::PeriodicTimer timer([&] { log.Tick(); });
  ASSERT_TRUE(timer.Start(1));
  ASSERT_TRUE(log.WaitFor(3));
  timer.SetSuspended(true);
  size_t before;
  {
    std::scoped_lock lock(log.m);
    before = log.times.size();
  }
  // At most one tick already under way when the suspension came.
  std::this_thread::sleep_for(50ms);
  size_t during;
  {
    std::scoped_lock lock(log.m);
    during = log.times.size();
  }
  EXPECT_LE(during, before + 1);
  EXPECT_TRUE(timer.IsRunning());
  const auto resumed = Clock::now();
  timer.SetSuspended(false);
  ASSERT_TRUE(log.WaitFor(during + 3));
  std::scoped_lock lock(log.m);
  // The first tick after resuming waits its period; none fire in a burst.
  EXPECT_GE(log.times[during] - resumed, 1ms);
  timer.SetSuspended(true);
}

}  // namespace
