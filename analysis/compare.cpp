#include "analysis/compare.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "formats/frame_locator.h"
#include "platform/file.h"

namespace corvane::analysis {
namespace {

// A stretch of frames with one set of parameters: a plain file is one, a
// spliced file one per segment that holds frames.
struct Run {
  uint32_t first = 0;
  uint32_t last = 0;
  YUVPara para;
  uint32_t segment = 0;
};

bool UsesSegments(const CompareInput& in) {
  return in.useSegments && in.trailer.kind == TrailerKind::kSpliced &&
         in.trailer.records.size() == in.trailer.segments.size();
}

std::vector<Run> RunsOf(const CompareInput& in, uint32_t frameCount) {
  std::vector<Run> runs;
  if (!UsesSegments(in)) {
    if (frameCount) runs.push_back({1, frameCount, in.para, 0});
    return runs;
  }
  uint32_t next = 1;
  for (size_t i = 0; i < in.trailer.segments.size(); ++i) {
    const uint32_t n = in.trailer.segments[i].frameCount;
    if (n == 0) continue;
    runs.push_back({next, next + n - 1, in.trailer.records[i], uint32_t(i)});
    next += n;
  }
  return runs;
}

YUVType TypeOf(const YUVPara& para) {
  YUVType type = YUV_NONE;
  uint32_t size = 0;
  GetTypeAndFrameSize(&para, &type, &size);
  return type;
}

uint64_t FrameBytes(const YUVPara& para) { return FrameSize64(TypeOf(para), para.width, para.height); }

// Whether frames of the two runs can be compared; kOk or the mismatch.
CompareCode CheckPair(const YUVPara& a, const YUVPara& b, Metrics metrics) {
  if (a.width != b.width || a.height != b.height) return CompareCode::kSizeMismatch;
  const Sampling sampling = SamplingOf(TypeOf(a));
  if (sampling != SamplingOf(TypeOf(b))) return CompareCode::kSamplingMismatch;
  if (metrics.ssim)
    for (const PlaneView& p : PlaneSizes(sampling, a.width, a.height))
      if (SsimWindowCount(p) == 0) return CompareCode::kTooSmallForSsim;
  return CompareCode::kOk;
}

}  // namespace

CompareStatus PlanCompare(const CompareInput& a, const CompareInput& b, const CompareOptions& options,
                          ComparePlan* plan) {
  const CompareInput* inputs[2] = {&a, &b};
  std::vector<Run> runs[2];
  CompareStatus status;
  *plan = ComparePlan{};
  plan->firstFrame = std::max<uint32_t>(options.firstFrame, 1);
  for (int i = 0; i < 2; ++i) {
    const FileFrames frames(inputs[i]->trailer, inputs[i]->para, inputs[i]->useSegments);
    plan->totalFrames[i] = frames.FrameCount();
    runs[i] = RunsOf(*inputs[i], frames.FrameCount());
    status.para[i] = inputs[i]->para;
    status.spliced[i] = UsesSegments(*inputs[i]);
    if (frames.FrameCount() == 0) {
      status.code = CompareCode::kNoFrames;
      status.input = i;
      return status;
    }
  }
  for (int i = 0; i < 2; ++i) {
    if (plan->firstFrame > plan->totalFrames[i]) {
      status.code = CompareCode::kFromBeyondEnd;
      status.input = i;
      return status;
    }
  }
  const uint32_t available = std::min(plan->totalFrames[0], plan->totalFrames[1]) - plan->firstFrame + 1;
  plan->frameCount = options.frameCount ? std::min(options.frameCount, available) : available;
  const uint32_t last = plan->firstFrame + plan->frameCount - 1;

  // Walk both files' runs over the planned frames; each overlap is one pair
  // of parameter sets to check.
  size_t i = 0, j = 0;
  for (uint32_t frame = plan->firstFrame; frame <= last;) {
    while (runs[0][i].last < frame) ++i;
    while (runs[1][j].last < frame) ++j;
    const Run& ra = runs[0][i];
    const Run& rb = runs[1][j];
    if (frame == plan->firstFrame) plan->bytesPerPair = FrameBytes(ra.para) + FrameBytes(rb.para);
    const CompareCode code = CheckPair(ra.para, rb.para, options.metrics);
    if (code != CompareCode::kOk) {
      status.code = code;
      status.frame = frame;
      status.segment[0] = ra.segment, status.segment[1] = rb.segment;
      status.para[0] = ra.para, status.para[1] = rb.para;
      return status;
    }
    const uint32_t end = std::min(ra.last, rb.last);
    if (end >= last) break;
    frame = end + 1;
  }
  return status;
}

namespace {

// The shared state of one run. Lock order: m_lock is the only lock.
//
// Frame k of the plan (0-based) lives in slot k % depth. Reader s may load
// frame k into its half of that slot once frame k - depth has been retired
// (handed to the caller); workers take frames in order, wait until both
// halves hold their frame, measure and mark the slot measured; the calling
// thread retires frames in order.
class Pipeline {
 public:
  Pipeline(const CompareInput& a, const CompareInput& b, const CompareOptions& options, const ComparePlan& plan)
      : m_inputs{&a, &b},
        m_frames{FileFrames(a.trailer, a.para, a.useSegments), FileFrames(b.trailer, b.para, b.useSegments)},
        m_options(options),
        m_plan(plan),
        m_workers(options.threads ? options.threads : std::max(1u, std::thread::hardware_concurrency())),
        m_slots(m_workers + std::max(1u, options.readAhead)) {}

  ~Pipeline() { Stop(); }  // before the threads (declared last) are joined

  CompareStatus Run(const std::function<void(const FrameMetrics&)>& onFrame) {
    for (int s = 0; s < 2; ++s) {
      if (int err = m_files[s].Open(m_inputs[s]->path, platform::File::Mode::kRead)) {
        CompareStatus status;
        status.code = CompareCode::kOpenFailed;
        status.input = s;
        status.error = err;
        return status;
      }
    }
    for (int s = 0; s < 2; ++s) m_threads.emplace_back([this, s] { ReadLoop(s); });
    for (unsigned w = 0; w < m_workers; ++w) m_threads.emplace_back([this] { WorkLoop(); });

    for (uint32_t k = 0; k < m_plan.frameCount; ++k) {
      Slot& slot = SlotOf(k);
      FrameMetrics result;
      {
        std::unique_lock lock(m_lock);
        m_changed.wait(lock, [&] { return m_failure.code != CompareCode::kOk || (slot.measured && slot.frame[0] == k); });
        if (m_failure.code != CompareCode::kOk) return m_failure;
        result = slot.result;
        slot.loaded[0] = slot.loaded[1] = slot.measured = false;
        ++m_retired;
        if (result.difference.found) m_differenceBefore = std::min(m_differenceBefore.load(), k);
      }
      m_changed.notify_all();
      onFrame(result);
    }
    return {};
  }

 private:
  struct Slot {
    std::vector<uint8_t> data[2];  // written by reader s while !loaded[s], read by one worker after
    YUVPara para[2];
    uint32_t frame[2] = {UINT32_MAX, UINT32_MAX};
    bool loaded[2] = {false, false};  // guarded by m_lock
    bool measured = false;            // guarded by m_lock
    FrameMetrics result;              // written by its worker before `measured`, read after
  };

  Slot& SlotOf(uint32_t k) { return m_slots[k % m_slots.size()]; }

  void Stop() {
    {
      std::scoped_lock lock(m_lock);
      m_stop = true;
    }
    m_changed.notify_all();
  }

  void Fail(CompareStatus status) {
    {
      std::scoped_lock lock(m_lock);
      if (m_failure.code == CompareCode::kOk) m_failure = status;
      m_stop = true;
    }
    m_changed.notify_all();
  }

  void ReadLoop(int s) {
    for (uint32_t k = 0; k < m_plan.frameCount; ++k) {
      Slot& slot = SlotOf(k);
      {
        std::unique_lock lock(m_lock);
        m_changed.wait(lock, [&] { return m_stop || k < m_retired + m_slots.size(); });
        if (m_stop) return;
      }
      const uint32_t frame = m_plan.firstFrame + k;
      YUVPara para;
      const auto where = m_frames[s].Locate(frame, &para);
      const int64_t got = where ? (slot.data[s].resize(where->frameSize),
                                   m_files[s].ReadAt(slot.data[s].data(), where->frameSize, where->offset))
                                : -1;
      if (!where || got != int64_t(where->frameSize)) {
        CompareStatus status;
        status.code = CompareCode::kReadFailed;
        status.input = s;
        status.frame = frame;
        status.error = got < 0 && where ? errno : 0;
        Fail(status);
        return;
      }
      {
        std::scoped_lock lock(m_lock);
        slot.para[s] = para;
        slot.frame[s] = k;
        slot.loaded[s] = true;
      }
      m_changed.notify_all();
    }
  }

  void WorkLoop() {
    FrameMeasurer measurer;
    std::vector<uint8_t> scratch[2];
    for (;;) {
      uint32_t k;
      {
        std::unique_lock lock(m_lock);
        m_changed.wait(lock, [&] {
          if (m_stop || m_next >= m_plan.frameCount) return true;
          const Slot& slot = SlotOf(m_next);
          return slot.loaded[0] && slot.loaded[1] && slot.frame[0] == m_next && slot.frame[1] == m_next;
        });
        if (m_stop || m_next >= m_plan.frameCount) return;
        k = m_next++;
      }
      Slot& slot = SlotOf(k);
      PlanarFrame planar[2];
      for (int s = 0; s < 2; ++s)
        planar[s] = ToPlanar(TypeOf(slot.para[s]), slot.para[s].width, slot.para[s].height, slot.data[s].data(),
                             &scratch[s]);
      FrameMetrics& m = slot.result;
      m = FrameMetrics{};
      m.index = k + 1;
      m.frame = m_plan.firstFrame + k;
      // Past a frame already known to differ, where the difference lies no longer matters.
      measurer.Measure(planar[0], planar[1], m_options.metrics, k < m_differenceBefore.load(), &m);
      {
        std::scoped_lock lock(m_lock);
        slot.measured = true;
      }
      m_changed.notify_all();
    }
  }

  const CompareInput* m_inputs[2];
  const FileFrames m_frames[2];
  const CompareOptions m_options;
  const ComparePlan m_plan;
  const unsigned m_workers;
  platform::File m_files[2];  // opened before the threads start; pread only

  std::mutex m_lock;
  std::condition_variable m_changed;  // any change below
  std::vector<Slot> m_slots;          // fixed size; fields as documented in Slot
  uint64_t m_retired = 0;             // guarded by m_lock
  uint32_t m_next = 0;                // next frame a worker takes; guarded by m_lock
  bool m_stop = false;                // guarded by m_lock
  CompareStatus m_failure;            // guarded by m_lock
  std::atomic<uint32_t> m_differenceBefore{UINT32_MAX};  // earliest differing frame retired so far

  std::vector<std::jthread> m_threads;  // last: joined first on destruction
};

}  // namespace

CompareStatus RunCompare(const CompareInput& a, const CompareInput& b, const CompareOptions& options,
                         const ComparePlan& plan, const std::function<void(const FrameMetrics&)>& onFrame) {
  if (plan.frameCount == 0) return {};
  Pipeline pipeline(a, b, options, plan);
  return pipeline.Run(onFrame);
}

}  // namespace corvane::analysis
