#include "platform/video_window.h"

#include <cstdlib>
#include <new>

namespace platform {

void Picture::Free::operator()(uint8_t* p) const { std::free(p); }

Picture Picture::Make(uint32_t w, uint32_t h) {
  Picture pic;
  pic.width = w;
  pic.height = h;
  pic.stride = (4 * w + 63) & ~63u;
  // aligned_alloc wants a size that is a multiple of the alignment; an empty
  // picture still gets one block so that pixels is never null.
  size_t bytes = size_t(pic.stride) * h;
  bytes = bytes == 0 ? 64 : (bytes + 63) & ~size_t(63);
  auto* p = static_cast<uint8_t*>(std::aligned_alloc(64, bytes));
  if (!p) throw std::bad_alloc();
  pic.pixels.reset(p);
  return pic;
}

}  // namespace platform
