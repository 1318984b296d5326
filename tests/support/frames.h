// Frame contents for tests: deterministic noise, and frames stamped with
// their number so that a reader's order can be checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace testsupport {

// n bytes of deterministic noise; a different seed, different bytes.
inline std::vector<uint8_t> Pattern(size_t n, uint32_t seed = 1) {
  std::vector<uint8_t> b(n);
  uint32_t x = seed * 2654435761u;
  for (auto& v : b) {
    x = x * 1103515245u + 12345u;
    v = uint8_t(x >> 16);
  }
  return b;
}

// Writes n little-endian into the first four bytes of a frame of size bytes
// (fewer when the frame is shorter).
inline void StampFrameNumber(uint8_t* frame, size_t size, uint32_t n) {
  for (size_t k = 0; k < 4 && k < size; ++k) frame[k] = uint8_t(n >> (8 * k));
}

}  // namespace testsupport
