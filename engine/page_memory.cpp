#include "engine/page_memory.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace corvane {

namespace {

// Blocks this large are given back on a thread of their own.
constexpr size_t kUnmapLaterThreshold = size_t(64) << 20;
// ... a piece of this size at a time. The kernel holds the process's memory
// map lock while it unmaps, and every mmap or munmap of another thread waits
// for it: the user-interface thread's (a picture, a thread's stack) waited
// out whole 1.6 GB blocks, hundreds of milliseconds. An 8 MiB piece takes
// about a millisecond, and closing a file gives back several blocks at once
// (the queue's, the surfaces'), each on its thread: between two pieces each
// lets others at the lock.
constexpr size_t kUnmapPiece = size_t(8) << 20;

void UnmapInPieces(uint8_t* p, size_t size) {
  for (size_t done = 0; done < size; done += kUnmapPiece) {
    ::munmap(p + done, std::min(kUnmapPiece, size - done));
    std::this_thread::yield();
  }
}

}  // namespace

uint8_t* AllocateZeroed(size_t size, size_t align) {
  if (size >= kPageMemoryThreshold) {
    void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : static_cast<uint8_t*>(p);
  }
  if (align < sizeof(void*) || (align & (align - 1)) != 0) align = 32;
  // aligned_alloc wants a multiple of the alignment; never ask for 0 bytes.
  const size_t rounded = size == 0 ? align : (size + align - 1) / align * align;
  void* p = std::aligned_alloc(align, rounded);
  if (p) std::memset(p, 0, rounded);
  return static_cast<uint8_t*>(p);
}

void FreeZeroed(uint8_t* p, size_t size) {
  if (!p) return;
  if (size < kPageMemoryThreshold) {
    std::free(p);
    return;
  }
  if (size >= kUnmapLaterThreshold) {
    try {
      // Nothing refers to the block any more; the process may end first.
      std::thread([p, size] { UnmapInPieces(p, size); }).detach();
      return;
    } catch (const std::system_error&) {
      // No thread to be had: unmap it here.
    }
  }
  ::munmap(p, size);
}

}  // namespace corvane
