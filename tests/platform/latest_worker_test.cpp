#include "platform/latest_worker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <vector>

namespace {

using namespace std::chrono_literals;

// The requests a worker ran, in order.
struct Log {
  std::mutex lock;
  std::vector<int> ran;
  void Add(int n) {
    std::scoped_lock l(lock);
    ran.push_back(n);
  }
  std::vector<int> Ran() {
    std::scoped_lock l(lock);
    return ran;
  }
};

// Holds the worker inside its first request until the test lets it go.
struct Gate {
  std::promise<void> started;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  void Hold() {  // on the worker
    started.set_value();
    released.wait();
  }
  void AwaitHeld() { started.get_future().wait(); }
  void Open() { release.set_value(); }
};

TEST(LatestWorker, PostsDuringABusyRunCollapseToTheLast) {
  Log log;
  Gate gate;
  platform::LatestWorker<int> worker([&](int n, uint64_t, std::stop_token) {
    if (n == 1) gate.Hold();
    log.Add(n);
  });
  worker.Post(1);
  gate.AwaitHeld();  // 1 runs and holds the worker
  worker.Post(2);
  worker.Post(3);
  worker.Post(4);
  EXPECT_EQ(worker.Latest(), 4);
  gate.Open();
  ASSERT_TRUE(worker.WaitIdle(60s));
  EXPECT_EQ(log.Ran(), (std::vector<int>{1, 4}));
  EXPECT_FALSE(worker.Latest().has_value());  // idle
}

TEST(LatestWorker, QueuedTasksRunBeforeTheRequestWaiting) {
  Log log;
  Gate gate;
  platform::LatestWorker<int> worker([&](int n, uint64_t, std::stop_token) {
    if (n == 1) gate.Hold();
    log.Add(n);
  });
  worker.Post(1);
  gate.AwaitHeld();
  worker.Post(2);
  worker.Queue([&] { log.Add(10); });
  worker.Queue([&] { log.Add(11); });
  gate.Open();
  ASSERT_TRUE(worker.WaitIdle(60s));
  EXPECT_EQ(log.Ran(), (std::vector<int>{1, 10, 11, 2}));
}

TEST(LatestWorker, ADroppedRequestNeverRunsAndTheRunningOneIsSuperseded) {
  Log log;
  Gate gate;
  bool superseded = false;
  platform::LatestWorker<int>* self = nullptr;
  platform::LatestWorker<int> worker([&](int n, uint64_t ticket, std::stop_token) {
    if (n == 1) {
      gate.Hold();
      superseded = self->Superseded(ticket);
    }
    log.Add(n);
  });
  self = &worker;
  worker.Post(1);
  gate.AwaitHeld();
  worker.Post(2);
  worker.DropPending();
  gate.Open();
  ASSERT_TRUE(worker.WaitIdle(60s));
  EXPECT_EQ(log.Ran(), (std::vector<int>{1}));
  EXPECT_TRUE(superseded);
}

TEST(LatestWorker, StopEndsTheRunningRequestAndNothingRunsAfter) {
  Log log;
  std::promise<void> started;
  platform::LatestWorker<int> worker([&](int n, uint64_t, std::stop_token stop) {
    if (n == 1) {
      started.set_value();
      // Runs until told to stop: Stop returning at all shows it was told.
      std::mutex m;
      std::condition_variable_any cv;
      std::unique_lock l(m);
      cv.wait(l, stop, [] { return false; });
    }
    log.Add(n);
  });
  worker.Post(1);
  started.get_future().wait();
  worker.Post(2);  // waiting when the stop comes: never runs
  worker.Stop();
  worker.Post(3);  // after the stop: ignored
  worker.Queue([&] { log.Add(10); });
  EXPECT_FALSE(worker.Busy());
  EXPECT_EQ(log.Ran(), (std::vector<int>{1}));
}

}  // namespace
