// A stand-in for the playback graph as the frame source sees it: it owns the
// queue, presents frames on demand from the test's thread and records what
// the source told it.
#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/frame_queue.h"
#include "engine/source_host.h"

namespace corvane {

struct PresentedFrame {
  uint32_t number = 0;
  uint32_t width = 0, height = 0;
  YUVType type = YUV_NONE;
  uint32_t stampedNumber = 0;  // the number the test wrote into the frame's bytes
};

class FakeSourceHost : public SourceHost {
 public:
  explicit FakeSourceHost(uint32_t frameSize, uint32_t buffers = 10, uint64_t maxBytes = UINT64_MAX) {
    queue.Init(buffers, frameSize, 32, maxBytes);
  }

  bool IsPaused() const override { return paused.load(); }
  float GetSpeed() const override { return speed.load(); }
  uint32_t GetLastPresentedFrame() const override { return last.load(); }
  void SetSegmentPara(const YUVPara& para) override {
    std::scoped_lock lock(m);
    segmentParas.push_back(para);
  }
  void FlushQueue() override { queue.Flush(); }
  void SetFileInfo(uint64_t size, uint32_t count) override {
    fileSize = size;
    frameCount = count;
  }
  void ShowNotice(Notice notice) override {
    std::scoped_lock lock(m);
    notices.push_back(notice);
  }

  // Presents the next full buffer, waiting up to `wait` for one. Returns false
  // when none arrived.
  bool PresentNext(PresentedFrame* out = nullptr,
                   std::chrono::milliseconds wait = std::chrono::milliseconds(5000)) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    FrameBuffer* b = nullptr;
    for (;;) {
      queue.TakeFull(&b);
      if (b || std::chrono::steady_clock::now() >= deadline) break;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (!b) return false;
    queue.ReleaseCurrent();
    queue.SetCurrent(b);
    last = b->nFrameNo;
    PresentedFrame f{b->nFrameNo, b->nWidth, b->nHeight, b->nType, 0};
    if (b->nSize >= 4) f.stampedNumber = uint32_t(b->Bytes()[0]) | uint32_t(b->Bytes()[1]) << 8 |
                                         uint32_t(b->Bytes()[2]) << 16 | uint32_t(b->Bytes()[3]) << 24;
    if (out) *out = f;
    return true;
  }

  // Frame numbers of the next k presentations (stops early if none arrive).
  std::vector<uint32_t> PresentMany(size_t k) {
    std::vector<uint32_t> numbers;
    PresentedFrame f;
    while (numbers.size() < k && PresentNext(&f)) {
      EXPECT_EQ(f.stampedNumber, f.number) << "buffer stamped with another frame's bytes";
      numbers.push_back(f.number);
    }
    return numbers;
  }

  std::vector<YUVPara> SegmentParas() {
    std::scoped_lock lock(m);
    return segmentParas;
  }

  FrameQueue queue;
  std::atomic<bool> paused{false};
  std::atomic<float> speed{1.0f};
  std::atomic<uint32_t> last{1};
  std::atomic<uint64_t> fileSize{0};
  std::atomic<uint32_t> frameCount{0};
  std::mutex m;
  std::vector<YUVPara> segmentParas;
  std::vector<Notice> notices;
};

}  // namespace corvane
