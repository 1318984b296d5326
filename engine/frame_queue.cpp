#include "engine/frame_queue.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <cstring>

#include "engine/page_memory.h"
#include "formats/result_codes.h"

namespace corvane {

namespace {

constexpr uint32_t kDataAlign = 32;  // the surface copies read whole 32-byte lines

uint8_t* AllocAligned(uint32_t size, uint32_t align) { return AllocateZeroed(size, align); }

}  // namespace

void FrameBufferList::Append(FrameBuffer* b) {
  b->pNext = nullptr;
  b->pPrev = tail;
  if (tail) tail->pNext = b;
  else head = b;
  tail = b;
  ++count;
}

FrameBuffer* FrameBufferList::RemoveHead() {
  if (count == 0) return nullptr;
  FrameBuffer* b = head;
  head = b->pNext;
  if (head) head->pPrev = nullptr;
  else tail = nullptr;
  b->pNext = b->pPrev = nullptr;
  --count;
  return b;
}

FrameQueue::~FrameQueue() { FreeAll(); }

void FrameQueue::FreeData(FrameBuffer* b) {
  b->EndLoan();
  // nSize is always the size the data was made with.
  FreeZeroed(b->pData, b->nSize);
  b->pData = nullptr;
  b->nSize = 0;
}

int32_t FrameQueue::Init(uint32_t count, uint32_t size, uint32_t align, uint64_t maxBytes) {
  std::scoped_lock lock(m_lock);
  m_bufferSize = size;
  m_maxBytes = maxBytes;
  m_current = nullptr;
  for (uint32_t i = 0; i < count; ++i) {
    auto b = std::make_unique<FrameBuffer>();
    b->pData = AllocAligned(size, align);
    if (!b->pData) return kOutOfMemory;
    b->nSize = size;
    m_free.Append(b.get());
    m_pool.push_back(std::move(b));
  }
  m_freeCv.notify_all();
  return kOk;
}

bool FrameQueue::HasRoomFor(uint32_t frameSize) const {
  if (m_free.count == 0) return false;
  if (frameSize == 0) return true;
  const uint32_t inUse = uint32_t(m_pool.size()) - m_free.count;
  return inUse < CountFor(frameSize, uint32_t(m_pool.size()), m_maxBytes);
}

void FrameQueue::PopFree(FrameBuffer** out, uint32_t frameSize) {
  std::scoped_lock lock(m_lock);
  *out = HasRoomFor(frameSize) ? m_free.RemoveHead() : nullptr;
}

void FrameQueue::PushFull(FrameBuffer* b) {
  if (!b) return;
  {
    std::scoped_lock lock(m_lock);
    m_full.Append(b);
    m_fullCount.store(m_full.count, std::memory_order_release);
  }
  m_fullCv.notify_all();
}

void FrameQueue::PushFree(FrameBuffer* b) {
  if (!b) return;
  {
    std::scoped_lock lock(m_lock);
    m_free.Append(b);
  }
  m_freeCv.notify_all();
}

void FrameQueue::TakeFull(FrameBuffer** out) { *out = TakeNextFull().buffer; }

FrameQueue::Taken FrameQueue::TakeNextFull() {
  std::scoped_lock lock(m_lock);
  Taken taken{m_full.RemoveHead(), m_flushes};
  m_fullCount.store(m_full.count, std::memory_order_release);
  return taken;
}

void FrameQueue::GiveBackFull(const Taken& taken) {
  if (!taken.buffer) return;
  bool full;
  {
    std::scoped_lock lock(m_lock);
    full = taken.flushes == m_flushes;
    if (full) {
      // At the head: the list is a few buffers long.
      FrameBufferList behind = m_full;
      m_full = {};
      m_full.Append(taken.buffer);
      while (FrameBuffer* b = behind.RemoveHead()) m_full.Append(b);
      m_fullCount.store(m_full.count, std::memory_order_release);
    } else {
      m_free.Append(taken.buffer);
    }
  }
  if (full) m_fullCv.notify_all();
  else m_freeCv.notify_all();
}

uint32_t FrameQueue::FreeCount() const {
  std::scoped_lock lock(m_lock);
  return m_free.count;
}

uint32_t FrameQueue::PoolSize() const {
  std::scoped_lock lock(m_lock);
  return uint32_t(m_pool.size());
}

void FrameQueue::ReleaseCurrent() {
  {
    std::scoped_lock lock(m_lock);
    if (m_current && m_current->pData) m_free.Append(m_current);
    m_current = nullptr;
  }
  m_freeCv.notify_all();
}

void FrameQueue::SetCurrent(FrameBuffer* b) {
  std::scoped_lock lock(m_lock);
  m_current = b;
}

FrameBuffer* FrameQueue::GetCurrent() const {
  std::scoped_lock lock(m_lock);
  return m_current;
}

void FrameQueue::Flush() {
  {
    std::scoped_lock lock(m_lock);
    while (FrameBuffer* b = m_full.RemoveHead()) m_free.Append(b);
    m_fullCount.store(0, std::memory_order_release);
    ++m_flushes;
  }
  m_freeCv.notify_all();
}

int32_t FrameQueue::Resize(FrameBuffer* b, uint32_t size) {
  if (!b) return kGeneralFail;
  if (!b->pData) return kOk;
  FreeData(b);
  b->pData = AllocAligned(size, kDataAlign);
  if (!b->pData) return kOutOfMemory;
  b->nSize = size;
  return kOk;
}

uint32_t FrameQueue::CountFor(uint32_t frameSize, uint32_t maxCount, uint64_t maxBytes) {
  if (frameSize == 0) return maxCount;
  const uint64_t fit = maxBytes / frameSize;
  return uint32_t(std::clamp<uint64_t>(fit, kMinCount, std::max(maxCount, kMinCount)));
}

void FrameQueue::FreeAll() {
  std::scoped_lock lock(m_lock);
  if (m_current) m_free.Append(m_current);
  m_current = nullptr;
  assert(m_free.count + m_full.count == m_pool.size() && "a buffer is still in a thread's hands");
  m_free = {};
  m_full = {};
  m_fullCount.store(0, std::memory_order_release);
  for (auto& b : m_pool) FreeData(b.get());
  m_pool.clear();
}

void FrameQueue::WaitForFree(std::chrono::milliseconds timeout, uint32_t frameSize) {
  std::unique_lock lock(m_lock);
  const uint64_t seq = m_wakeSeq;
  m_freeCv.wait_for(lock, timeout, [&] { return HasRoomFor(frameSize) || m_wakeSeq != seq; });
}

void FrameQueue::WaitForFull(std::chrono::milliseconds timeout) {
  std::unique_lock lock(m_lock);
  const uint64_t seq = m_wakeSeq;
  m_fullCv.wait_for(lock, timeout, [&] { return m_full.count > 0 || m_wakeSeq != seq; });
}

void FrameQueue::Wake() {
  {
    std::scoped_lock lock(m_lock);
    ++m_wakeSeq;
  }
  m_freeCv.notify_all();
  m_fullCv.notify_all();
}

}  // namespace corvane
