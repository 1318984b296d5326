#include "analysis/stats_run.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "platform/file.h"

namespace corvane::analysis {

Result<StatsPlan, StatsFailure> PlanStats(const VideoFile& file, const StatsOptions& options) {
  StatsFailure failure;
  const uint32_t total = file.FrameCount();
  StatsPlan plan;
  plan.firstFrame = std::max<uint32_t>(options.firstFrame, 1);
  if (total == 0) failure.code = StatsCode::kNoFrames;
  else if (plan.firstFrame > total) failure.code = StatsCode::kFromBeyondEnd;
  if (failure.code != StatsCode::kOk) return Fail(failure);
  const uint32_t available = total - plan.firstFrame + 1;
  plan.frameCount = options.frameCount ? std::min(options.frameCount, available) : available;
  const uint32_t last = plan.firstFrame + plan.frameCount - 1;
  for (const VideoSegment& s : file.Segments()) {
    if (s.frameCount == 0) continue;
    const uint32_t from = std::max(s.firstFrame, plan.firstFrame), to = std::min(s.firstFrame + s.frameCount - 1, last);
    if (from > to) continue;
    plan.bytes += uint64_t(s.frameSize) * (to - from + 1);
  }
  return plan;
}

namespace {

// One worker's meter and planes, kept from window to window.
struct Worker {
  SignalStatsMeter meter;
  std::vector<uint8_t> scratch[2];
};

// A lent window and where its frames sit in the run: frame k of the run
// (0-based; -1 for the frame before the first) is lent.Data(k - first).
struct Window {
  LentFrames lent;
  int64_t first = 0;
  bool Holds(int64_t k) const { return k >= first && k < first + int64_t(lent.Count()); }
};

}  // namespace

Result<void, StatsFailure> RunStats(const VideoFile& file, const StatsOptions& options, const StatsPlan& plan,
                                    const std::function<void(const FrameStats&)>& onFrame, std::stop_token stop) {
  const unsigned threads = options.threads ? options.threads : std::max(1u, std::thread::hardware_concurrency());
  std::vector<Worker> workers(threads);
  std::vector<FrameStats> results;
  Window windows[2];  // the window before and this one
  const bool before = plan.firstFrame > 1;  // the run's first frame has one before it in the file

  for (int64_t next = before ? -1 : 0; next < int64_t(plan.frameCount);) {
    // Whole frames: at least one, then as many as fit in windowBytes.
    int64_t end = next;
    uint64_t bytes = 0;
    while (end < int64_t(plan.frameCount) && (end == next || bytes < options.windowBytes)) {
      const auto shape = file.Shape(uint32_t(plan.firstFrame + end));
      if (!shape) return Fail(StatsFailure{StatsCode::kReadFailed, uint32_t(plan.firstFrame + end), 0});
      bytes += shape->size;
      ++end;
    }
    auto lent = file.Lend(uint32_t(plan.firstFrame + next), uint32_t(end - next));
    if (!lent) {
      uint32_t lost = uint32_t(plan.firstFrame + next);
      while (lost + 1 < plan.firstFrame + end && file.Holds(lost)) ++lost;
      const ReadFailure& why = lent.error();
      return Fail(StatsFailure{StatsCode::kReadFailed,
                               why.status == ReadStatus::kFailed ? uint32_t(plan.firstFrame + next) : lost,
                               why.error});
    }
    windows[0] = std::move(windows[1]);
    windows[1] = {std::move(*lent), next};
    const Window& now = windows[1];

    // Frames of this window the run reports (the frame before the first is only read).
    const int64_t from = std::max<int64_t>(next, 0);
    results.assign(size_t(end - from), {});
    std::atomic<int64_t> taken{from};
    std::atomic<int64_t> failedAt{INT64_MAX};
    const auto work = [&](Worker& worker) {
      for (int64_t k; (k = taken.fetch_add(1)) < end;) {
        const Window& wk = now.Holds(k) ? now : windows[0];
        const FrameShape& shape = wk.lent.Shape(size_t(k - wk.first));
        const uint8_t* bytesOf = wk.lent.Data(size_t(k - wk.first));
        const uint8_t* prevBytes = nullptr;
        if (k > 0 || before) {
          const Window& wp = now.Holds(k - 1) ? now : windows[0];
          if (wp.Holds(k - 1) && wp.lent.Shape(size_t(k - 1 - wp.first)).para == shape.para)
            prevBytes = wp.lent.Data(size_t(k - 1 - wp.first));
        }
        FrameStats& out = results[size_t(k - from)];
        out.index = uint32_t(k);
        out.frame = uint32_t(plan.firstFrame + k);
        const auto measure = [&] {
          const PlanarFrame frame = StatsPlanes(shape.type, shape.para.width, shape.para.height, bytesOf,
                                                &worker.scratch[0]);
          PlanarFrame prev;
          if (prevBytes)
            prev = StatsPlanes(shape.type, shape.para.width, shape.para.height, prevBytes, &worker.scratch[1]);
          out.stats = worker.meter.Measure(frame, prevBytes ? &prev : nullptr, options.extras);
        };
        // A file cut short meanwhile (SIGBUS on a lent page) fails the run
        // as a read of that frame, not the process.
        if (now.lent.Mapped() ? !platform::ReadMapped(measure) : (measure(), false)) {
          int64_t seen = failedAt.load();
          while (k < seen && !failedAt.compare_exchange_weak(seen, k)) {
          }
          return;
        }
      }
    };
    {
      std::vector<std::jthread> helpers;
      for (unsigned t = 1; t < threads && end - from > int64_t(t); ++t)
        helpers.emplace_back([&, t] { work(workers[t]); });
      work(workers[0]);
    }
    if (failedAt.load() != INT64_MAX)
      return Fail(StatsFailure{StatsCode::kReadFailed, uint32_t(plan.firstFrame + failedAt.load()), 0});
    for (const FrameStats& r : results) {
      if (stop.stop_requested()) return {};
      onFrame(r);
    }
    next = end;
  }
  return {};
}

}  // namespace corvane::analysis
