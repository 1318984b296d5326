// The host of a reader thread in the benchmarks: always playing at `speed`,
// its queue taken by the benchmark, the last frame presented being the one
// the benchmark stored.
#pragma once

#include <atomic>

#include "engine/frame_queue.h"
#include "engine/frame_source.h"

namespace benchutil {

class ReaderHost : public corvane::SourceHost {
 public:
  explicit ReaderHost(float speed) : speed(speed) {}
  bool IsPaused() const override { return false; }
  float GetSpeed() const override { return speed; }
  uint32_t GetLastPresentedFrame() const override { return last.load(std::memory_order_relaxed); }
  void SetSegmentPara(const corvane::YUVPara&) override {}
  void FlushQueue() override { queue.Flush(); }
  void SetFileInfo(uint64_t, uint32_t) override {}
  void ShowNotice(corvane::Notice) override {}
  corvane::FrameQueue queue;
  float speed;
  std::atomic<uint32_t> last{1};
};

}  // namespace benchutil
