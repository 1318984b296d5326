// FrameQueue: the hand-over point between the reader thread, which fills
// frames, and the presenter (timer thread or user-interface thread), which
// shows them. A fixed pool of buffers circulates between two FIFO lists, free
// and full, plus the one buffer that is current (the frame on screen).
//
// Lock order: the frame source's lock, then the renderer's lock, then this
// queue's lock, which is a leaf: nothing else is locked while it is held.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "formats/yuv_format.h"

namespace corvane {

// One frame in memory. Buffers are made and freed by the queue only.
struct FrameBuffer {
  uint8_t* pData = nullptr;  // 32-byte aligned, zero-filled when made
  uint32_t nSize = 0;        // capacity of pData in bytes
  FrameBuffer* pNext = nullptr;
  FrameBuffer* pPrev = nullptr;
  uint32_t nFrameNo = 0;     // 1-based, stamped by the reader
  YUVType nType = YUV_NONE;
  uint32_t nWidth = 0;
  uint32_t nHeight = 0;
  // Frame nFrameNo of a coded file that its decoder could not decode: the
  // buffer holds no picture, and the frame on screen stays (stamped by the
  // reader with the rest).
  bool decodeFailed = false;
  // A frame the file lent where it lies instead of a copy in pData: its
  // bytes stay valid while `loan` lives, until the reader fills the buffer
  // again or the queue frees it.
  const uint8_t* lent = nullptr;
  std::shared_ptr<const void> loan;

  // The frame's bytes: the loan, else the buffer's own.
  const uint8_t* Bytes() const { return lent ? lent : pData; }
  void EndLoan() {
    lent = nullptr;
    loan.reset();
  }
};

// FIFO of buffers: append at the tail, remove at the head.
struct FrameBufferList {
  FrameBuffer* head = nullptr;
  FrameBuffer* tail = nullptr;
  uint32_t count = 0;

  void Append(FrameBuffer* b);
  FrameBuffer* RemoveHead();
};

class FrameQueue {
 public:
  FrameQueue() = default;
  virtual ~FrameQueue();
  FrameQueue(const FrameQueue&) = delete;
  FrameQueue& operator=(const FrameQueue&) = delete;

  // The fewest buffers a pool works with: the frame on screen, one full
  // behind it and one the reader fills.
  static constexpr uint32_t kMinCount = 3;
  // How many buffers of frameSize bytes a pool holds: maxCount, fewer when
  // they would take more than maxBytes, never fewer than kMinCount. So the
  // queue of a huge frame holds three frames, not ten.
  static uint32_t CountFor(uint32_t frameSize, uint32_t maxCount, uint64_t maxBytes);

  // Makes count buffers of size bytes aligned to align (a power of two),
  // zero-filled, all free. Buffers of 1 MiB and more are mapped pages that
  // take memory only as they are written. An allocation failure releases what was made and
  // returns kOutOfMemory.
  // maxBytes bounds the frames in use later too (PopFree with a frame size).
  int32_t Init(uint32_t count, uint32_t size, uint32_t align, uint64_t maxBytes = UINT64_MAX);

  // Hand-over. A buffer taken with PopFree or TakeFull belongs to the caller
  // until it gives it back with PushFull, PushFree or SetCurrent.
  // With a frameSize (the reader's, which a spliced file's segment may have
  // made larger than the pool's), no buffer is handed out while the buffers
  // in use (full, current, in hands) already hold CountFor(frameSize, pool,
  // maxBytes) frames: a later huge segment keeps about three frames too.
  void PopFree(FrameBuffer** out, uint32_t frameSize = 0);
  void PushFull(FrameBuffer* b);
  void PushFree(FrameBuffer* b);
  void TakeFull(FrameBuffer** out);
  // TakeFull for a presentation that may be cut short: the buffer and how
  // many flushes the queue had seen when it was taken.
  struct Taken {
    FrameBuffer* buffer = nullptr;
    uint64_t flushes = 0;
  };
  Taken TakeNextFull();
  // Gives back a buffer taken with TakeNextFull whose presentation was cut
  // short: at the head of the full list, the next frame again, unless the
  // queue was flushed since (a seek moved on): then to the free list.
  void GiveBackFull(const Taken& taken);
  uint32_t FullCount() const { return m_fullCount.load(std::memory_order_acquire); }
  uint32_t FreeCount() const;

  // The current buffer; the renderer calls these under its own lock.
  // ReleaseCurrent returns the current buffer (if any) to the free list and
  // clears it; the caller then sets the new one.
  void ReleaseCurrent();
  void SetCurrent(FrameBuffer* b);
  FrameBuffer* GetCurrent() const;

  // Moves every full buffer, in order, back to the free list.
  void Flush();

  // Replaces the data of a buffer held by the caller with size bytes
  // (32-byte aligned, zero-filled). Null b: kGeneralFail. A buffer without
  // data is left alone (0). Allocation failure: kOutOfMemory, b keeps no data.
  static int32_t Resize(FrameBuffer* b, uint32_t size);

  // Returns the current buffer to the free list, then releases every buffer.
  // No buffer may be in a thread's hands when this runs.
  void FreeAll();

  // Blocks until a free buffer is waiting, Wake is called, or the timeout
  // passes. Lets the reader sleep while the queue is full instead of polling.
  void WaitForFree(std::chrono::milliseconds timeout, uint32_t frameSize = 0);
  // The same for a full buffer, for consumers that have nothing else to do.
  void WaitForFull(std::chrono::milliseconds timeout);
  void Wake();

  uint32_t BufferSize() const { return m_bufferSize; }
  uint32_t PoolSize() const;

 private:
  static void FreeData(FrameBuffer* b);
  bool HasRoomFor(uint32_t frameSize) const;  // under m_lock

  FrameBuffer* m_current = nullptr;  // guarded by m_lock
  mutable std::mutex m_lock;
  std::condition_variable m_freeCv;   // signalled when a buffer becomes free, or by Wake
  std::condition_variable m_fullCv;   // signalled when a buffer becomes full, or by Wake
  uint32_t m_bufferSize = 0;         // guarded by m_lock
  uint64_t m_maxBytes = UINT64_MAX;  // guarded by m_lock
  FrameBufferList m_full;             // guarded by m_lock
  FrameBufferList m_free;             // guarded by m_lock
  std::atomic<uint32_t> m_fullCount{0};  // mirror of m_full.count, read without the lock
  uint64_t m_wakeSeq = 0;            // guarded by m_lock
  uint64_t m_flushes = 0;            // guarded by m_lock; moves on with every Flush
  std::vector<std::unique_ptr<FrameBuffer>> m_pool;  // owns every buffer; guarded by m_lock
};

}  // namespace corvane
