// Memory for frames and surfaces of any size. Blocks of 1 MiB and more are
// mapped pages: zero from the kernel and taking memory only as they are
// written, so a pool of huge frames costs nothing until the reader fills it
// (on its own thread). Giving back a large block that was written costs
// time too (hundreds of milliseconds for a few GB): those are unmapped on a
// thread of their own, so that closing a file never waits for it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane {

constexpr size_t kPageMemoryThreshold = size_t(1) << 20;

// size bytes, zero-filled, aligned to `align` (a power of two up to 4096;
// 32 when not). Null when the memory cannot be had.
uint8_t* AllocateZeroed(size_t size, size_t align);
// Frees what AllocateZeroed gave for the same size (null does nothing).
void FreeZeroed(uint8_t* p, size_t size);

}  // namespace corvane
