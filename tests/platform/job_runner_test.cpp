#include "platform/job_runner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <future>
#include <mutex>

namespace {

TEST(JobRunner, ReportsProgressAndHandsTheResultOver) {
  platform::JobRunner<int> runner;
  std::promise<void> ended;
  ASSERT_TRUE(runner.Start(
      [](std::stop_token, platform::JobProgress& progress) {
        progress.total = 4;
        for (int i = 1; i <= 4; ++i) progress.done = uint64_t(i);
        return 42;
      },
      [&] { ended.set_value(); }));
  EXPECT_FALSE(runner.Start([](std::stop_token, platform::JobProgress&) { return 0; }));  // one at a time
  ended.get_future().wait();
  EXPECT_TRUE(runner.Ended());
  EXPECT_EQ(runner.Progress().PerMille(), 1000);
  EXPECT_EQ(runner.TakeResult(), 42);
  EXPECT_FALSE(runner.Running());
  EXPECT_FALSE(runner.TakeResult().has_value());  // taken once
}

TEST(JobRunner, CancelReachesTheJobThroughItsStopToken) {
  platform::JobRunner<int> runner;
  std::promise<void> started;
  ASSERT_TRUE(runner.Start([&](std::stop_token stop, platform::JobProgress& progress) {
    progress.total = 100;
    progress.done = 50;
    started.set_value();
    std::mutex m;
    std::condition_variable_any cv;
    std::unique_lock l(m);
    cv.wait(l, stop, [] { return false; });
    return stop.stop_requested() ? -1 : 1;
  }));
  started.get_future().wait();
  EXPECT_EQ(runner.Progress().PerMille(), 500);
  runner.Cancel();
  EXPECT_EQ(runner.TakeResult(), -1);
  // The next job starts afresh.
  ASSERT_TRUE(runner.Start([](std::stop_token, platform::JobProgress&) { return 7; }));
  EXPECT_EQ(runner.Progress().PerMille(), 0);
  EXPECT_EQ(runner.TakeResult(), 7);
}

}  // namespace
