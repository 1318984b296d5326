#include "analysis/compare.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

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

// The segments an input is read in: its open file's, or those its
// parameters and trailer give a raw file.
std::vector<VideoSegment> SegmentsOf(const CompareInput& in) {
  if (in.file) {
    const std::span<const VideoSegment> segments = in.file->Segments();
    return {segments.begin(), segments.end()};
  }
  return RawSegments(in.trailer, in.trailer.dataSize, &in.para, in.useSegments);
}

uint32_t FrameCountOf(std::span<const VideoSegment> segments) {
  uint64_t n = 0;
  for (const VideoSegment& s : segments) n += s.frameCount;
  return uint32_t(std::min<uint64_t>(n, UINT32_MAX));
}

std::vector<Run> RunsOf(std::span<const VideoSegment> segments) {
  std::vector<Run> runs;
  for (size_t i = 0; i < segments.size(); ++i) {
    const VideoSegment& s = segments[i];
    if (s.frameCount == 0) continue;
    runs.push_back({s.firstFrame, s.firstFrame + s.frameCount - 1, s.para, uint32_t(i)});
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

// The planes frames of the two runs are compared as (no data).
PlanarFrame ShapeOf(const YUVPara& a, const YUVPara& b) {
  return PlanarShape(TypeOf(a), a.width, a.height, CompareDepth(TypeOf(a), TypeOf(b)));
}

// Whether frames of the two runs can be compared (over `region`, when
// given); kOk or the mismatch.
CompareCode CheckPair(const YUVPara& a, const YUVPara& b, Metrics metrics, const std::optional<Region>& region) {
  if (a.width != b.width || a.height != b.height) return CompareCode::kSizeMismatch;
  if (SamplingOf(TypeOf(a)) != SamplingOf(TypeOf(b))) return CompareCode::kSamplingMismatch;
  if (CompareDepth(TypeOf(a), TypeOf(b)) == 0) return CompareCode::kDepthMismatch;
  PlanarFrame shape = ShapeOf(a, b);
  if (region) {
    switch (FitRegion(*region, shape.sampling, a.width, a.height)) {
      case RegionFit::kFits: break;
      case RegionFit::kOutside: return CompareCode::kRegionOutside;
      case RegionFit::kOddForChroma: return CompareCode::kRegionOddForChroma;
    }
    shape = CropPlanar(shape, *region);
  }
  if (metrics.ssim)
    for (int i = 0; i < shape.planeCount; ++i)
      if (SsimWindowCount(shape.planes[size_t(i)]) == 0) return CompareCode::kTooSmallForSsim;
  return CompareCode::kOk;
}

}  // namespace

Result<ComparePlan, CompareStatus> PlanCompare(const CompareInput& a, const CompareInput& b,
                                               const CompareOptions& options) {
  const CompareInput* inputs[2] = {&a, &b};
  std::vector<Run> runs[2];
  CompareStatus status;
  status.offset = options.offset;
  status.region = options.region;
  ComparePlan plan;
  plan.offset = options.offset;
  const uint32_t asked = std::max<uint32_t>(options.firstFrame, 1);
  // A's frames before 1 - offset have no partner in B.
  plan.firstFrame = uint32_t(std::max<int64_t>(asked, int64_t(1) - options.offset));
  for (int i = 0; i < 2; ++i) {
    const std::vector<VideoSegment> segments = SegmentsOf(*inputs[i]);
    plan.totalFrames[i] = FrameCountOf(segments);
    status.totalFrames[i] = plan.totalFrames[i];
    runs[i] = RunsOf(segments);
    status.para[i] = inputs[i]->file ? (segments.empty() ? YUVPara{} : segments.front().para) : inputs[i]->para;
    status.spliced[i] = segments.size() > 1;
    if (plan.totalFrames[i] == 0) {
      status.code = CompareCode::kNoFrames;
      status.input = i;
      return Fail(status);
    }
  }
  for (int i = 0; i < 2; ++i) {
    if (int64_t(plan.firstFrame) + (i == 1 ? plan.offset : 0) > int64_t(plan.totalFrames[i])) {
      // Past the end only because of the offset: no pair; else --from is.
      const bool shifted = asked <= plan.totalFrames[0] && asked <= plan.totalFrames[1];
      status.code = shifted && options.offset != 0 ? CompareCode::kNoPair : CompareCode::kFromBeyondEnd;
      status.input = i;
      return Fail(status);
    }
  }
  const uint32_t available =
      std::min(plan.totalFrames[0] - plan.FirstOf(0), plan.totalFrames[1] - plan.FirstOf(1)) + 1;
  plan.frameCount = options.frameCount ? std::min(options.frameCount, available) : available;

  // Walk both files' runs over the planned pairs (k: the pair's place in
  // the plan); each overlap is one pair of parameter sets to check.
  size_t i = 0, j = 0;
  PlanarFrame firstShape;
  YUVPara before[2];  // the pair checked last
  for (uint32_t k = 0; k < plan.frameCount;) {
    const uint32_t fa = plan.FirstOf(0) + k, fb = plan.FirstOf(1) + k;
    while (runs[0][i].last < fa) ++i;
    while (runs[1][j].last < fb) ++j;
    const Run& ra = runs[0][i];
    const Run& rb = runs[1][j];
    CompareCode code = CheckPair(ra.para, rb.para, options.metrics, options.region);
    if (code == CompareCode::kOk) {
      // The summary's peak and planes hold for every frame of the run.
      const PlanarFrame shape = ShapeOf(ra.para, rb.para);
      if (k == 0) {
        plan.bytesPerPair = FrameBytes(ra.para) + FrameBytes(rb.para);
        firstShape = shape;
      } else if (shape.depth != firstShape.depth || shape.planeCount != firstShape.planeCount) {
        code = CompareCode::kShapeChanges;
        status.earlier[0] = before[0], status.earlier[1] = before[1];
      }
    }
    before[0] = ra.para, before[1] = rb.para;
    if (code != CompareCode::kOk) {
      status.code = code;
      status.frame = fa;
      status.segment[0] = ra.segment, status.segment[1] = rb.segment;
      status.para[0] = ra.para, status.para[1] = rb.para;
      return Fail(status);
    }
    // The next pair where either side enters a run of its own.
    k += std::min(ra.last - fa, rb.last - fb) + 1;
  }
  return plan;
}

namespace {

// Windows of each file mapped at a time: the one the workers are in, the
// next, and one the reader is mapping meanwhile.
constexpr unsigned kWindowsMapped = 3;

// The shared state of one run. Lock order: m_lock is the only lock.
//
// Reader s maps its file in windows of consecutive frames (windowBytes, at
// least one frame), window g into m_windows[s][g % kWindowsMapped] once
// every frame of the window there before (g - kWindowsMapped) has been
// retired (handed to the caller), then raises m_mappedFrames[s]. A worker
// takes the next frame (k, 0-based in the plan) once both files have mapped
// it and its result slot is free (frame k - slots retired), measures it in
// place and marks the slot measured; the calling thread retires frames in
// order.
class Pipeline {
 public:
  Pipeline(const CompareInput& a, const CompareInput& b, const CompareOptions& options, const ComparePlan& plan)
      : m_inputs{&a, &b},
        m_options(options),
        m_plan(plan),
        m_workers(options.threads ? options.threads : std::max(1u, std::thread::hardware_concurrency())),
        m_slots(2 * m_workers) {}

  ~Pipeline() { Stop(); }  // before the threads (declared last) are joined

  CompareStatus Run(const std::function<void(const FrameMetrics&)>& onFrame, std::stop_token stop) {
    for (int s = 0; s < 2; ++s) {
      if (m_inputs[s]->file) {
        m_file[s] = m_inputs[s]->file;
        continue;
      }
      auto opened = OpenVideoFile(m_inputs[s]->path);
      if (opened) {
        m_files[s] = std::move(*opened);
        if (!m_files[s]->UseParameters(m_inputs[s]->para, m_inputs[s]->useSegments)) m_files[s].reset();
      }
      if (!m_files[s]) {
        CompareStatus status;
        status.code = CompareCode::kOpenFailed;
        status.input = s;
        status.error = opened ? EINVAL : opened.error().error;
        return status;
      }
      m_file[s] = m_files[s].get();
    }
    for (int s = 0; s < 2; ++s) m_threads.emplace_back([this, s] { MapLoop(s); });
    for (unsigned w = 0; w < m_workers; ++w) m_threads.emplace_back([this] { WorkLoop(); });

    for (uint32_t k = 0; k < m_plan.frameCount; ++k) {
      Slot& slot = SlotOf(k);
      FrameMetrics result;
      {
        std::unique_lock lock(m_lock);
        m_changed.wait(lock, [&] { return m_failure.code != CompareCode::kOk || (slot.measured && slot.frame == k); });
        if (m_failure.code != CompareCode::kOk) return m_failure;
        result = slot.result;
        slot.measured = false;
        ++m_retired;
        if (result.difference.found) m_differenceBefore = std::min(m_differenceBefore.load(), k);
      }
      m_changed.notify_all();
      if (stop.stop_requested()) return {};
      onFrame(result);
    }
    return {};
  }

 private:
  // One frame of one file inside a mapped window.
  struct MappedFrame {
    const uint8_t* data = nullptr;
    YUVPara para;
  };

  struct Window {
    uint32_t first = 0, end = 0;      // the frames it holds, [first, end); guarded by m_lock
    // Written by its reader while stale (every frame in it retired); the
    // loan read by the workers measuring its frames, `frames` copied by
    // them with m_lock held.
    LentFrames lent;
    std::vector<MappedFrame> frames;  // frames first..end - 1
  };

  struct Slot {
    uint32_t frame = UINT32_MAX;  // the frame it holds; guarded by m_lock
    bool measured = false;        // guarded by m_lock
    FrameMetrics result;          // written by its worker before `measured`, read after
  };

  Slot& SlotOf(uint32_t k) { return m_slots[k % m_slots.size()]; }
  // The mapped frame k of file s; with m_lock held, k mapped and not retired.
  const MappedFrame& MappedFrameOf(int s, uint32_t k) {
    Window* w = m_windows[s];
    while (k < w->first || k >= w->end) ++w;
    return w->frames[k - w->first];
  }

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

  void FailRead(int s, uint32_t frame, int error) {
    CompareStatus status;
    status.code = CompareCode::kReadFailed;
    status.input = s;
    status.frame = frame;
    status.error = error;
    Fail(status);
  }

  // The input that no longer holds its frame of pair k whole (A when neither does).
  int ShortenedInput(uint32_t k) {
    for (int s = 0; s < 2; ++s)
      if (!m_file[s]->Holds(m_plan.FirstOf(s) + k)) return s;
    return 0;
  }

  void MapLoop(int s) {
    uint32_t first = 0;
    for (uint64_t g = 0; first < m_plan.frameCount; ++g) {
      Window& window = m_windows[s][g % kWindowsMapped];
      {
        std::unique_lock lock(m_lock);
        m_changed.wait(lock, [&] { return m_stop || window.end <= m_retired; });
        if (m_stop) return;
      }
      // The window holds whole frames: at least one, then as many as fit
      // in windowBytes.
      window.lent = {};
      window.frames.clear();
      uint64_t bytes = 0;
      uint32_t end = first;
      while (end < m_plan.frameCount && (end == first || bytes < m_options.windowBytes)) {
        const auto shape = m_file[s]->Shape(m_plan.FirstOf(s) + end);
        if (!shape) return FailRead(s, m_plan.FirstOf(s) + end, 0);
        bytes += shape->size;
        ++end;
      }
      auto lent = m_file[s]->Lend(m_plan.FirstOf(s) + first, end - first);
      if (!lent) {
        // The first frame of the window the file no longer holds whole.
        uint32_t lost = first;
        while (lost + 1 < end && m_file[s]->Holds(m_plan.FirstOf(s) + lost)) ++lost;
        const ReadFailure& why = lent.error();
        return FailRead(s, m_plan.FirstOf(s) + (why.status == ReadStatus::kFailed ? first : lost), why.error);
      }
      window.lent = std::move(*lent);
      for (size_t i = 0; i < window.lent.Count(); ++i)
        window.frames.push_back({window.lent.Data(i), window.lent.Shape(i).para});
      {
        std::scoped_lock lock(m_lock);
        window.first = first, window.end = end;
        m_mappedFrames[s] = end;
      }
      m_changed.notify_all();
      first = end;
    }
  }

  void WorkLoop() {
    FrameMeasurer measurer;
    std::vector<uint8_t> scratch[2];
    for (;;) {
      uint32_t k;
      MappedFrame frame[2];
      {
        std::unique_lock lock(m_lock);
        m_changed.wait(lock, [&] {
          return m_stop || m_next >= m_plan.frameCount ||
                 (m_next < m_mappedFrames[0] && m_next < m_mappedFrames[1] && m_next < m_retired + m_slots.size());
        });
        if (m_stop || m_next >= m_plan.frameCount) return;
        k = m_next++;
        SlotOf(k).frame = k;
        for (int s = 0; s < 2; ++s) frame[s] = MappedFrameOf(s, k);
      }
      PlanarFrame planar[2];
      FrameMetrics& m = SlotOf(k).result;
      m = FrameMetrics{};
      m.index = k + 1;
      m.frame = m_plan.firstFrame + k;
      // The frames are read where they are mapped: a file cut short meanwhile
      // (SIGBUS) fails the run as a read of that frame, not the process.
      const bool read = platform::ReadMapped([&] {
        const int depth = CompareDepth(TypeOf(frame[0].para), TypeOf(frame[1].para));
        for (int s = 0; s < 2; ++s) {
          planar[s] = ToPlanar(TypeOf(frame[s].para), frame[s].para.width, frame[s].para.height, frame[s].data,
                               &scratch[s], depth);
          if (m_options.region) planar[s] = CropPlanar(planar[s], *m_options.region);
        }
        // Past a frame already known to differ, where the difference lies no longer matters.
        measurer.Measure(planar[0], planar[1], m_options.metrics, k < m_differenceBefore.load(), &m);
      });
      if (!read) {
        const int s = ShortenedInput(k);
        return FailRead(s, m_plan.FirstOf(s) + k, 0);
      }
      if (m_options.region && m.difference.found) {
        // Where the difference lies in the whole frame, not in the region.
        m.difference.x += m_options.region->x >> PlaneShiftX(planar[0].sampling, m.difference.plane);
        m.difference.y += m_options.region->y >> PlaneShiftY(planar[0].sampling, m.difference.plane);
      }
      {
        std::scoped_lock lock(m_lock);
        SlotOf(k).measured = true;
      }
      m_changed.notify_all();
    }
  }

  const CompareInput* m_inputs[2];
  const CompareOptions m_options;
  const ComparePlan m_plan;
  const unsigned m_workers;
  std::unique_ptr<VideoFile> m_files[2];  // the files the run opens itself, before the threads start
  const VideoFile* m_file[2] = {};           // what the threads read: m_files or the caller's

  std::mutex m_lock;
  std::condition_variable m_changed;  // any change below
  Window m_windows[2][kWindowsMapped];  // fields as documented in Window
  std::vector<Slot> m_slots;            // fixed size; fields as documented in Slot
  uint32_t m_mappedFrames[2] = {0, 0};  // frames each file has mapped; guarded by m_lock
  uint64_t m_retired = 0;               // guarded by m_lock
  uint32_t m_next = 0;                  // next frame a worker takes; guarded by m_lock
  bool m_stop = false;                  // guarded by m_lock
  CompareStatus m_failure;              // guarded by m_lock
  std::atomic<uint32_t> m_differenceBefore{UINT32_MAX};  // earliest differing frame retired so far

  std::vector<std::jthread> m_threads;  // last: joined first on destruction
};

}  // namespace

Result<void, CompareStatus> RunCompare(const CompareInput& a, const CompareInput& b, const CompareOptions& options,
                                       const ComparePlan& plan, const std::function<void(const FrameMetrics&)>& onFrame,
                                       std::stop_token stop) {
  if (plan.frameCount == 0) return {};
  Pipeline pipeline(a, b, options, plan);
  if (CompareStatus status = pipeline.Run(onFrame, stop); !status.Ok()) return Fail(std::move(status));
  return {};
}

}  // namespace corvane::analysis
