#include "engine/frame_queue.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "formats/result_codes.h"

namespace corvane {
namespace {

TEST(QueueTest, PoolIsAlignedZeroFilledAndCirculatesInOrder) {
  FrameQueue q;
  ASSERT_EQ(q.Init(10, 1000, 32), kOk);
  EXPECT_EQ(q.PoolSize(), 10u);
  std::vector<FrameBuffer*> taken;
  for (int i = 0; i < 10; ++i) {
    FrameBuffer* b = nullptr;
    q.PopFree(&b);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(b->pData) % 32, 0u);
    EXPECT_EQ(b->nSize, 1000u);
    for (uint32_t k = 0; k < b->nSize; ++k) ASSERT_EQ(b->pData[k], 0);
    b->nFrameNo = uint32_t(i + 1);
    taken.push_back(b);
  }
  // All ten in use: the reader gets nothing and must wait.
  FrameBuffer* none = reinterpret_cast<FrameBuffer*>(1);
  q.PopFree(&none);
  EXPECT_EQ(none, nullptr);
  for (auto* b : taken) q.PushFull(b);
  EXPECT_EQ(q.FullCount(), 10u);
  // FIFO: frames come out in the order they went in.
  FrameBuffer* b = nullptr;
  q.TakeFull(&b);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->nFrameNo, 1u);
  q.ReleaseCurrent();
  q.SetCurrent(b);
  EXPECT_EQ(q.GetCurrent(), b);
  q.TakeFull(&b);
  EXPECT_EQ(b->nFrameNo, 2u);
  // Presenting the next frame returns the previous one to the free list.
  q.ReleaseCurrent();
  q.SetCurrent(b);
  EXPECT_EQ(q.FreeCount(), 1u);
  FrameBuffer* f = nullptr;
  q.PopFree(&f);
  EXPECT_EQ(f->nFrameNo, 1u);
  q.PushFree(f);
}

TEST(QueueTest, FlushKeepsTheCurrentFrameAndFreeAllReleasesEverything) {
  FrameQueue q;
  ASSERT_EQ(q.Init(4, 64, 32), kOk);
  FrameBuffer* b[4];
  for (auto& x : b) q.PopFree(&x);
  q.SetCurrent(b[0]);
  q.PushFull(b[1]);
  q.PushFull(b[2]);
  q.PushFree(b[3]);
  FrameBuffer* empty = nullptr;
  q.Flush();
  EXPECT_EQ(q.FullCount(), 0u);
  EXPECT_EQ(q.FreeCount(), 3u);
  EXPECT_EQ(q.GetCurrent(), b[0]);
  q.TakeFull(&empty);
  EXPECT_EQ(empty, nullptr);
  q.FreeAll();
  EXPECT_EQ(q.GetCurrent(), nullptr);
  EXPECT_EQ(q.PoolSize(), 0u);
  EXPECT_EQ(q.FreeCount(), 0u);
  q.FreeAll();  // a second one does nothing
  EXPECT_EQ(q.PoolSize(), 0u);
}

TEST(QueueTest, ResizeReplacesTheDataOfAHeldBuffer) {
  FrameQueue q;
  ASSERT_EQ(q.Init(1, 16, 32), kOk);
  FrameBuffer* b = nullptr;
  q.PopFree(&b);
  b->pData[0] = 9;
  ASSERT_EQ(FrameQueue::Resize(b, 4097), kOk);
  EXPECT_EQ(b->nSize, 4097u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(b->pData) % 32, 0u);
  EXPECT_EQ(b->pData[0], 0);
  b->pData[4096] = 1;  // the whole capacity is usable
  EXPECT_EQ(FrameQueue::Resize(nullptr, 10), kGeneralFail);
  FrameBuffer bare;
  EXPECT_EQ(FrameQueue::Resize(&bare, 10), kOk);
  EXPECT_EQ(bare.pData, nullptr);
  q.PushFree(b);
}

TEST(QueueTest, WaitForFreeWakesWhenTheConsumerReturnsABuffer) {
  FrameQueue q;
  ASSERT_EQ(q.Init(1, 16, 32), kOk);
  FrameBuffer* b = nullptr;
  q.PopFree(&b);
  q.PushFull(b);
  std::thread consumer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    FrameBuffer* x = nullptr;
    q.TakeFull(&x);
    q.PushFree(x);
  });
  // Far longer than the consumer needs: returning early proves the wake-up.
  const auto t0 = std::chrono::steady_clock::now();
  q.WaitForFree(std::chrono::seconds(30));
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(25));
  EXPECT_EQ(q.FreeCount(), 1u);
  consumer.join();
}

TEST(QueueTest, ProducerAndConsumerThreadsLoseNoBuffer) {
  FrameQueue q;
  ASSERT_EQ(q.Init(10, 256, 32), kOk);
  constexpr uint32_t kFrames = 20000;
  std::thread producer([&] {
    for (uint32_t n = 1; n <= kFrames;) {
      FrameBuffer* b = nullptr;
      q.PopFree(&b);
      if (!b) {
        q.WaitForFree(std::chrono::milliseconds(5));
        continue;
      }
      b->nFrameNo = n++;
      q.PushFull(b);
    }
  });
  uint32_t expect = 1;
  while (expect <= kFrames) {
    FrameBuffer* b = nullptr;
    q.TakeFull(&b);
    if (!b) {
      std::this_thread::yield();
      continue;
    }
    ASSERT_EQ(b->nFrameNo, expect++);
    q.ReleaseCurrent();
    q.SetCurrent(b);
  }
  producer.join();
  EXPECT_EQ(q.FreeCount() + q.FullCount() + 1, 10u);
}

}  // namespace
}  // namespace corvane
