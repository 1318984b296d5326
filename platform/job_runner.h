// JobRunner: one long job at a time (a cut, a splice, the quality track's
// comparison) on a thread of its own, with progress, cancel and a result.
// The job reports progress through two atomics anyone may read, is cancelled
// through its std::stop_token (it looks at the token between pieces of work
// and returns early), and returns its result, which the owner takes once it
// has ended. An optional callback tells the owner on the job's thread that
// the result is there (a window marshals it to its own thread).
//
// Threads: Start, Cancel, Wait and TakeResult from the owner's thread; the
// progress and Ended from any thread. The destructor cancels and waits.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <utility>

namespace platform {

// How far a job is: `done` of `total` units (bytes, frames). Total 0: not yet known.
struct JobProgress {
  std::atomic<uint64_t> done{0};
  std::atomic<uint64_t> total{0};
  // Per mille done, 0 while the total is unknown.
  int PerMille() const {
    const uint64_t t = total.load(std::memory_order_acquire);
    const uint64_t d = done.load(std::memory_order_acquire);
    return t == 0 ? 0 : int(std::min<uint64_t>(d * 1000 / t, 1000));
  }
};

template <class Result>
class JobRunner {
 public:
  using Job = std::function<Result(std::stop_token stop, JobProgress& progress)>;

  JobRunner() = default;
  ~JobRunner() {
    Cancel();
    Wait();
  }
  JobRunner(const JobRunner&) = delete;
  JobRunner& operator=(const JobRunner&) = delete;

  // Starts `job`; `ended` runs on the job's thread after its result is kept.
  // False while a job runs or its result has not been taken (TakeResult or Wait).
  bool Start(Job job, std::function<void()> ended = {}) {
    if (m_thread.joinable()) return false;
    m_progress.done = 0;
    m_progress.total = 0;
    {
      std::scoped_lock lock(m_lock);
      m_result.reset();
    }
    m_thread = std::jthread([this, job = std::move(job), ended = std::move(ended)](std::stop_token stop) {
      Result result = job(stop, m_progress);
      {
        std::scoped_lock lock(m_lock);
        m_result = std::move(result);
      }
      if (ended) ended();
    });
    return true;
  }

  // Asks the job to stop; it returns at its next look at the token.
  void Cancel() { m_thread.request_stop(); }
  // Waits for the job to end (its result stays until taken or the next Start).
  void Wait() {
    if (m_thread.joinable()) m_thread.join();
  }
  // A job was started and not yet waited for (it may have ended).
  bool Running() const { return m_thread.joinable(); }
  // A job was started and has returned its result.
  bool Ended() const {
    std::scoped_lock lock(m_lock);
    return m_result.has_value();
  }
  // Waits for the job and hands its result over (none without a job).
  std::optional<Result> TakeResult() {
    Wait();
    std::scoped_lock lock(m_lock);
    return std::exchange(m_result, std::nullopt);
  }

  const JobProgress& Progress() const { return m_progress; }

 private:
  JobProgress m_progress;
  mutable std::mutex m_lock;
  std::optional<Result> m_result;  // guarded by m_lock
  std::jthread m_thread;           // last: joined before the rest goes
};

}  // namespace platform
