// LatestWorker: one thread that runs the latest request posted to it. A
// request posted while another waits replaces it (the one waiting never
// runs); the one running finishes first. Tasks queued beside the requests
// all run, in order, before the request waiting. The seeker (the slider's
// seeks, steps and stills), the reference view (the frame B shows) and the
// parameter dialog's preview share it.
//
// Threads: Post, Queue, DropPending, Latest, Superseded, Busy and WaitIdle
// from any thread; the run function and the tasks on the worker. Stop (and
// the destructor) must not be called from the worker itself. Locks: the
// worker's lock is a leaf; it is never held while a request or a task runs,
// so both may take any lock of their owner and post again.
//
// The owner declares the worker after everything its run function touches
// (or stops it first in its destructor): the worker must end before them.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <utility>

namespace platform {

template <class Request>
class LatestWorker {
 public:
  // Runs one request on the worker. `ticket` names this posting (see
  // Superseded); `stop` is set once Stop is called, so a long run can end early.
  using RunFunction = std::function<void(Request request, uint64_t ticket, std::stop_token stop)>;

  explicit LatestWorker(RunFunction run)
      : m_run(std::move(run)), m_thread([this](std::stop_token stop) { Loop(stop); }) {}
  ~LatestWorker() { Stop(); }
  LatestWorker(const LatestWorker&) = delete;
  LatestWorker& operator=(const LatestWorker&) = delete;

  // Replaces the request waiting, if any. Ignored once stopped.
  void Post(Request request) {
    {
      std::scoped_lock lock(m_lock);
      if (m_stopped) return;
      m_pending = request;
      m_latest = std::move(request);
      m_busy = true;
      ++m_ticket;
    }
    m_wake.notify_one();
  }

  // Runs `task` on the worker after the one running and before the request
  // waiting; tasks are never replaced. Ignored once stopped.
  void Queue(std::function<void()> task) {
    {
      std::scoped_lock lock(m_lock);
      if (m_stopped) return;
      m_tasks.push_back(std::move(task));
      m_busy = true;
    }
    m_wake.notify_one();
  }

  // Discards the request waiting; the one running is superseded (it may ask
  // Superseded and leave its work undone). Queued tasks stay.
  void DropPending() {
    std::scoped_lock lock(m_lock);
    m_pending.reset();
    ++m_ticket;
    if (!m_running && m_tasks.empty()) SetIdle();
  }

  // Whether a request was posted or dropped after the one with `ticket`.
  bool Superseded(uint64_t ticket) const {
    std::scoped_lock lock(m_lock);
    return ticket != m_ticket;
  }

  // The last request posted, while the worker has anything to do (a request
  // waiting or running, or a task); none when idle.
  std::optional<Request> Latest() const {
    std::scoped_lock lock(m_lock);
    return m_busy ? m_latest : std::nullopt;
  }

  bool Busy() const {
    std::scoped_lock lock(m_lock);
    return m_busy;
  }

  // Waits until nothing waits or runs; false on timeout.
  bool WaitIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_lock);
    return m_idle.wait_for(lock, timeout, [this] { return !m_busy; });
  }

  // Sets the running request's stop token, waits for it and ends the thread;
  // nothing waiting runs, and nothing posted later. Idempotent.
  void Stop() {
    {
      std::scoped_lock lock(m_lock);
      m_stopped = true;
      m_pending.reset();
      m_tasks.clear();
    }
    m_thread.request_stop();
    if (m_thread.joinable()) m_thread.join();
    std::scoped_lock lock(m_lock);
    m_running = false;
    SetIdle();
  }

 private:
  void SetIdle() {
    m_busy = false;
    m_idle.notify_all();
  }

  void Loop(std::stop_token stop) {
    for (;;) {
      std::optional<Request> request;
      std::function<void()> task;
      uint64_t ticket = 0;
      {
        std::unique_lock lock(m_lock);
        m_wake.wait(lock, stop, [this] { return m_pending.has_value() || !m_tasks.empty(); });
        if (stop.stop_requested()) return;
        m_running = true;
        if (!m_tasks.empty()) {
          task = std::move(m_tasks.front());
          m_tasks.pop_front();
        } else {
          request = std::exchange(m_pending, std::nullopt);
          ticket = m_ticket;
        }
      }
      if (task)
        task();
      else
        m_run(std::move(*request), ticket, stop);
      std::scoped_lock lock(m_lock);
      m_running = false;
      if (!m_pending && m_tasks.empty()) SetIdle();
    }
  }

  const RunFunction m_run;
  mutable std::mutex m_lock;
  std::condition_variable_any m_wake;
  std::condition_variable_any m_idle;
  std::optional<Request> m_pending;           // guarded by m_lock
  std::optional<Request> m_latest;            // guarded by m_lock: the last posted
  std::deque<std::function<void()>> m_tasks;  // guarded by m_lock
  uint64_t m_ticket = 0;                      // guarded by m_lock: moves on with every post and drop
  bool m_busy = false;                        // guarded by m_lock: anything waiting or running
  bool m_running = false;                     // guarded by m_lock
  bool m_stopped = false;                     // guarded by m_lock
  std::jthread m_thread;                      // last: it starts once everything above exists
};

}  // namespace platform
